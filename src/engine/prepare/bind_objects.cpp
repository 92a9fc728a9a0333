// InitRun, BindObjects (run-time bands, chains, headers, footers, groups,
// cross bands, child bands, columns), aggregate registration and EndRun.
#include <algorithm>
#include <unordered_map>

#include "engine/data/band_dataset.h"
#include "engine/data/field_reference.h"
#include "engine/functions/aggregates.h"
#include "engine/model/band_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/subreport_view.h"
#include "engine/prepare/preparation.h"
#include "engine/run/globals.h"
#include "engine/script/interpreter.h"
#include "engine/script/report_interpreter.h"
#include "platform/code_page.h"
#include "platform/saturate.h"

namespace lf {
namespace {

inline constexpr int kModalCancel = 2;

TfrBandView* AsBandView(TfrView* view) { return dynamic_cast<TfrBandView*>(view); }
bool IsSubReportFrame(const TfrView* view) {
  return dynamic_cast<const TfrSubReportView*>(view) != nullptr;
}

void Compile(TfrLines& script) {
  if (script.empty()) return;
  TfrLines errors;
  Globals().Interpreter->PrepareScript(script, script, errors);
}

// The bands of a chain, first to last.
std::vector<TfrBand*> Chain(TfrBand* first) {
  std::vector<TfrBand*> out;
  for (TfrBand* b = first; b; b = b->Next.get()) out.push_back(b);
  return out;
}

// The page's run-time band built from view, or null.
TfrBand* BandOfView(TfrPage& page, const TfrView* view) {
  for (auto& first : page.Bands)
    for (TfrBand* b = first.get(); b; b = b->Next.get())
      if (view && b->View == view) return b;
  return nullptr;
}

void TakeDataSource(TfrBand& band, TfrReport& report) {
  if (band.Kind == btGroupHeader) {
    band.GroupCondition = band.View ? SharedParser().ToPostfix(band.View->FormatStr) : "";
    return;
  }
  ResolveBandDataSource(band, report);
}

void CollectObjects(TfrPage& page, TfrBand& band) {
  auto inside = [&band](const TfrView& v) {
    return band.Top <= v.Top && v.Top <= band.Top + band.Height;
  };
  for (auto& obj : page.Objects)
    if (obj->Pending && !obj->Parent && inside(*obj) && !IsSubReportFrame(obj.get())) {
      obj->Parent = &band;
      obj->Top -= band.Top;
      obj->Pending = false;
      band.Objects.push_back(obj.get());
    }
  for (auto& obj : page.Objects)
    if (obj->Pending && obj->Parent && obj->Parent != &band && inside(*obj)) {
      obj->Top -= band.Top;
      obj->Pending = false;
      band.Objects.push_back(obj.get());
    }
  for (auto& obj : page.Objects)
    if (obj->Pending && !obj->Parent && inside(*obj) && IsSubReportFrame(obj.get())) {
      obj->Parent = &band;
      obj->Top -= band.Top;
      obj->Pending = false;
      band.Objects.push_back(obj.get());
    }
}

void BindCrossBands(TfrPage& page, TfrReport& report) {
  bool any = false;
  for (int kind : {btCrossHeader, btCrossData, btCrossFooter}) {
    for (auto& obj : page.Objects) {
      TfrBandView* view = AsBandView(obj.get());
      if (!view || view->BandType() != kind) continue;
      page.Bands[kind] = std::make_unique<TfrBand>(static_cast<TfrBandType>(kind), &page, view);
      ResolveBandDataSource(*page.Bands[kind], report);
      any = true;
    }
  }
  if (!any) return;
  for (int kind : {btCrossHeader, btCrossData, btCrossFooter}) {
    TfrBand& band = *page.Bands[kind];
    if (!band.View) continue;
    for (auto& obj : page.Objects) {
      if (!obj->Pending || obj->Parent) continue;
      if (obj->Left >= band.Left && band.Left + band.Width >= obj->Left + obj->Width) {
        obj->Left -= band.Left;
        obj->Parent = &band;
        band.Objects.push_back(obj.get());
      }
    }
  }
}

void BindKind(TfrPage& page, TfrReport& report, TfrBandType kind) {
  std::vector<std::unique_ptr<TfrBand>> bands;
  for (auto& obj : page.Objects) {
    TfrBandView* view = AsBandView(obj.get());
    if (!view || view->BandType() != kind) continue;
    auto band = std::make_unique<TfrBand>(kind, &page, view);
    band->ColumnNo = 1;
    if (page.IsSubReportPage) {
      band->FormNewPage = false;
      band->Breaked = false;
    }
    TakeDataSource(*band, report);
    CollectObjects(page, *band);
    bands.push_back(std::move(band));
  }
  if (bands.empty()) return;
  std::stable_sort(bands.begin(), bands.end(),
                   [](const auto& a, const auto& b) { return a->Top < b->Top; });
  std::unique_ptr<TfrBand> first = std::move(bands[0]);
  for (size_t i = 1; i < bands.size(); ++i) first->AppendToChain(std::move(bands[i]));
  first->ChainEnd = Chain(first.get()).back();
  page.Bands[kind] = std::move(first);
}

void LinkHeadersAndFooters(TfrPage& page) {
  for (const TBandTriple& t : kBandTriples) {
    std::vector<TfrBand*> data = Chain(page.Bands[t.data].get());
    for (TfrBand* h : Chain(page.Bands[t.header].get())) {
      if (!h->View) continue;
      for (TfrBand* d : data) {
        if (!d->View || d->Top <= h->Top + h->Height) continue;
        if (!d->Header) {
          d->Header = h;
          h->DataBand = d;
        }
        break;
      }
    }
    for (TfrBand* f : Chain(page.Bands[t.footer].get())) {
      if (!f->View) continue;
      TfrBand* last = nullptr;
      for (TfrBand* d : data) {
        if (!d->View) continue;
        if (d->Top + d->Height > f->Top) break;
        last = d;
      }
      if (last && !last->Footer) {
        last->Footer = f;
        f->DataBand = last;
      }
    }
  }
  std::vector<TfrBand*> headers = Chain(page.Bands[btGroupHeader].get());
  std::vector<TfrBand*> footers = Chain(page.Bands[btGroupFooter].get());
  if (!page.Bands[btGroupHeader]->View) headers.clear();
  if (!page.Bands[btGroupFooter]->View) footers.clear();
  for (size_t i = 0; i < headers.size() && i < footers.size(); ++i)
    headers[headers.size() - 1 - i]->Footer = footers[i];
}

// entries: NAME "=" SOURCE ";" { NAME "=" SOURCE ";" }
void BindCrossDataSources(TfrPage& page, TfrReport& report) {
  TfrBand& cross = *page.Bands[btCrossData];
  if (!cross.View || cross.View->FormatStr.find(';') == std::string::npos) return;
  const std::string& list = cross.View->FormatStr;
  size_t at = 0;
  while (at < list.size()) {
    size_t semi = list.find(';', at);
    if (semi == std::string::npos) break;
    std::string entry = list.substr(at, semi - at);
    at = semi + 1;
    size_t eq = entry.find('=');
    if (eq == std::string::npos) continue;
    std::string name = entry.substr(0, eq), source = entry.substr(eq + 1);
    for (int kind = btMasterHeader; kind <= btChild; ++kind) {
      if (!page.Bands[kind]) continue;
      for (TfrBand* b = page.Bands[kind].get(); b; b = b->Next.get()) {
        if (!b->View || !SameTextAscii(b->View->Name, name)) continue;
        ReleaseBandDataset(b->CrossDataSet);
        b->CrossDataSet = nullptr;
        b->PrivateCrossDataSet.reset();
        BandDataset resolved = ResolveBandDataset(report.Owner(), source);
        b->CrossDataSet = resolved.Used;
        b->PrivateCrossDataSet = std::move(resolved.Owned);
      }
    }
  }
}

void BindChildren(TfrPage& page) {
  // Names (ASCII case ignored) to the first object so named, band views to
  // their bands: one lookup per child, whatever the number of bands.
  std::unordered_map<std::string, TfrView*> byName;
  for (auto& obj : page.Objects) byName.try_emplace(AsciiLower(obj->Name), obj.get());
  std::unordered_map<const TfrView*, TfrBand*> bandOf;
  for (auto& first : page.Bands)
    for (TfrBand* b = first.get(); b; b = b->Next.get())
      if (b->View) bandOf.try_emplace(b->View, b);
  for (int kind = btReportTitle; kind <= btChild; ++kind)
    for (TfrBand* b = page.Bands[kind].get(); b; b = b->Next.get()) {
      auto* view = b->View;
      if (!view || view->ChildBand.empty()) continue;
      auto named = byName.find(AsciiLower(view->ChildBand));
      auto band = named == byName.end() ? bandOf.end() : bandOf.find(named->second);
      b->Child = band == bandOf.end() ? nullptr : band->second;
    }
  // A child chain that comes back to a band would print forever. Each band
  // has one child, so one walk down from every band not yet walked finds
  // each cycle, marking the bands it passes: a band marked by the walk in
  // progress closes a cycle, one marked by an earlier walk leads to none.
  // A walk also counts each band's chain length, itself included.
  struct Mark {
    int walk;
    int length;
  };
  std::unordered_map<const TfrBand*, Mark> marks;
  int walk = 0;
  for (int kind = btReportTitle; kind <= btChild; ++kind)
    for (TfrBand* b = page.Bands[kind].get(); b; b = b->Next.get()) {
      if (marks.contains(b)) continue;
      ++walk;
      std::vector<TfrBand*> path;
      int below = 0;
      for (TfrBand* c = b; c; c = c->Child) {
        auto [at, added] = marks.try_emplace(c, Mark{walk, 0});
        if (!added) {
          if (at->second.walk == walk) {
            std::string names;
            for (TfrBand* s : path) names += s->Name + " -> ";
            throw EPrepareError("Child bands form a cycle: " + names + c->Name);
          }
          below = at->second.length;
          break;
        }
        path.push_back(c);
      }
      for (auto it = path.rbegin(); it != path.rend(); ++it) marks[*it].length = ++below;
      if (below > kMaxChildBandChain)
        throw EPrepareError("The child bands below " + b->Name + " chain more than " +
                            std::to_string(kMaxChildBandChain) + " bands");
    }
}

void AttachGroups(TfrPage& page) {
  TfrBand* master = page.Bands[btMasterData].get();
  if (!master->View) return;
  for (TfrBand* g = page.Bands[btGroupHeader].get(); g && g->View; g = g->Next.get()) {
    TfrBand* data = master;
    const std::string& name = g->View->Master;
    if (!name.empty()) {
      TfrView* target = page.FindObject(name);
      data = target ? BandOfView(page, target) : nullptr;
      if (!data || !IsDataBandKind(data->Kind)) continue;
    }
    g->DataBand = data;
    if (!data->FirstGroup) {
      data->FirstGroup = data->LastGroup = g;
    } else {
      data->LastGroup->NextGroup = g;
      g->PrevGroup = data->LastGroup;
      data->LastGroup = g;
    }
  }
}

}  // namespace

// Runs a dialog page's script; a modal result it sets decides cancelling.
void TfrRunContext::RunDialogPage(TfrPage& page) {
  auto* interp = dynamic_cast<TInterpretator*>(Globals().Interpreter.get());
  int modal = 0;
  std::function<void(TfrPage&, int)> saved;
  if (interp) {
    saved = interp->OnModalResult;
    interp->OnModalResult = [&modal, &page, saved](TfrPage& p, int result) {
      if (&p == &page) modal = result;
      else if (saved) saved(p, result);
    };
  }
  try {
    // Compiled in place, as report pages are: the run loop runs the script
    // of an invisible page again (the template is restored after the run).
    Compile(page.Script);
    EngineState().CurView = nullptr;
    if (!page.Script.empty()) RunScript(page.Script);
  } catch (...) {
    if (interp) interp->OnModalResult = saved;
    throw;
  }
  if (interp) interp->OnModalResult = saved;
  if (modal == kModalCancel) State.Cancelled = true;
}

void TfrRunContext::InitRun(TfrPage& page) {
  TfrReport& report = *EngineState().CurReport;
  if (InSecondPass(report) && page.Initialized) {
    if (page.PageType == ptReport) {
      for (auto& obj : page.Objects)
        if (auto* memo = dynamic_cast<TfrMemoView*>(obj.get())) memo->LastPrintedText.clear();
      for (auto& first : page.Bands)
        if (first && first->DataSet) first->DataSet->First();
    }
    return;
  }
  if (page.PageType == ptDialog) {
    EngineState().CurPage = &page;
    for (auto& obj : page.Objects) obj->ParentPage = &page;
    // Headless: the window is never shown, the script decides.
    RunDialogPage(page);
    page.Initialized = true;
    return;
  }
  page.ClearBands();
  for (int kind = 0; kind < kBandKindCount; ++kind)
    page.Bands[kind] = std::make_unique<TfrBand>(static_cast<TfrBandType>(kind), &page);
  BindObjects(page);
  page.PositionCounter = 1;
  page.CrossColumn = 1;
  page.Initialized = true;
}

void TfrRunContext::BindObjects(TfrPage& page) {
  TfrReport& report = *EngineState().CurReport;
  EngineState().CurPage = &page;
  Compile(page.Script);
  for (auto& obj : page.Objects) {
    obj->StreamMode = true;
    if (auto* memo = dynamic_cast<TfrMemoView*>(obj.get()))
      if (!memo->Highlight.Condition.empty())
        memo->Highlight.Condition = SharedParser().ToPostfix(memo->Highlight.Condition);
    if (obj->HasFlag(flHooked)) Globals().HookedObjects.push_back(obj.get());
    obj->Pending = AsBandView(obj.get()) == nullptr;
    obj->Parent = nullptr;
    Compile(obj->Script);
  }
  BindCrossBands(page, report);
  for (int kind = btReportTitle; kind <= btChild; ++kind) {
    if (kind >= btCrossHeader && kind <= btCrossFooter) continue;
    BindKind(page, report, static_cast<TfrBandType>(kind));
  }
  TfrBand& none = *page.Bands[btNone];
  none.Top = 0;
  for (auto& obj : page.Objects)
    if (obj->Pending && !obj->Parent) {
      obj->Parent = &none;
      obj->Pending = false;
      none.Objects.push_back(obj.get());
    }
  LinkHeadersAndFooters(page);
  BindCrossDataSources(page, report);
  BindChildren(page);
  AttachGroups(page);
  if (page.Columns == 0) page.Columns = 1;
  const int64_t cols = page.ColumnCount();
  page.ColumnWidth = SaturateToInt32((int64_t{page.RightLimit()} - page.LeftLimit() - (cols - 1) * page.ColumnGap) / cols);
}

void TfrRunContext::RegisterPageAggregates(TfrPage& page) {
  TfrReport& report = *EngineState().CurReport;
  TfrEngineState& st = EngineState();
  st.CurPage = &page;
  for (auto& obj : page.Objects) {
    obj->BoundDataSet = nullptr;
    obj->DataField.clear();
    const std::string text = obj->Memo.empty() ? std::string() : obj->Memo.front();
    if (obj->Memo.size() != 1 || text.size() <= 2 || text[0] != '[') continue;
    if (dynamic_cast<TfrMemoView*>(obj.get()) && obj->HasFlag(flTextOnly)) continue;
    size_t close = text.rfind(']');
    if (close == std::string::npos || close < 1) continue;
    std::string ref = text.substr(1, close - 1);
    st.CurBand = obj->Parent;
    TClientDataSet* table = report.UseDefaultDataSetName ? DefaultTable() : nullptr;
    std::string field;
    try {
      field = ResolveFieldReference(ref, table);
    } catch (const Exception&) {
      field.clear();
    }
    if (!field.empty() && table) {
      obj->BoundDataSet = table;
      obj->DataField = field;
    }
  }
  st.CurBand = nullptr;
  const TfrVariables* dictVars = report.Dictionary ? &report.Dictionary->Variables : nullptr;
  try {
    for (const TBandTriple& t : kBandTriples) {
      TfrBand* first = page.Bands[t.data].get();
      if (!first || !first->View) continue;
      for (TfrBand* d = first; d; d = d->Next && d->Next->DataSet ? d->Next.get() : nullptr) {
        std::vector<TfrBand*> scanned;
        for (TfrBandType kind : AggregateScanKinds(t.data)) {
          TfrBand* head = page.Bands[kind].get();
          if (!head) continue;
          for (TfrBand* c = head; c; c = c->Child) {
            if (std::find(scanned.begin(), scanned.end(), c) != scanned.end()) break;
            scanned.push_back(c);
          }
          for (TfrBand* b = head->Next.get(); b; b = b->Next.get()) scanned.push_back(b);
        }
        RegisterAggregates(*d, scanned, SharedParser(), dictVars, Globals().Interpreter.get());
      }
    }
    TfrBand& cross = *page.Bands[btCrossData];
    if (cross.View)
      RegisterAggregates(cross, {page.Bands[btCrossFooter].get()}, SharedParser(), dictVars,
                         Globals().Interpreter.get());
  } catch (...) {
    HandleObjectError();
  }
}

void TfrRunContext::EndRun(TfrPage& page) {
  TfrReport& report = *EngineState().CurReport;
  if (InFirstPass() && report.SavedTwoPass) return;
  if (!page.Initialized) return;
  if (page.PageType == ptDialog) {
    for (auto& obj : page.Objects) obj->ParentPage = nullptr;
  } else {
    page.ClearBands();
  }
  page.Initialized = false;
}

void MarkSubReportPages(TfrReport& report) {
  TfrPages& pages = *report.Pages;
  for (int i = 0; i < pages.Count(); ++i) pages[i]->IsSubReportPage = false;
  // page index -> frames on it, each naming the page it prints
  std::vector<std::vector<const TfrSubReportView*>> frames(pages.Count());
  for (int i = 0; i < pages.Count(); ++i) {
    TfrPage& page = *pages[i];
    if (page.PageType != ptReport) continue;
    for (auto& obj : page.Objects) {
      auto* frame = dynamic_cast<const TfrSubReportView*>(obj.get());
      if (!frame) continue;
      TfrPage* target = pages.PageAt(frame->SubPage);
      if (!target)
        throw EPrepareError("Sub-report " + frame->Name + " prints page " +
                            std::to_string(frame->SubPage + 1) + ", which the report does not have");
      if (target->PageType != ptReport)
        throw EPrepareError("Sub-report " + frame->Name + " prints " + target->Name +
                            ", which is a dialog page");
      target->IsSubReportPage = true;
      frames[i].push_back(frame);
    }
  }
  // Depth-first walk: a page reached again on the way down prints itself.
  std::vector<int> state(pages.Count(), 0);  // 0 new, 1 on the path, 2 done
  std::vector<const TfrSubReportView*> path;
  std::function<void(int)> visit = [&](int p) {
    state[p] = 1;
    for (const TfrSubReportView* f : frames[p]) {
      path.push_back(f);
      if (state[f->SubPage] == 1) {
        std::string names;
        for (const TfrSubReportView* s : path) names += (names.empty() ? "" : " -> ") + s->Name;
        throw EPrepareError("Sub-reports print each other: " + names);
      }
      if (state[f->SubPage] == 0) visit(f->SubPage);
      path.pop_back();
    }
    state[p] = 2;
  };
  for (int i = 0; i < pages.Count(); ++i)
    if (state[i] == 0) visit(i);
}

}  // namespace lf
