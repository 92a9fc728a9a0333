// TfrCompressor: the replaceable hook through which prepared pages pass when
// a prepared-report file is written compressed, and the shared instance.
#pragma once

#include "platform/stream.h"

namespace lf {

class TfrCompressor {
 public:
  TfrCompressor() = default;
  virtual ~TfrCompressor() = default;

  // Both operations copy nothing in the built-in class.
  virtual void Compress(TStream& source, TStream& target);
  virtual void Decompress(TStream& source, TStream& target);
  // Whether Compress and Decompress really transform the data. The built-in
  // class does not, so compressed files are refused instead of being read
  // or written as empty pages.
  virtual bool Transforms() const { return false; }

  // Set by whoever installs a compressing class; files record it.
  bool Active = false;
};

// The engine's instance (created with the engine globals).
TfrCompressor& SharedCompressor();

}  // namespace lf
