// Value chain and function callback of a report, and the calculation error.
#include "engine/functions/report_values.h"

#include <cmath>

#include "engine/data/dictionary_names.h"
#include "engine/model/band.h"
#include "engine/model/memo_view.h"
#include "engine/expr/date_time.h"
#include "engine/functions/function_library.h"
#include "engine/run/globals.h"
#include "engine/script/interpreter.h"
#include "engine/expr/locale.h"
#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/script/report_interpreter.h"
#include "engine/model/view.h"
#include "platform/code_page.h"

namespace lf {
namespace {

bool Exact(const std::string& a, const char* b) { return a == b; }

// The band whose counters "LINE#" and "LINETHROUGH#" show: a data band and
// a group header their own; a group footer those of its group's data band;
// any other band without a dataset (one chained to a data band) those of the
// first band of its kind.
const TfrBand* NumberingBand(const TfrBand* band) {
  if (!band || band->DataSet || band->Kind == btGroupHeader) return band;
  if (band->Kind == btGroupFooter && band->Page) {
    for (const TfrBand* g = band->Page->Bands[btGroupHeader].get(); g; g = g->Next.get())
      if (g->Footer == band) return g->DataBand ? NumberingBand(g->DataBand) : g;
  }
  while (band->Prev) band = band->Prev;
  return band;
}

// Steps of the chain after the dictionary that name run-time values.
bool SystemValue(TfrReport& report, const std::string& name, Variant& value) {
  TfrEngineState& st = EngineState();
  TfrBand* band = st.CurBand;
  TfrPage* page = st.CurPage;
  if (Exact(name, "VALUE")) { value = st.CurValue; return true; }
  if (Exact(name, "PAGE#")) { value = Variant(static_cast<int64_t>(st.PageNo)); return true; }
  if (Exact(name, "DATE")) { value = Variant::DateTime(st.StartDate); return true; }
  if (Exact(name, "TIME")) { value = Variant::DateTime(st.StartTime); return true; }
  if (Exact(name, "LINE#")) {
    const TfrBand* counted = NumberingBand(band);
    value = Variant(static_cast<int64_t>(counted ? counted->LineNo : 0));
    return true;
  }
  if (Exact(name, "LINETHROUGH#")) {
    const TfrBand* counted = NumberingBand(band);
    value = Variant(static_cast<int64_t>(counted ? counted->LineThroughNo : 0));
    return true;
  }
  if (Exact(name, "COLUMN#")) { value = Variant(static_cast<int64_t>(page ? page->CrossColumn : 0)); return true; }
  if (Exact(name, "CURRENT#")) {
    value = Variant(static_cast<int64_t>(page ? page->PositionCounter : 0));
    return true;
  }
  if (Exact(name, "TOTALPAGES")) { value = Variant(static_cast<int64_t>(st.TotalPages)); return true; }
  if (Exact(name, "REPORTCOMMENT")) { value = Variant(report.ReportComment); return true; }
  if (Exact(name, "REPORTNAME")) { value = Variant(report.ReportName); return true; }
  if (Exact(name, "REPORTAUTOR")) { value = Variant(report.ReportAutor); return true; }
  if (Exact(name, "VMAJOR")) { value = Variant(report.ReportVersionMajor); return true; }
  if (Exact(name, "VMINOR")) { value = Variant(report.ReportVersionMinor); return true; }
  if (Exact(name, "VRELEASE")) { value = Variant(report.ReportVersionRelease); return true; }
  if (Exact(name, "VBUILD")) { value = Variant(report.ReportVersionBuild); return true; }
  if (Exact(name, "REPORTDATE")) { value = Variant::DateTime(report.ReportCreateDate); return true; }
  if (Exact(name, "REPORTLASTCHANGE")) { value = Variant::DateTime(report.ReportLastChange); return true; }
  if (Exact(name, "CALCWIDTH")) {
    auto* memo = dynamic_cast<TfrMemoView*>(st.CurView);
    value = Variant(static_cast<int64_t>(memo ? memo->CalcWidth(memo->Memo) : 0));
    return true;
  }
  return false;
}

bool EngineName(const std::string& name, Variant& value) {
  TfrEngineState& st = EngineState();
  TfrPage* page = st.CurPage;
  if (Exact(name, "CURY")) { value = Variant(static_cast<int64_t>(page ? page->CurY : 0)); return true; }
  if (Exact(name, "FREESPACE")) {
    value = Variant(static_cast<int64_t>(page ? page->BottomY - page->CurY : 0));
    return true;
  }
  if (Exact(name, "FINALPASS")) {
    value = Variant(st.MasterReport ? st.MasterReport->InFinalPass : false);
    return true;
  }
  if (Exact(name, "PAGEHEIGHT")) { value = Variant(static_cast<int64_t>(page ? page->BottomY : 0)); return true; }
  if (Exact(name, "PAGEWIDTH")) { value = Variant(static_cast<int64_t>(page ? page->RightLimit() : 0)); return true; }
  return false;
}

// Clears the re-entry guard only when the evaluation succeeds.
Variant EvaluateGuarded(const std::string& name) {
  TfrEngineState& st = EngineState();
  st.ReentryName = name;
  Variant v = SharedParser().Evaluate(name);
  st.ReentryName.clear();
  return v;
}

TfrBand* FindBand(TfrPage* page, const std::string& name) {
  if (!page) return nullptr;
  for (auto& first : page->Bands)
    for (TfrBand* b = first.get(); b; b = b->Next.get())
      if (SameTextAscii(b->Name, name)) return b;
  return nullptr;
}

std::string ArrayVariableName(const std::string& array, const Variant& index) {
  std::string indexText = index.IsText() ? index.AsText() : std::to_string(index.AsInteger());
  return "Arr_" + array + "_" + indexText;
}

void ReportProcedure(TfrReport& report, const std::string& name, const Variant& p1,
                     const Variant& p2, const Variant& p3, Variant& result) {
  TfrEngineState& st = EngineState();
  TfrParser& parser = SharedParser();
  if (name == "STOPREPORT") {
    if (st.CurReport) st.CurReport->StopRequested = true;
    else report.StopRequested = true;
    return;
  }
  if (name == "NEWPAGE") {
    if (st.CurBand) ++st.CurBand->PageBreakRequests;
    return;
  }
  if (name == "NEWCOLUMN") {
    if (st.CurBand) ++st.CurBand->ColumnBreakRequests;
    return;
  }
  if (name == "SHOWBAND") {
    if (TfrBand* band = FindBand(st.CurPage, Trim(p1.AsText())))
      if (report.BandPrinter) report.BandPrinter->ShowBand(*band);
    return;
  }
  if (name == "INC" || name == "DEC") {
    std::string target = Trim(p1.AsText());
    Variant v = Variant::Null();
    if (parser.ValueCallback) parser.ValueCallback(target, v);
    v = v.Add(Variant(name == "INC" ? 1 : -1));
    Globals().Interpreter->SetValue(target, v);
    return;
  }
  if (name == "SETARRAY" || name == "GETARRAY") {
    std::string array = Trim(p1.AsText());
    if (array.find('.') != std::string::npos) {
      std::string property;
      if (TfrObject* object = ResolvePropertyName(array, property)) {
        Variant index = parser.Evaluate(p2.AsText());
        if (name == "SETARRAY")
          object->CallMethod("SETINDEXPROPERTY", Variant(property), index,
                             parser.Evaluate(p3.AsText()), result);
        else
          object->CallMethod("GETINDEXPROPERTY", Variant(property), index, Variant(), result);
      }
      return;
    }
    std::string var = ArrayVariableName(array, parser.Evaluate(p2.AsText()));
    TfrVariables& vars = *Globals().ScriptVariables;
    if (name == "SETARRAY") vars.Assign(var, parser.Evaluate(p3.AsText()));
    else result = vars.Lookup(var);
    return;
  }
  // An object method: of the current object, or of the object named before
  // the first dot.
  TfrObject* object = st.CurView;
  std::string method = name;
  size_t dot = name.find('.');
  if (dot != std::string::npos) {
    std::string property;
    // The object named before the first dot (or PAGEn) runs the rest; a
    // first part that names no object leaves the whole name to the current
    // object (its list methods such as MEMO.ADD).
    if (TfrObject* named = ResolvePropertyName(name, property)) {
      object = named;
      method = property;
    }
  }
  if (object) object->CallMethod(method, p1, p2, p3, result);
}

}  // namespace

void ReportGetValue(TfrReport& report, const std::string& name, Variant& value) {
  value = Variant();
  if (report.OnGetValue) {
    report.OnGetValue(name, value);
    if (!value.IsEmpty()) return;
  }
  value = Variant(0);
  if (IsKnownName(report, name)) {
    value = NameValue(report, name);
    return;
  }
  if (SystemValue(report, name, value)) return;
  if (const Variant* v = Globals().ScriptVariables->Find(name)) {
    value = *v;
    return;
  }
  if (EngineName(name, value)) return;
  std::string property;
  if (TfrObject* object = ResolvePropertyName(name, property)) {
    if (object->HasProperty(property)) {
      value = object->GetProperty(property);
      return;
    }
  }
  if (const Variant* c = Globals().Constants->Find(name)) {
    value = *c;
    return;
  }
  TfrEngineState& st = EngineState();
  if (st.ReentryName == name) {
    if (st.AggregatesRegistering) {
      value = Variant();
      return;
    }
    throw EParserError(LoadLocalizedString(55439) + " \"" + name + "\"");
  }
  value = EvaluateGuarded(name);
}

void ReportDoFunction(TfrReport& report, const std::string& name, const Variant& p1,
                      const Variant& p2, const Variant& p3, Variant& result) {
  result = Variant("0");
  if (Globals().Libraries->Dispatch(name, p1, p2, p3, result)) return;
  ReportProcedure(report, name, p1, p2, p3, result);
  if (report.OnUserFunction) report.OnUserFunction(name, p1, p2, p3, result);
}

namespace {
// The report the shared parser's callbacks point at, so that the report can
// unbind them when it goes.
const TfrReport* sharedParserReport = nullptr;
}  // namespace

void DetachReport(const TfrReport& report) {
  if (sharedParserReport != &report) return;
  sharedParserReport = nullptr;
  if (!GlobalsCreated()) return;
  SharedParser().ValueCallback = nullptr;
  SharedParser().FunctionCallback = nullptr;
}

void AttachReport(TfrParser& parser, TfrReport& report) {
  TfrReport* r = &report;
  if (GlobalsCreated() && &parser == &SharedParser()) sharedParserReport = r;
  parser.ValueCallback = [r](const std::string& name, Variant& value) {
    ReportGetValue(*r, name, value);
  };
  parser.FunctionCallback = [r](const std::string& name, const Variant& p1, const Variant& p2,
                                const Variant& p3, Variant& result) {
    ReportDoFunction(*r, name, p1, p2, p3, result);
  };
  EngineState().CurReport = r;
}

std::string CalculationErrorMessage(const TfrReport& report, const TfrView* current,
                                    const std::string& error) {
  std::string msg = LoadLocalizedString(55200);
  if (current) {
    msg += '\r';
    for (const std::string& line : current->Memo) msg += '\r' + line;
  }
  msg += "\r\r" + LoadLocalizedString(55201) + " " + report.Name() + "\r";
  if (current) msg += LoadLocalizedString(55202) + " " + current->Name + "\r";
  msg += "\r" + error;
  return msg;
}

}  // namespace lf
