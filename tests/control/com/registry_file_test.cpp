// The registry file: its text, what registration writes and removes, bad
// files; and the argument coercions of Invoke.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "control/com/registry_file.h"
#include "control/com/variant.h"

namespace lf::com {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("lf-registry-" + std::to_string(getpid()));
    fs::remove_all(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path() const { return (dir_ / "sub" / "registry.reg").string(); }
  fs::path dir_;
};

TEST_F(RegistryFileTest, RegistrationWritesTheClassKeysInExportForm) {
  RegisterClass(Path(), "/opt/lf/liblumenfoldiProj1.so");
  const std::string c = "[HKEY_CLASSES_ROOT\\CLSID\\{2E7B57C9-1BC5-491F-BF4A-D1567E297E25}";
  const std::string t = "[HKEY_CLASSES_ROOT\\TypeLib\\{53F9B7C2-649D-4EA7-8C30-2626BC6F8B7B}";
  const std::string i = "[HKEY_CLASSES_ROOT\\Interface\\";
  const std::string lib = "@=\"{53F9B7C2-649D-4EA7-8C30-2626BC6F8B7B}\"\n\"Version\"=\"1.0\"\n";
  EXPECT_EQ(Slurp(Path()),
            "Windows Registry Editor Version 5.00\n\n" +
                c + "]\n@=\"lumenfoldi Control\"\n\n" +
                c + "\\InprocServer32]\n@=\"/opt/lf/liblumenfoldiProj1.so\"\n\"ThreadingModel\"=\"Apartment\"\n\n" +
                c + "\\ProgID]\n@=\"lumenfoldiProj1.lumenfoldi\"\n\n"
                "[HKEY_CLASSES_ROOT\\lumenfoldiProj1.lumenfoldi]\n@=\"lumenfoldi Control\"\n\n"
                "[HKEY_CLASSES_ROOT\\lumenfoldiProj1.lumenfoldi\\Clsid]\n@=\"{2E7B57C9-1BC5-491F-BF4A-D1567E297E25}\"\n\n" +
                c + "\\TypeLib]\n@=\"{53F9B7C2-649D-4EA7-8C30-2626BC6F8B7B}\"\n\n" +
                c + "\\Version]\n@=\"1.0\"\n\n" +
                c + "\\MiscStatus]\n@=\"0\"\n\n" +
                c + "\\MiscStatus\\1]\n@=\"205201\"\n\n" +
                c + "\\ToolboxBitmap32]\n@=\"/opt/lf/liblumenfoldiProj1.so,1\"\n\n" +
                c + "\\Control]\n@=\"\"\n\n" +
                c + "\\Verb]\n@=\"\"\n\n" +
                c + "\\Verb\\0]\n@=\"Properties,0,2\"\n\n" +
                t + "]\n\n" +
                t + "\\1.0]\n@=\"lumenfoldiProj1 Library\"\n\n" +
                t + "\\1.0\\0]\n\n" +
                t + "\\1.0\\0\\linux64]\n@=\"/opt/lf/liblumenfoldiProj1.so\"\n\n" +
                t + "\\1.0\\FLAGS]\n@=\"0\"\n\n" +
                t + "\\1.0\\HELPDIR]\n@=\"/opt/lf\"\n\n" +
                i + "{875F8DE9-56F3-40EB-943B-50D100FD0D1D}]\n@=\"Ilumenfoldi\"\n\n" +
                i + "{875F8DE9-56F3-40EB-943B-50D100FD0D1D}\\ProxyStubClsid32]\n@=\"{00020424-0000-0000-C000-000000000046}\"\n\n" +
                i + "{875F8DE9-56F3-40EB-943B-50D100FD0D1D}\\TypeLib]\n" + lib + "\n" +
                i + "{049929C3-4EAD-441B-A8CA-C2AEB2A1510F}]\n@=\"IlumenfoldiEvents\"\n\n" +
                i + "{049929C3-4EAD-441B-A8CA-C2AEB2A1510F}\\ProxyStubClsid32]\n@=\"{00020420-0000-0000-C000-000000000046}\"\n\n" +
                i + "{049929C3-4EAD-441B-A8CA-C2AEB2A1510F}\\TypeLib]\n" + lib);
  RegistryFile registry = ReadRegistry(Path());
  EXPECT_EQ(RegisteredLibrary(registry, "LUMENFOLDIPROJ1.lumenfoldi"), "/opt/lf/liblumenfoldiProj1.so");
}

TEST_F(RegistryFileTest, RegistrationKeepsOtherKeysAndUnregistrationRemovesOnlyItsOwn) {
  fs::create_directories(dir_ / "sub");
  const std::string others =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CLASSES_ROOT\\CLSID]\n\n"
      "[HKEY_CLASSES_ROOT\\Other.Thing]\n@=\"a \\\"quoted\\\" \\\\ text\"\n\"Count\"=dword:00000002\n"
      "\"Blob\"=hex:01,02,\\\n  03\n\n"
      "[HKEY_CLASSES_ROOT\\CLSID\\{2E7B57C9-1BC5-491F-BF4A-D1567E297E25}\\Extra]\n@=\"someone else's\"\n";
  std::ofstream(Path()) << others;
  RegisterClass(Path(), "/a/lib.so");
  RegisterClass(Path(), "/b/lib.so");  // again, elsewhere: one set of keys
  RegistryFile registry = ReadRegistry(Path());
  EXPECT_EQ(RegisteredLibrary(registry, "lumenfoldiProj1.lumenfoldi"), "/b/lib.so");
  EXPECT_EQ(registry.Value("HKEY_CLASSES_ROOT\\Other.Thing"), "a \"quoted\" \\ text");
  UnregisterClass(Path());
  EXPECT_EQ(Slurp(Path()), others);
  EXPECT_FALSE(fs::exists(Path() + ".tmp"));
}

