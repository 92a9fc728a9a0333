// The type library's lookups and its IDL text.
#include "control/com/type_library.h"

#include <cstdio>

namespace lf::com {
namespace {

constexpr EnumValue kBorderStyles[] = {{"afbNone", 0}, {"afbSingle", 1}, {"afbSunken", 2}, {"afbRaised", 3}};
constexpr EnumValue kPrintScales[] = {{"poNone", 0}, {"poProportional", 1}, {"poPrintToFit", 2}};
constexpr EnumValue kMouseButtons[] = {{"mbLeft", 0}, {"mbRight", 1}, {"mbMiddle", 2}};

const char* IdlType(ValueType type) {
  switch (type) {
    case ValueType::Bool: return "VARIANT_BOOL";
    case ValueType::Int32: return "long";
    case ValueType::Color: return "OLE_COLOR";
    case ValueType::Text: return "BSTR";
    case ValueType::Font: return "IFontDisp*";
    case ValueType::BorderStyle: return "TxActiveFormBorderStyle";
    case ValueType::PrintScale: return "TxPrintScale";
  }
  return "";
}

std::string Hex(DISPID id) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<uint32_t>(id));
  return buf;
}

std::string Uuid(const GUID& guid) {
  std::string text = GuidText(guid);
  return text.substr(1, text.size() - 2);
}

void Accessor(std::string& out, const Member& m, const char* kind, bool get) {
  out += std::string("    [") + kind + ", id(" + Hex(m.id) + ")" + (m.hidden ? ", hidden" : "") + "]\n";
  out += std::string("    HRESULT ") + m.name + "(" + (get ? "[out, retval] " : "[in] ") + IdlType(m.type) +
         (get ? "* " : " ") + m.parameter + ");\n";
}

}  // namespace

const Enumeration kEnumerations[3] = {
    {"TxActiveFormBorderStyle", {0x2797E4E1, 0x2660, 0x4F7E, {0x8A, 0x6C, 0x59, 0xA8, 0x40, 0x02, 0xF2, 0xB7}},
     kBorderStyles, 4},
    {"TxPrintScale", {0x456499DC, 0x3D5F, 0x410E, {0x9B, 0x66, 0x67, 0x8B, 0xDA, 0xB9, 0x81, 0xC2}}, kPrintScales, 3},
    {"TxMouseButton", {0x56374140, 0x23D4, 0x4552, {0x9B, 0x96, 0x83, 0x29, 0x98, 0x54, 0x62, 0xED}}, kMouseButtons,
     3},
};

bool SameName(std::u16string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i];
    char y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != static_cast<unsigned char>(y)) return false;
  }
  return true;
}

const Member* FindMember(std::u16string_view name) {
  for (const Member& m : kMembers)
    if (SameName(name, m.name)) return &m;
  return nullptr;
}

const Member* FindMember(DISPID id) {
  for (const Member& m : kMembers)
    if (m.id == id) return &m;
  return nullptr;
}

const Event* FindEvent(DISPID id) {
  for (const Event& e : kEvents)
    if (e.id == id) return &e;
  return nullptr;
}

std::string GuidText(const GUID& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return buf;
}

bool SameGuid(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

bool ParseGuid(std::string_view text, GUID& out) {
  // "{" 8 "-" 4 "-" 4 "-" 4 "-" 12 "}", hexadecimal digits.
  if (text.size() != 38 || text[0] != '{' || text[37] != '}') return false;
  uint8_t bytes[16];
  size_t n = 0;
  for (size_t i = 1; i < 37; ++i) {
    if (i == 9 || i == 14 || i == 19 || i == 24) {
      if (text[i] != '-') return false;
      continue;
    }
    auto digit = [](char c) {
      return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    const int high = digit(text[i]), low = digit(text[i + 1]);
    if (high < 0 || low < 0 || i + 1 == 9 || i + 1 == 14 || i + 1 == 19 || i + 1 == 24) return false;
    bytes[n++] = static_cast<uint8_t>(high * 16 + low);
    ++i;
  }
  out.Data1 = static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
              static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
  out.Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
  out.Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
  for (int i = 0; i < 8; ++i) out.Data4[i] = bytes[8 + i];
  return true;
}

std::string IdlText() {
  std::string out;
  out += "// lumenfoldiProj1.idl: the type library of liblumenfoldiProj1.so, as printed by `lumenfoldi com idl`.\n";
  out += "[\n  uuid(" + Uuid(LIBID_lumenfoldiProj1) + "),\n  version(1.0),\n  helpstring(\"" + kLibraryHelp +
         "\")\n]\nlibrary " + kLibraryName + "\n{\n\n  importlib(\"stdole2.tlb\");\n\n";
  out += "  interface Ilumenfoldi;\n  dispinterface IlumenfoldiEvents;\n\n";
  for (const Enumeration& e : kEnumerations) {
    out += "  [\n    uuid(" + Uuid(e.guid) + "),\n    version(1.0)\n  ]\n  typedef enum " + e.name + "\n  {\n";
    for (size_t i = 0; i < e.count; ++i)
      out += std::string("    ") + e.values[i].name + " = " + std::to_string(e.values[i].value) +
             (i + 1 < e.count ? ",\n" : "\n");
    out += std::string("  } ") + e.name + ";\n\n";
  }
  out += "  [\n    uuid(" + Uuid(IID_Ilumenfoldi) + "),\n    version(1.0),\n    helpstring(\"" + kInterfaceHelp +
         "\"),\n    dual,\n    oleautomation\n  ]\n  interface Ilumenfoldi: IDispatch\n  {\n";
  for (const Member& m : kMembers) {
    if (m.kinds & kGet) Accessor(out, m, "propget", true);
    if (m.kinds & kPut) Accessor(out, m, "propput", false);
    if (m.kinds & kPutRef) Accessor(out, m, "propputref", false);
    if (m.kinds & kMethod) {
      out += "    [id(" + Hex(m.id) + ")" + (m.hidden ? ", hidden" : "") + "]\n";
      out += std::string("    HRESULT ") + m.name + "([in] " + IdlType(m.type) + " " + m.parameter + ");\n";
    }
  }
  out += "  };\n\n";
  out += "  [\n    uuid(" + Uuid(DIID_IlumenfoldiEvents) + "),\n    version(1.0),\n    helpstring(\"" + kEventsHelp +
         "\")\n  ]\n  dispinterface IlumenfoldiEvents\n  {\n    properties:\n    methods:\n";
  for (const Event& e : kEvents) {
    out += "    [id(" + Hex(e.id) + ")]\n";
    out += std::string("    void ") + e.name + "(" +
           (e.parameter ? std::string("[in, out] short* ") + e.parameter : std::string("void")) + ");\n";
  }
  out += "  };\n\n";
  out += "  [\n    uuid(" + Uuid(CLSID_lumenfoldi) + "),\n    version(1.0),\n    helpstring(\"" + kClassHelp +
         "\"),\n    control\n  ]\n  coclass " + kClassName +
         "\n  {\n    [default] interface Ilumenfoldi;\n    [default, source] dispinterface IlumenfoldiEvents;\n  };\n\n};\n";
  return out;
}

}  // namespace lf::com
