// The type library lumenfoldiProj1 as data: the one table that the
// dispatch names, Invoke, the control's vtable and the IDL text come from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lumenfoldi/lumenfoldiProj1.h"

namespace lf::com {

inline constexpr const char* kLibraryName = "lumenfoldiProj1";
inline constexpr const char* kLibraryHelp = "lumenfoldiProj1 Library";
inline constexpr const char* kClassName = "lumenfoldi";
inline constexpr const char* kClassHelp = "lumenfoldi Control";
inline constexpr const char* kProgId = "lumenfoldiProj1.lumenfoldi";
inline constexpr const char* kInterfaceHelp = "Dispatch interface for lumenfoldi Control";
inline constexpr const char* kEventsHelp = "Events interface for lumenfoldi Control";

// The type a member carries across the interface.
enum class ValueType : uint8_t { Bool, Int32, Color, Text, Font, BorderStyle, PrintScale };

// Kinds of a member (a property may have several).
inline constexpr uint8_t kGet = 1;
inline constexpr uint8_t kPut = 2;
inline constexpr uint8_t kPutRef = 4;
inline constexpr uint8_t kMethod = 8;

struct Member {
  const char* name;
  DISPID id;
  uint8_t kinds;
  ValueType type;
  bool hidden;
  const char* parameter;  // the one parameter's name
};

// Ilumenfoldi in vtable order; each member's accessors come get, put, putref.
inline constexpr Member kMembers[] = {
    {"Visible", DISPID_LF_VISIBLE, kGet | kPut, ValueType::Bool, true, "Value"},
    {"AutoScroll", DISPID_LF_AUTOSCROLL, kGet | kPut, ValueType::Bool, false, "Value"},
    {"AutoSize", DISPID_LF_AUTOSIZE, kGet | kPut, ValueType::Bool, false, "Value"},
    {"AxBorderStyle", DISPID_LF_AXBORDERSTYLE, kGet | kPut, ValueType::BorderStyle, false, "Value"},
    {"Caption", DISPID_LF_CAPTION, kGet | kPut, ValueType::Text, false, "Value"},
    {"Color", DISPID_LF_COLOR, kGet | kPut, ValueType::Color, false, "Value"},
    {"Font", DISPID_LF_FONT, kGet | kPut | kPutRef, ValueType::Font, false, "Value"},
    {"KeyPreview", DISPID_LF_KEYPREVIEW, kGet | kPut, ValueType::Bool, false, "Value"},
    {"PixelsPerInch", DISPID_LF_PIXELSPERINCH, kGet | kPut, ValueType::Int32, false, "Value"},
    {"PrintScale", DISPID_LF_PRINTSCALE, kGet | kPut, ValueType::PrintScale, false, "Value"},
    {"Scaled", DISPID_LF_SCALED, kGet | kPut, ValueType::Bool, false, "Value"},
    {"Active", DISPID_LF_ACTIVE, kGet, ValueType::Bool, true, "Value"},
    {"DropTarget", DISPID_LF_DROPTARGET, kGet | kPut, ValueType::Bool, true, "Value"},
    {"HelpFile", DISPID_LF_HELPFILE, kGet | kPut, ValueType::Text, true, "Value"},
    {"ScreenSnap", DISPID_LF_SCREENSNAP, kGet | kPut, ValueType::Bool, true, "Value"},
    {"SnapBuffer", DISPID_LF_SNAPBUFFER, kGet | kPut, ValueType::Int32, true, "Value"},
    {"DoubleBuffered", DISPID_LF_DOUBLEBUFFERED, kGet | kPut, ValueType::Bool, true, "Value"},
    {"AlignDisabled", DISPID_LF_ALIGNDISABLED, kGet, ValueType::Bool, true, "Value"},
    {"VisibleDockClientCount", DISPID_LF_VISIBLEDOCKCLIENTCOUNT, kGet, ValueType::Int32, true, "Value"},
    {"Enabled", DISPID_LF_ENABLED, kGet | kPut, ValueType::Bool, true, "Value"},
    {"setParams", DISPID_LF_SETPARAMS, kMethod, ValueType::Text, false, "param1"},
};
inline constexpr size_t kMemberCount = sizeof kMembers / sizeof kMembers[0];

// Number of vtable entries of a member.
constexpr size_t SlotCount(const Member& m) {
  return ((m.kinds & kGet) ? 1 : 0) + ((m.kinds & kPut) ? 1 : 0) + ((m.kinds & kPutRef) ? 1 : 0) +
         ((m.kinds & kMethod) ? 1 : 0);
}
// Entries of Ilumenfoldi's vtable after IDispatch's seven.
constexpr size_t ControlSlotCount() {
  size_t n = 0;
  for (const Member& m : kMembers) n += SlotCount(m);
  return n;
}

struct Event {
  const char* name;
  DISPID id;
  const char* parameter;  // null: no parameter; otherwise a 16-bit integer by reference
};

inline constexpr Event kEvents[] = {
    {"OnActivate", DISPID_LF_ONACTIVATE, nullptr}, {"OnClick", DISPID_LF_ONCLICK, nullptr},
    {"OnCreate", DISPID_LF_ONCREATE, nullptr},     {"OnDblClick", DISPID_LF_ONDBLCLICK, nullptr},
    {"OnDestroy", DISPID_LF_ONDESTROY, nullptr},   {"OnDeactivate", DISPID_LF_ONDEACTIVATE, nullptr},
    {"OnKeyPress", DISPID_LF_ONKEYPRESS, "Key"},   {"OnPaint", DISPID_LF_ONPAINT, nullptr},
};

struct EnumValue {
  const char* name;
  int32_t value;
};
struct Enumeration {
  const char* name;
  GUID guid;
  const EnumValue* values;
  size_t count;
};
extern const Enumeration kEnumerations[3];

// The member named name (ASCII letter case ignored, hidden members too), or null.
const Member* FindMember(std::u16string_view name);
const Member* FindMember(DISPID id);
// The event with that DISPID, or null.
const Event* FindEvent(DISPID id);

// "{2E7B57C9-1BC5-491F-BF4A-D1567E297E25}".
std::string GuidText(const GUID& guid);
bool SameGuid(const GUID& a, const GUID& b);
// The GUID of such a text (braces and hex case as in GuidText, or lower case); false when it is none.
bool ParseGuid(std::string_view text, GUID& out);
// ASCII letter case ignored; UTF-16 against ASCII.
bool SameName(std::u16string_view a, std::string_view b);

// The whole library as IDL text.
std::string IdlText();

}  // namespace lf::com
