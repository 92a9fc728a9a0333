// "lumenfoldi tables": a data text turned into record tables, printed as JSON.
#include "command.h"
#include "control/tables_json.h"
#include "data/data_tables.h"
#include "platform/code_page.h"

namespace lf::cli {
namespace {

int RunTables(const Args& args) {
  Options opts(args, {"codepage"});
  if (opts.Positional().size() != 1) throw Exception("usage: lumenfoldi tables [--codepage CP] FILE|-");
  if (opts.Has("codepage")) SetHostCodePage(opts.Value("codepage"));
  std::string data = ReadInput(opts.Positional()[0]);
  // The tables live in a plain owner: this command needs no control window.
  TComponent owner;
  std::vector<TClientDataSet*> tables;
  try {
    LoadDataTables(data, owner, tables);
  } catch (const Exception& e) {
    std::string message = e.Message();
    WriteOutput("-", TablesToJson(tables, &message));
    return 1;
  }
  WriteOutput("-", TablesToJson(tables));
  return 0;
}

const Registration reg("tables", "tables [--codepage CP] FILE|-   print the record tables of a data text as JSON",
                       RunTables);

}  // namespace
}  // namespace lf::cli
