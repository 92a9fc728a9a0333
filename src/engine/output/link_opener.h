// Hyperlinks of prepared pages: which addresses may be handed to the
// platform, and the platform's opener. Downloaded reports choose the tag
// texts, so only web and mail addresses are ever opened.
#pragma once

#include <string>
#include <string_view>

namespace lf {

// The address (host code page) without surrounding blanks when it begins
// with "http:", "https:" or "mailto:" in any letter case; empty otherwise.
std::string OpenableLink(std::string_view address);

// Opens an address with the platform's default program for it; false when
// the platform refused.
bool OpenLinkWithPlatform(const std::string& address);

}  // namespace lf
