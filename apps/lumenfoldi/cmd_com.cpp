// "lumenfoldi com idl": prints the component library's type library as IDL.
#include "command.h"
#include "control/com/type_library.h"
#include "platform/output_file.h"

namespace lf::cli {
namespace {

int RunCom(const Args& args) {
  if (args.size() != 1 || args[0] != "idl") throw Exception("usage: lumenfoldi com idl");
  WriteStdout(com::IdlText());
  return 0;
}

const Registration reg("com", "com idl   print the type library of liblumenfoldiProj1.so as IDL", RunCom);

}  // namespace
}  // namespace lf::cli
