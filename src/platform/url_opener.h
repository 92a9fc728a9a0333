// The platform's opener of web and mail addresses (the user's browser and
// mail program).
#pragma once

#include <string>

namespace lf {

// Hands a UTF-8 address to the program the desktop opens such addresses
// with; false when the platform refused. Callers decide what may be opened.
bool OpenUrlWithPlatform(const std::string& utf8Address);

}  // namespace lf
