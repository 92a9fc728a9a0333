// "lumenfoldi com idl" and "lumenfoldi regsvr": the type library's text as
// the repository keeps it, and registration through the library itself.
#include <gtest/gtest.h>

#include <string>

#include "apps/cli_run.h"

namespace lf {
namespace {

using ComCli = test::CliTest;

#ifdef LF_COM_LIBRARY
TEST_F(ComCli, IdlIsTheFileInTheRepository) {
  test::CliRun run = Cli("com idl");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, Slurp(LF_SOURCE_DIR "/include/lumenfoldi/lumenfoldiProj1.idl"));
}

TEST_F(ComCli, RegsvrRegistersAndUnregisters) {
  const std::string env = "LUMENFOLDI_REGISTRY='" + Path("r/registry.reg") + "'";
  test::CliRun run = Cli("regsvr '" LF_COM_LIBRARY "'", env);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "DllRegisterServer in " LF_COM_LIBRARY " succeeded.\n");
  const std::string text = Slurp(Path("r/registry.reg"));
  EXPECT_NE(text.find("[HKEY_CLASSES_ROOT\\lumenfoldiProj1.lumenfoldi\\Clsid]"), std::string::npos) << text;
  run = Cli("regsvr -u '" LF_COM_LIBRARY "'", env);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "DllUnregisterServer in " LF_COM_LIBRARY " succeeded.\n");
  EXPECT_EQ(Slurp(Path("r/registry.reg")), "Windows Registry Editor Version 5.00\n");
}

TEST_F(ComCli, RegsvrReportsWhatWentWrong) {
  Write("file", "");
  test::CliRun run = Cli("regsvr '" LF_COM_LIBRARY "'", "LUMENFOLDI_REGISTRY='" + Path("file") + "/r.reg'");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "lumenfoldi regsvr: DllRegisterServer in " LF_COM_LIBRARY " failed: 0x80040201 cannot open '" +
                         Path("file") + "/r.reg.lock': Not a directory\n");
  run = Cli("regsvr '" + Path("file") + "'");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.rfind("lumenfoldi regsvr: cannot load " + Path("file") + ": ", 0), 0u) << run.err;
  run = Cli("regsvr");
  EXPECT_EQ(run.err, "lumenfoldi regsvr: usage: lumenfoldi regsvr [-u] LIBRARY\n");
}
#endif

}  // namespace
}  // namespace lf
