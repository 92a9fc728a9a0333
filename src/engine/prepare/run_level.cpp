// BuildPage and RunLevel: the record loops of the three data levels, the
// pending bands of empty subsets, and group changes.
#include <algorithm>
#include <deque>

#include "engine/data/dataset.h"
#include "engine/prepare/preparation.h"
#include "engine/run/globals.h"
#include "engine/script/interpreter.h"

namespace lf {

class TfrRunContext::PendingScope {
 public:
  explicit PendingScope(std::deque<PendingBands>& stack) : stack_(stack) { stack_.emplace_back(); }
  ~PendingScope() { stack_.pop_back(); }
  PendingScope(const PendingScope&) = delete;
  PendingScope& operator=(const PendingScope&) = delete;

 private:
  std::deque<PendingBands>& stack_;
};

void TfrRunContext::PrintPending(TfrPage& page, PendingBands& pending) {
  std::vector<TfrBand*> bands;
  bands.swap(pending.bands);
  for (TfrBand* b : bands)
    if (b) EmitBand(page, b);
}

void TfrRunContext::Record(TfrPage& page, TfrBand* band, int action) {
  if (++RecordedActions > Options.Budgets.RecordedActions)
    throw EPrepareError("The sub-reports record more than " + std::to_string(Options.Budgets.RecordedActions) +
                        " band actions; preparation stopped");
  page.PlayList.push_back({band, action});
}

void TfrRunContext::ClearPlayList(TfrPage& page) {
  RecordedActions -= static_cast<int64_t>(page.PlayList.size());
  page.PlayList.clear();
}

namespace {

bool IsPending(const TfrRunContext::PendingBands& pending, const TfrBand* band) {
  return std::find(pending.bands.begin(), pending.bands.end(), band) != pending.bands.end();
}

// Evaluates a group header's condition for the current record.
Variant GroupValue(TfrBand& header) {
  TfrEngineState& st = EngineState();
  st.CurBand = &header;
  return SharedParser().EvaluatePostfix(header.GroupCondition);
}

}  // namespace

bool TfrRunContext::GroupChanged(TfrBand& header, TfrDataset& dataset) {
  if (dataset.Eof() || header.LastGroupValue.IsEmpty()) return true;
  Variant now;
  try {
    now = GroupValue(header);
  } catch (...) {
    HandleObjectError();
    return false;
  }
  return now.Compare(header.LastGroupValue) != 0;
}

void TfrRunContext::EmitBand(TfrPage& page, TfrBand* band) {
  if (!band) return;
  if (page.RecordMode != 0) {
    Record(page, band, kActionPrint);
    // The group tests of the recording see the group it starts.
    if (band->Kind == btGroupHeader) ResetBandAggregates(*band);
    return;
  }
  PrintBand(*band);
}

void TfrRunContext::BuildPage(TfrPage& page) {
  TfrReport& report = *EngineState().CurReport;
  TfrRunState& rs = State;
  TfrEngineState& st = EngineState();
  TfrBand* master = page.Bands[btMasterData].get();
  if (!report.PrintIfEmpty) {
    bool empty = true;
    if (master && master->DataSet) {
      master->DataSet->First();
      empty = master->DataSet->Eof();
    }
    if (empty) {
      // A sub-report page forms inside another page's output page, which it
      // must leave alone.
      if (rs.Continuing && page.RecordMode == 0) SetOutputPageIndex(OutputPageIndex() + 1);
      return;
    }
  }
  page.NoRepeatHeaders = false;
  const bool printing = page.RecordMode == 0;
  const bool manual = static_cast<bool>(report.OnManualBuild);
  if (printing) {
    st.CurPage = &page;
    st.CurBand = nullptr;
    st.CurView = nullptr;
    if (!page.Script.empty()) {
      try {
        RunScript(page.Script);
      } catch (...) {
        HandleObjectError();
      }
    }
    if (rs.Continuing && rs.SavedCurY == rs.SavedBottomY) {
      rs.Continuing = false;
      rs.FooterDone = false;
      SetOutputPageIndex(OutputPageCount());
    }
    page.BottomY = rs.Continuing && rs.FooterDone ? rs.SavedBottomY : page.BottomLimit();
    page.CurColumn = 0;
    page.ShiftX = page.LeftLimit();
    page.SetFreshUpTo(page.TopLimit());
    if (rs.Continuing) {
      page.CurY = rs.SavedCurY;
    } else {
      AddOutputPage(page);
      page.CurY = page.TopLimit();
      page.SetFreshUpTo(page.CurY);
      EmitBand(page, page.Bands[btOverlay].get());
      EmitBand(page, page.Bands[btNone].get());
    }
    int32_t index = OutputPageIndex();
    if (!manual) EmitBand(page, page.Bands[btReportTitle].get());
    if (index == OutputPageIndex()) {
      TfrBand* header = page.Bands[btPageHeader].get();
      if (header && header->IsPresent() && (header->Flags & flBandOnFirstPage))
        EmitBand(page, header);
      EmitBand(page, page.Bands[btColumnHeader].get());
    }
  }
  if (!manual) {
    PendingScope scope(pending_);
    PendingBands& pending = pending_.back();
    pending.deepest = 1;
    for (int level = 3; level >= 1; --level)
      if (page.Bands[kBandTriples[level - 1].data]->IsPresent()) {
        pending.deepest = level;
        break;
      }
    RunLevel(page, 1);
  }
  if (printing) {
    if (manual) {
      report.OnManualBuild(&page);
    } else {
      page.NoRepeatHeaders = true;
      EmitBand(page, page.Bands[btColumnFooter].get());
      TfrBand& colFooter = *page.Bands[btColumnFooter];
      int32_t savedHeight = colFooter.Height;
      colFooter.Height = 0;
      EmitBand(page, page.Bands[btReportSummary].get());
      colFooter.Height = savedHeight;
      page.NoRepeatHeaders = false;
    }
    rs.SavedCurY = page.CurColumn > 0 ? page.BottomLimit() : page.CurY;
    rs.SavedBottomY = page.BottomY;
    page.CurColumn = 0;
    page.ShiftX = page.LeftLimit();
    int32_t index = OutputPageIndex();
    rs.FooterDone = false;
    int32_t endIndex = index;
    if (!manual) {
      TfrBand& footer = *page.Bands[btPageFooter];
      bool onFirst = (footer.Flags & flBandOnFirstPage) != 0;
      if ((footer.Flags & flBandOnLastPage) || (index == 0 && onFirst)) {
        uint16_t savedFlags = footer.Flags;
        footer.Flags |= flBandOnFirstPage;
        rs.FooterDone = footer.IsPresent();
        if (rs.FooterDone) {
          FinishPages(page);
          endIndex = OutputPageCount();
        }
        footer.Flags = savedFlags;
      }
    }
    if (report.OnEndPage) report.OnEndPage(endIndex);
    SetOutputPageIndex(index + 1);
  }
  page.LastPrintedBand = nullptr;
}

void TfrRunContext::RunLevel(TfrPage& page, int level) {
  TfrReport& report = *EngineState().CurReport;
  PendingBands& pending = pending_.back();
  const TBandTriple& triple = kBandTriples[level - 1];
  const bool recording = page.RecordMode != 0;
  for (TfrBand* band = page.Bands[triple.data].get(); band; band = band->Next.get()) {
    TfrDataset* ds = band->DataSet;
    if (!ds) continue;
    ds->First();
    if (recording) {
      Record(page, band, kActionStart);
    } else {
      ResetCounters(*band, 1);
      band->LineThroughNo = 1;
    }
    for (TfrBand* g = band->FirstGroup; g; g = g->NextGroup) {
      g->LineNo = 0;
      g->LineThroughNo = 0;
    }
    if (ds->Eof()) continue;
    if (band->Header) pending.bands.push_back(band->Header);
    for (TfrBand* g = band->FirstGroup; g; g = g->NextGroup) {
      ++g->LineNo;
      ++g->LineThroughNo;
      pending.bands.push_back(g);
    }
    if (band->Footer) ResetBandAggregates(*band->Footer);
    bool anyPrinted = false;
    while (!ds->Eof() && !report.StopRequested) {
      CountRecord();
      bool printed = true;
      pending.bands.push_back(band);
      if (band->PrintIfSubsetEmpty) PrintPending(page, pending);
      if (level < pending.deepest) {
        RunLevel(page, level + 1);
        if (!pending.bands.empty()) {
          if (band->PrintIfSubsetEmpty) {
            PrintPending(page, pending);
          } else {
            pending.bands.pop_back();
            printed = false;
          }
        }
      } else {
        PrintPending(page, pending);
      }
      ds->Next();
      for (TfrBand* g = band->FirstGroup; g; g = g->NextGroup) {
        if (!GroupChanged(*g, *ds)) continue;
        // A group whose header still waits has printed no record: there is
        // nothing to close, and the header goes out with the next record.
        if (IsPending(pending, g)) break;
        // Footers see the last record of the group.
        const bool steppedBack = !ds->Eof();
        if (steppedBack) ds->Prior();
        for (TfrBand* h = band->LastGroup; h && h != g; h = h->PrevGroup) {
          if (IsPending(pending, h)) {
            // An inner group that never printed: no footer, and not counted.
            std::erase(pending.bands, h);
            --h->LineThroughNo;
          } else {
            pending.bands.push_back(h->Footer);
          }
          ResetCounters(*h, 0);
          if (h->Footer) ResetCounters(*h->Footer, 0);
        }
        pending.bands.push_back(g->Footer);
        PrintPending(page, pending);
        if (ds->Eof()) break;
        if (steppedBack) ds->Next();
        if (g->FormNewPage && g->Visible && !recording) StartNewPage(page);
        for (TfrBand* h = g; h; h = h->NextGroup) {
          ++h->LineNo;
          ++h->LineThroughNo;
          pending.bands.push_back(h);
        }
        band->LineNo = 0;
        break;
      }
      anyPrinted = anyPrinted || printed;
      if (recording) {
        Record(page, band, kActionNext);
      } else if (printed) {
        ++page.PositionCounter;
        ++band->LineThroughNo;
        ++band->LineNo;
        if (!ds->Eof() && band->FormNewPage && band->Visible) StartNewPage(page);
      }
    }
    // Bands still waiting had no record to go with: this band's header and
    // group headers are dropped (the bands of outer levels stay for their
    // own loop), and the footer prints only when nothing was waiting or a
    // record of this band printed.
    const bool waiting = !pending.bands.empty();
    std::erase_if(pending.bands, [band](const TfrBand* b) {
      return b && (b == band->Header || (b->Kind == btGroupHeader && b->DataBand == band));
    });
    if (!waiting || anyPrinted) EmitBand(page, band->Footer);
  }
}

}  // namespace lf
