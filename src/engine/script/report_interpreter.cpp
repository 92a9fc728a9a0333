// TInterpretator: script names, assignments and functions answered by the
// current report and the engine's run state.
#include "engine/script/report_interpreter.h"

#include <algorithm>

#include "engine/model/band.h"
#include "engine/data/dictionary_names.h"
#include "engine/run/globals.h"
#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/model/view.h"
#include "engine/template/template_format.h"
#include "platform/code_page.h"
#include "platform/message_wait.h"

namespace lf {
namespace {

// Template page n (from 1) for a first name part "PAGEn", else null.
TfrPage* PageByName(const TfrReport* report, std::string_view part) {
  if (!report || !report->Pages || part.size() < 5 || !SameTextAscii(part.substr(0, 4), "PAGE"))
    return nullptr;
  int n = 0;
  for (char c : part.substr(4)) {
    if (c < '0' || c > '9' || n > 100000) return nullptr;
    n = n * 10 + (c - '0');
  }
  return report->Pages->PageAt(n - 1);
}

}  // namespace

TfrObject* ResolvePropertyName(const std::string& name, std::string& property) {
  TfrEngineState& state = EngineState();
  TfrView* current = state.CurView;
  size_t dot = name.find('.');
  if (dot != std::string::npos) {
    std::string_view first = std::string_view(name).substr(0, dot);
    TfrObject* object = state.CurReport ? state.CurReport->FindObject(first) : nullptr;
    if (!object) object = PageByName(state.CurReport, first);
    if (object) {
      property = AsciiUpper(name.substr(dot + 1));
      return object;
    }
  }
  if (current && current->HasProperty(name)) {
    property = AsciiUpper(name);
    return current;
  }
  return nullptr;
}

void TInterpretator::GetValue(const std::string& name, Variant& value) {
  TfrParser& shared = SharedParser();
  if (shared.ValueCallback) shared.ValueCallback(name, value);
}

void TInterpretator::DoFunction(const std::string& name, const Variant& p1, const Variant& p2,
                                const Variant& p3, Variant& result) {
  TfrParser& shared = SharedParser();
  if (shared.FunctionCallback) shared.FunctionCallback(name, p1, p2, p3, result);
}

void TInterpretator::SetValue(const std::string& name, const Variant& value) {
  TfrVariables& scriptVariables = *Globals().ScriptVariables;
  TfrEngineState& state = EngineState();
  int known = scriptVariables.IndexOf(name);
  if (known >= 0) {
    scriptVariables.AssignAt(known, value);
    return;
  }
  // A dictionary variable that a script assigns reads as the script's value
  // from then on: the dictionary looks at the script variables first.
  if (state.CurReport && IsKnownName(*state.CurReport, name)) {
    scriptVariables.Assign(name, value);
    return;
  }
  if (SameTextAscii(name, "MODALRESULT")) {
    if (state.CurPage && state.CurPage->PageType == ptDialog && OnModalResult)
      OnModalResult(*state.CurPage, static_cast<int>(value.AsInteger()));
    return;
  }
  if (SameTextAscii(name, "CURY")) {
    if (TfrBand* band = state.CurBand)
      if (band->PageBreakRequests > 0 || band->ColumnBreakRequests > 0) band->KeepCurY = true;
    if (state.CurPage)
      state.CurPage->CurY = static_cast<int32_t>(
          std::clamp<int64_t>(value.AsInteger(), -kMaxPageCoordinate, kMaxPageCoordinate));
    return;
  }
  if (SameTextAscii(name, "PROGRESS")) {
    if (OnProgressText) OnProgressText(value.AsText());
    LivenessGuard alive = liveness_.Guard();
    ProcessMessages();
    if (!alive.Alive()) throw EOwnerDestroyed();
    return;
  }
  std::string property;
  if (TfrObject* object = ResolvePropertyName(name, property)) {
    if (object->HasProperty(property)) {
      object->SetProperty(property, value);
      return;
    }
  }
  scriptVariables.Assign(name, value);
}

bool TInterpretator::StopRequested() {
  TfrReport* report = EngineState().CurReport;
  return report && report->StopRequested;
}

}  // namespace lf
