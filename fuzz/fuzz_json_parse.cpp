// Fuzz target: the JSON parser on bytes and on UTF-16 units; both readings
// must agree, and written text must settle: text read and written again
// reads and writes as itself. (It may change once: the double 0 is written
// "0.", which reads back as the currency 0, written "0".)
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/json_parser.h"
#include "data/json_writer.h"
#include "platform/code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  lf::TJsonParseInfo info;
  info.recordElements = true;
  lf::IJsonValue a = lf::ParseUtf8Text(bytes, &info);
  lf::IJsonValue b = lf::ParseText(lf::Utf8ToUtf16(bytes));
  if (static_cast<bool>(a) != static_cast<bool>(b)) std::abort();
  if (a) {
    if (info.stop > size || info.valueEnd > info.stop) std::abort();
    std::u16string text = lf::WriteText(a);
    if (text != lf::WriteText(b)) std::abort();
    // Infinities and not-a-number have a text that reads as something else.
    if (text.find(u"#IN") == std::u16string::npos) {
      lf::IJsonValue again = lf::ParseText(text);
      if (!again) std::abort();
      std::u16string settled = lf::WriteText(again);
      lf::IJsonValue third = lf::ParseText(settled);
      if (!third || lf::WriteText(third) != settled) std::abort();
    }
  }
  // The same bytes as raw UTF-16 units (lone surrogates and all).
  std::u16string units(size / 2, u'\0');
  for (size_t i = 0; i + 1 < size; i += 2) units[i / 2] = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  lf::IJsonValue c = lf::ParseText(units);
  if (c) lf::StringOrText(c);
  return 0;
}
