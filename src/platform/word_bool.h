// The platform's 16-bit boolean: any nonzero value is true, and a true the
// program sets is stored as -1 (0xFFFF).
#pragma once

#include <cstdint>

namespace lf {

// Keeps the 16-bit value it was read with, so a template loaded and saved
// again writes the same bytes whatever its writer used for true.
class WordBool {
 public:
  constexpr WordBool() = default;
  constexpr explicit WordBool(bool v) : stored_(v ? -1 : 0) {}
  static constexpr WordBool FromStored(int16_t stored) {
    WordBool b;
    b.stored_ = stored;
    return b;
  }
  constexpr WordBool& operator=(bool v) {
    stored_ = v ? -1 : 0;
    return *this;
  }
  constexpr operator bool() const { return stored_ != 0; }
  constexpr int16_t Stored() const { return stored_; }

 private:
  int16_t stored_ = 0;
};

}  // namespace lf
