// The built-in paper table of the virtual printer: 67 paper sizes keyed by
// their platform paper codes, 256 being the custom size.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace lf {

inline constexpr int kPaperTableRows = 67;
inline constexpr int32_t kPaperCustom = 256;  // custom size: width and height given
inline constexpr int32_t kPaperA4 = 9;

// One row of a paper list. Width and height in tenths of a millimetre
// (portrait); the name is in the host code page.
struct TPaperInfo {
  int32_t Code = 0;
  std::string Name;
  int32_t Width = 0;
  int32_t Height = 0;
};

// The 67 rows in table order. Names are the platform's names of the paper
// sizes with those codes, converted to the host code page on first use.
const std::array<TPaperInfo, kPaperTableRows>& PaperTable();

// Row index of a paper code in PaperTable(), or -1.
int FindPaperRow(int32_t code);

// Platform (UTF-8) name of a paper code; "Custom" for codes it does not know.
std::string PaperCodeName(int32_t code);

}  // namespace lf
