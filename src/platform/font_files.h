// The font files the engine's families resolve to: one file per family and
// style, the same whatever other font packages are installed.
#pragma once

#include <string>
#include <vector>

namespace lf {

// The families the substitution table and the character sets name.
const std::vector<std::string>& EngineFontFamilies();

// Makes every engine family resolve to one file per style: where several
// installed files give the same family and style (an older package of the
// same fonts beside the current one), the newest version is kept and the
// others are hidden from fontconfig, and so from Qt, for the whole process.
// Runs once; MakeQFont calls it before the first font is made. Returns the
// files hidden.
const std::vector<std::string>& PinEngineFontFiles();

}  // namespace lf
