// Creation and destruction of the engine globals, the constant list and the
// engine-wide current state.
#include "engine/run/globals.h"

#include <QImage>

#include <cstdlib>

#include "engine/functions/function_library.h"
#include "engine/script/interpreter.h"
#include "engine/expr/locale.h"
#include "engine/model/properties.h"
#include "engine/script/report_interpreter.h"
#include "engine/functions/std_functions.h"

namespace lf {
namespace {

// The holder itself is never destroyed: the globals go through
// DestroyGlobals, registered at exit once they exist, so they are destroyed
// before the function-local statics their constructor brought to life (the
// locale, the argument evaluator, ...) and never after them.
std::unique_ptr<TfrGlobals>& GlobalsSlot() {
  static auto* globals = new std::unique_ptr<TfrGlobals>();
  return *globals;
}

struct TColorEntry {
  const char* name;
  uint32_t value;
};

// Plain colours are 0x00BBGGRR; system colours 0xFF000000 + the system colour
// index; clTransparent means no fill.
const TColorEntry kColors[] = {
    {"clWhite", 0xFFFFFF},          {"clBlack", 0x000000},
    {"clMaroon", 0x000080},         {"clGreen", 0x008000},
    {"clOlive", 0x008080},          {"clNavy", 0x800000},
    {"clPurple", 0x800080},         {"clTeal", 0x808000},
    {"clGray", 0x808080},           {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},            {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},         {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},        {"clAqua", 0xFFFF00},
    {"clTransparent", 0x1FFFFFFF},  {"clScrollBar", 0xFF000000},
    {"clBackground", 0xFF000001},   {"clActiveCaption", 0xFF000002},
    {"clInactiveCaption", 0xFF000003}, {"clMenu", 0xFF000004},
    {"clWindow", 0xFF000005},       {"clWindowFrame", 0xFF000006},
    {"clMenuText", 0xFF000007},     {"clWindowText", 0xFF000008},
    {"clCaptionText", 0xFF000009},  {"clActiveBorder", 0xFF00000A},
    {"clInactiveBorder", 0xFF00000B}, {"clAppWorkSpace", 0xFF00000C},
    {"clHighlight", 0xFF00000D},    {"clHighlightText", 0xFF00000E},
    {"clBtnFace", 0xFF00000F},      {"clBtnShadow", 0xFF000010},
    {"clGrayText", 0xFF000011},     {"clBtnText", 0xFF000012},
    {"clInactiveCaptionText", 0xFF000013}, {"clBtnHighlight", 0xFF000014},
    {"cl3DDkShadow", 0xFF000015},   {"cl3DLight", 0xFF000016},
    {"clInfoText", 0xFF000017},     {"clInfoBk", 0xFF000018},
};
static_assert(sizeof(kColors) / sizeof(kColors[0]) == 42);

struct TIntConstant {
  const char* name;
  int value;
};

const TIntConstant kDialogResults[] = {
    {"mrNone", 0}, {"mrOk", 1}, {"mrCancel", 2}, {"mrYes", 6}, {"mrNo", 7}};
const TIntConstant kGroupsAfterNull[] = {
    // font styles
    {"fsBold", 2}, {"fsItalic", 1}, {"fsUnderline", 4}, {"fsStrikeOut", 8},
    // frame lines
    {"frftNone", 0}, {"frftRight", 1}, {"frftBottom", 2}, {"frftLeft", 4}, {"frftTop", 8},
    // text alignment
    {"frtaLeft", 0}, {"frtaRight", 1}, {"frtaCenter", 2}, {"frtaVertical", 4},
    {"frtaMiddle", 8}, {"frtaDown", 16},
    // band alignment
    {"baNone", 0}, {"baLeft", 1}, {"baRight", 2}, {"baCenter", 3}, {"baWidth", 4},
    {"baBottom", 5}, {"baTop", 6}, {"baRest", 7},
    // frame styles
    {"psSolid", 0}, {"psDash", 1}, {"psDot", 2}, {"psDashDot", 3}, {"psDashDotDot", 4},
    {"psDouble", 5},
    // message boxes
    {"mb_Ok", 0}, {"mb_OkCancel", 1}, {"mb_YesNoCancel", 3}, {"mb_YesNo", 4},
    {"mb_IconError", 16}, {"mb_IconQuestion", 32}, {"mb_IconWarning", 48},
    {"mb_IconInformation", 64},
};

void FillConstants(TfrVariables& c) {
  for (const TColorEntry& e : kColors)
    c.Assign(e.name, Variant(static_cast<int64_t>(static_cast<int32_t>(e.value))));
  for (const TIntConstant& e : kDialogResults) c.Assign(e.name, Variant(e.value));
  c.Assign("CRLF", Variant("\r\n"));
  c.Assign("Null", Variant::Null());
  for (const TIntConstant& e : kGroupsAfterNull) c.Assign(e.name, Variant(e.value));
}

void LoadTables(TfrLocalizedTables& t) {
  try {
    t.DefaultCharset = std::stoi(LoadLocalizedString(55337));
  } catch (const std::exception&) {
    t.DefaultCharset = 1;
  }
  for (int i = 0; i < 23; ++i) t.BandNames[i] = LoadLocalizedString(55077 + i);
  for (int i = 0; i < 4; ++i) {
    t.BooleanFormats[i] = LoadLocalizedString(55170 + i);
    t.DateFormats[i] = LoadLocalizedString(55175 + i);
    t.TimeFormats[i] = LoadLocalizedString(55179 + i);
  }
}

}  // namespace

TfrGlobals::TfrGlobals() {
  LoadTables(Tables);
  BandBrush = std::make_unique<QImage>(8, 8, QImage::Format_RGB32);
  MeasureBitmap = std::make_unique<QImage>(8, 8, QImage::Format_RGB32);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      BandBrush->setPixel(x, y, (x + y) % 2 == 0 ? qRgb(255, 255, 255) : qRgb(192, 192, 192));
  MeasureBitmap->fill(qRgb(255, 255, 255));
  Functions = std::make_unique<TfrInstalledFunctions>();
  Libraries = std::make_unique<TfrFunctionLibraries>(*Functions);
  Libraries->Register<TfrStdFunctionLibrary>();
  Libraries->Register<TDatabaseFunctionLibrary>();
  Parser = std::make_unique<TfrParser>();
  Interpreter = std::make_unique<TInterpretator>();
  ScriptVariables = std::make_unique<TfrVariables>();
  ScriptVariables->SetSorted(true);
  Constants = std::make_unique<TfrVariables>();
  Constants->SetSorted(true);
  FillConstants(*Constants);
  Compressor = std::make_unique<TfrCompressor>();
}

TfrGlobals::~TfrGlobals() {
  DestroyLocale();
  BandBrush.reset();
  MeasureBitmap.reset();
  Scratch.clear();
  // The progress and dialog windows belong to the windowed layers, which
  // close them before the globals go.
  ProgressWindow = nullptr;
  DialogWindow = nullptr;
  if (Libraries) {
    Libraries->Unregister("TfrStdFunctionLibrary");
    Libraries->Unregister("TDatabaseFunctionLibrary");
  }
  Parser.reset();
  Interpreter.reset();
  ScriptVariables.reset();
  Constants.reset();
  Compressor.reset();
  HookedObjects.clear();
  Libraries.reset();
  Functions.reset();
}

TfrGlobals& Globals() {
  auto& slot = GlobalsSlot();
  if (!slot) {
    slot = std::make_unique<TfrGlobals>();
    static const bool registered = std::atexit(DestroyGlobals) == 0;
    (void)registered;
  }
  return *slot;
}

bool GlobalsCreated() { return GlobalsSlot() != nullptr; }

void DestroyGlobals() { GlobalsSlot().reset(); }

TfrEngineState& EngineState() {
  static TfrEngineState state;
  return state;
}

TfrParser& SharedParser() { return *Globals().Parser; }

TfrLines SplitSemicolonList(std::string_view text) {
  TfrLines lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t semi = text.find(';', start);
    if (semi == std::string_view::npos) {
      if (start < text.size()) lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, semi - start));
    start = semi + 1;
  }
  return lines;
}

}  // namespace lf
