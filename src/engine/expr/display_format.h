// Display-format pattern languages: number patterns (0 # . , E+ E- quoted
// text, ; sections) and date-time patterns (d m y h n s am/pm / : ...).
#pragma once

#include <string>
#include <string_view>

namespace lf {

// Number pattern: "0" a digit always shown, "#" a digit shown when
// significant, "." the decimal point (written with the process decimal
// separator), "," before the point turns on thousands separators, "E+"/"E-"
// scientific notation, quoted text ('..' or "..") copied, ";" separating the
// positive, negative and zero sections. An empty pattern writes the general
// form (up to 15 significant digits).
std::string FormatFloat(std::string_view pattern, double value);

// Date-time pattern: d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes
// right after h or hh), yy yyyy, h hh, n nn, s ss, z zzz, c, t, tt, am/pm,
// a/p, ampm, "/" the date separator, ":" the time separator, quoted text
// copied. Letters in any case. Names and separators come from the process
// format settings. An empty pattern is "c".
std::string FormatDateTime(std::string_view pattern, double dateTime);

// Number of characters a single pattern may expand to before formatting
// stops with an error; keeps nested "c"/"dddddd" expansions bounded.
inline constexpr size_t kMaxFormattedLength = 4096;

}  // namespace lf
