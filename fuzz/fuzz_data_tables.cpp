// Fuzz target: a data text to record tables under UTF-8 and two legacy code
// pages (the first byte chooses); errors are fine, crashes and hangs are not.
#include <cstdint>
#include <string_view>
#include <vector>

#include "data/data_tables.h"
#include "platform/code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* const pages[] = {"UTF-8", "GBK", "CP1251"};
  lf::ScopedHostCodePage cp(pages[data[0] % 3]);
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  lf::TComponent owner;
  std::vector<lf::TClientDataSet*> tables;
  try {
    lf::LoadDataTables(text, owner, tables);
  } catch (const lf::Exception&) {
  }
  for (lf::TClientDataSet* t : tables) {
    if (!t->Active()) continue;
    for (t->First(); !t->Eof(); t->Next())
      for (int f = 0; f < t->FieldCount(); ++f) t->Fields(f).DisplayText();
  }
  return 0;
}
