// Hyperlinks of prepared pages: which addresses may be handed to the
// platform, and the platform's opener. Downloaded reports choose the tag
// texts, so only web and mail addresses are ever opened.
#pragma once

#include <string>
#include <string_view>

namespace lf {

// A hyperlink text that moves to a page: one that starts with "@", or that
// is no web or mail address and whose text after its last "@" is a decimal
// page number ("Chapter@12"). Others go to OpenableLink.
bool IsPageLink(std::string_view tag);
// Byte offset of the last "@" character of a text (host code page), npos if none.
size_t LastAtSign(std::string_view tag);

// The address (host code page) without surrounding blanks when it begins
// with "http:", "https:" or "mailto:" in any letter case; empty otherwise.
// A mail address keeps only its to, cc, bcc, subject and body fields, so a
// downloaded report cannot have a mail program attach a local file.
std::string OpenableLink(std::string_view address);

// Opens an address with the platform's default program for it; false when
// the platform refused.
bool OpenLinkWithPlatform(const std::string& address);

}  // namespace lf
