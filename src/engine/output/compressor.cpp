// The built-in compressor, which leaves the data alone.
#include "engine/output/compressor.h"

#include "engine/run/globals.h"

namespace lf {

void TfrCompressor::Compress(TStream&, TStream&) {}
void TfrCompressor::Decompress(TStream&, TStream&) {}

TfrCompressor& SharedCompressor() { return *Globals().Compressor; }

}  // namespace lf