TEST(RegistryFile, BadFilesNameTheirLine) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"REGEDIT4\n", "registry file line 1: expected \"Windows Registry Editor Version 5.00\""},
      {"Windows Registry Editor Version 5.00\n@=\"x\"\n", "registry file line 2: a value before the first section"},
      {"Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\A\n", "registry file line 3: a section ends with ']'"},
      {"Windows Registry Editor Version 5.00\n[K]\n\"open=\"x\"\n", "registry file line 3: expected '='"},
      {"Windows Registry Editor Version 5.00\n[K]\n@=\"open\n", "registry file line 3: unterminated text"},
      {"Windows Registry Editor Version 5.00\n[K]\n@=\"a\" b\n", "registry file line 3: text after the value"},
      {"Windows Registry Editor Version 5.00\n[K]\n\"\"=\"a\"\n", "registry file line 3: an empty value name"},
  };
  for (const Case& c : cases) {
    try {
      RegistryFile::Parse(c.text);
      ADD_FAILURE() << c.text;
    } catch (const ERegistryError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
  }
  EXPECT_TRUE(RegistryFile::Parse("").Keys().empty());
}

TEST(RegistryFile, RefusesAFileOverTheLimit) {
  std::string big = "Windows Registry Editor Version 5.00\n[K]\n";
  big.resize(kMaxRegistryFileBytes + 1, ';');
  try {
    RegistryFile::Parse(big);
    ADD_FAILURE();
  } catch (const ERegistryError& e) {
    EXPECT_STREQ(e.what(), "registry file is larger than 16777216 bytes");
  }
  big.resize(kMaxRegistryFileBytes);
  EXPECT_EQ(RegistryFile::Parse(big).Keys().size(), 1u);
}

TEST(RegistryFile, PathComesFromTheEnvironment) {
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("LUMENFOLDI_REGISTRY", "/x/r.reg", 1);
  EXPECT_EQ(DefaultRegistryPath(), "/x/r.reg");
  unsetenv("LUMENFOLDI_REGISTRY");
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(DefaultRegistryPath(), "/cfg/lumenfoldi/registry.reg");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(DefaultRegistryPath(), "/home/u/.config/lumenfoldi/registry.reg");
  setenv("HOME", home.c_str(), 1);
}

VARIANT Text(const std::u16string& text) {
  VARIANT v;
  InitVariant(v);
  v.vt = VT_BSTR;
  v.bstrVal = AllocBstr(text);
  return v;
}

TEST(VariantCoercion, ArgumentsBecomeTheMembersTypes) {
  VARIANT v = Text(u" 0x7FFFFFFF ");
  int32_t n = 0;
  EXPECT_EQ(VariantToInt32(v, n), S_OK);
  EXPECT_EQ(n, 0x7FFFFFFF);
  ClearVariant(v);
  v = Text(u"2147483648");
  EXPECT_EQ(VariantToInt32(v, n), DISP_E_OVERFLOW);
  uint32_t u = 0;
  EXPECT_EQ(VariantToUInt32(v, u), S_OK);
  EXPECT_EQ(u, 0x80000000u);
  ClearVariant(v);
  v = Text(u"99999999999999999999");
  EXPECT_EQ(VariantToInt32(v, n), DISP_E_TYPEMISMATCH);
  ClearVariant(v);
  bool b = false;
  v = Text(u"TRUE");
  EXPECT_EQ(VariantToBool(v, b), S_OK);
  EXPECT_TRUE(b);
  ClearVariant(v);
  v.vt = VT_R8;
  v.dblVal = 2.5;
  EXPECT_EQ(VariantToInt32(v, n), S_OK);
  EXPECT_EQ(n, 2);  // to even
  v.dblVal = 1e300;
  EXPECT_EQ(VariantToInt32(v, n), DISP_E_OVERFLOW);
  v.vt = VT_I4 | VT_BYREF;
  v.plVal = nullptr;
  EXPECT_EQ(VariantToInt32(v, n), DISP_E_TYPEMISMATCH);
  std::u16string text;
  v.vt = VT_I4;
  v.lVal = -12;
  EXPECT_EQ(VariantToText(v, text), S_OK);
  EXPECT_EQ(text, u"-12");
  v.vt = VT_DISPATCH;
  v.pdispVal = nullptr;
  IDispatch* d = nullptr;
  EXPECT_EQ(VariantToDispatch(v, d), DISP_E_TYPEMISMATCH);
}

}  // namespace
}  // namespace lf::com
