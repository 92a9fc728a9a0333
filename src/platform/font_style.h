// Font style bits as templates store them and scripts read them; the engine
// and the canvas share this one set.
#pragma once

namespace lf {

inline constexpr int fsItalic = 1;
inline constexpr int fsBold = 2;
inline constexpr int fsUnderline = 4;
inline constexpr int fsStrikeOut = 8;

}  // namespace lf
