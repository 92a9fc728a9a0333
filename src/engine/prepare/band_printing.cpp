// Printing one band: script and break requests, the fit test, measuring,
// placing and stretching, band columns, objects, splits across pages, and
// the band's counters and aggregates.
#include <algorithm>

#include "engine/data/dataset.h"
#include "engine/functions/aggregates.h"
#include "engine/functions/report_values.h"
#include "engine/model/band_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/subreport_view.h"
#include "engine/prepare/preparation.h"
#include "engine/run/globals.h"
#include "engine/script/interpreter.h"
#include "platform/saturate.h"

namespace lf {
namespace {

// Kinds that keep their own Top and take no room from CurY.
bool IsFixedKind(int kind) { return kind == btPageFooter || kind == btOverlay || kind == btNone; }

TfrReport& CurrentReport() { return *EngineState().CurReport; }

// A data band with a dataset followed in its chain by bands without one:
// the chain prints as one record.
bool PrintsAsBlock(const TfrBand& b) {
  return IsDataBandKind(b.Kind) && b.Next && !b.Next->DataSet;
}

int32_t ColumnFooterHeight(const TfrPage& page) {
  const TfrBand* f = page.Bands[btColumnFooter].get();
  return f ? f->Height : 0;
}

// Height of the band's stretchable objects; all includes the cells of
// other bands.
int32_t MeasureObjects(TfrBand& b, bool all) {
  EngineState().CurBand = &b;
  int32_t result = b.Height;
  for (TfrView* o : b.Objects) {
    o->SavedHeight = o->Height;
    auto* s = dynamic_cast<TfrStretcheable*>(o);
    if (!s) continue;
    if (all || o->Parent == &b) {
      EngineState().CurView = o;
      result = std::max(result, o->Top + s->CalcHeight());
    }
    if (all) s->DrawMode = drAll;
  }
  return result;
}

// Keeps the objects' heights while a band stretches them; leaves them alone
// when the report went meanwhile.
class HeightsScope {
 public:
  HeightsScope(TfrBand& b, const TfrRunContext& run) : band_(b), run_(run) {
    for (TfrView* o : b.Objects) heights_.push_back(o->Height);
  }
  ~HeightsScope() {
    if (!run_.ReportAlive()) return;
    for (size_t i = 0; i < heights_.size() && i < band_.Objects.size(); ++i)
      band_.Objects[i]->Height = heights_[i];
  }
  HeightsScope(const HeightsScope&) = delete;
  HeightsScope& operator=(const HeightsScope&) = delete;

 private:
  TfrBand& band_;
  const TfrRunContext& run_;
  std::vector<int32_t> heights_;
};

// Moves an object by (dx, dy) for as long as it prints; leaves it alone
// when the report went meanwhile.
class ShiftScope {
 public:
  ShiftScope(TfrView& v, int32_t dx, int32_t dy, const TfrRunContext& run)
      : v_(v), run_(run), left_(v.Left), top_(v.Top) {
    v_.Left = SaturateToInt32(int64_t{left_} + dx);
    v_.Top = SaturateToInt32(int64_t{top_} + dy);
  }
  ~ShiftScope() {
    if (!run_.ReportAlive()) return;
    v_.Left = left_;
    v_.Top = top_;
  }
  ShiftScope(const ShiftScope&) = delete;
  ShiftScope& operator=(const ShiftScope&) = delete;

 private:
  TfrView& v_;
  const TfrRunContext& run_;
  int32_t left_, top_;
};

}  // namespace

void TfrRunContext::PrintShifted(TfrView& o, int32_t dx, int32_t dy) {
  ShiftScope shift(o, dx, dy, *this);
  PrintOnOutputPage(o, OutputPageIndex());
}

void TfrRunContext::TellHooked(TfrView& printed) {
  if (!dynamic_cast<TfrMemoView*>(&printed)) return;
  for (TfrView* h : Globals().HookedObjects)
    if (h) h->OnHook(&printed);
}

void TfrRunContext::HandleObjectError() {
  try {
    throw;
  } catch (const EPrepareError&) {
    throw;
  } catch (const EOwnerDestroyed&) {
    throw;
  } catch (const std::exception& e) {
    CheckAlive();
    ReportCalculationError(e.what());
  }
}

void TfrRunContext::RunScript(const TfrLines& script) {
  Globals().Interpreter->DoScript(script);
  CheckAlive();
}

void TfrRunContext::ReportCalculationError(const std::string& error) {
  TfrEngineState& st = EngineState();
  TfrReport& report = CurrentReport();
  if (!st.ErrorFlag) st.ErrorText = CalculationErrorMessage(report, st.CurView, error);
  st.ErrorFlag = true;
  report.StopRequested = true;
}

bool HoldsCrossCells(const TfrBand& band) {
  for (const TfrView* v : band.Objects)
    if (v->Parent && v->Parent != &band) return true;
  return false;
}

void TfrRunContext::RunBandScript(TfrBand& b) {
  if (b.Script.empty()) return;
  TfrEngineState& st = EngineState();
  st.CurBand = &b;
  st.CurView = b.View;
  try {
    RunScript(b.Script);
  } catch (...) {
    HandleObjectError();
  }
}

void ResetCounters(TfrBand& band, int32_t value) {
  band.LineNo = value;
  for (TfrView* v : band.Objects)
    if (auto* memo = dynamic_cast<TfrMemoView*>(v)) memo->LastPrintedText.clear();
}

void TfrRunContext::Accumulate(TfrBand& band, int crossColumn) {
  TfrEngineState& st = EngineState();
  st.CurBand = &band;
  try {
    AccumulateAggregates(band, SharedParser(), crossColumn);
  } catch (...) {
    HandleObjectError();
  }
}

void TfrRunContext::ResetBandAggregates(TfrBand& band) {
  EngineState().CurBand = &band;
  try {
    ResetAggregates(band);
  } catch (...) {
    HandleObjectError();
  }
}

bool TfrRunContext::PrintBand(TfrBand& b) {
  TfrPage& page = *b.Page;
  TfrReport& report = CurrentReport();
  TfrEngineState& st = EngineState();
  const bool savedBreaked = b.Breaked;
  st.CurView = b.View;
  st.CurBand = &b;
  b.MeasuredHeight = -1;
  b.PageBreakRequests = 0;
  b.ColumnBreakRequests = 0;
  if (report.OnBeginBand) report.OnBeginBand(&b);

  // A row of band columns left open ends below its height.
  TfrBand* last = page.LastPrintedBand;
  if (last && last != &b && last->IsPresent() && last->ColumnNo > 1) {
    page.ShiftX = last->SavedShift;
    page.CurY = SaturateToInt32(int64_t{page.CurY} + std::max(last->Height, last->MeasuredHeight));
    last->ColumnNo = 1;
  }

  b.KeepCurY = false;
  if (!b.ScriptDone) RunBandScript(b);
  b.ScriptDone = false;
  st.CurBand = &b;
  const int32_t scriptY = page.CurY;
  if (report.StopRequested) return false;

  for (int i = 0; i < b.PageBreakRequests; ++i) {
    page.CurColumn = page.ColumnCount() - 1;
    StartNewColumn(page, &b);
  }
  for (int i = 0; i < b.ColumnBreakRequests; ++i) StartNewColumn(page, &b);
  if (b.KeepCurY) page.CurY = scriptY;

  bool result = false;
  if (b.Visible) {
    if (b.Kind == btColumnHeader) page.ColumnTopY = page.CurY;
    if (b.Kind == btPageFooter) b.Top = page.BottomY;
    if (b.IsPresent()) {
      b.MeasuredHeight = std::max(b.MeasuredHeight, b.Height);
      if (b.Kind != btPageFooter && b.Kind != btOverlay && b.Kind != btColumnFooter &&
          b.Kind != btNone) {
        int32_t h = BandHeight(b);
        if (int64_t{page.CurY} + h > page.BottomY && !b.Breaked) {
          if (!page.IsFresh()) {
            if (page.IsSubReportPage) {
              b.Breaked = savedBreaked;
              return true;
            }
            CheckPageBreak(b, page.CurY, 10000, false);
            result = true;
          }
          // A band that fits on no page prints here, split.
          if (page.IsFresh() && int64_t{page.CurY} + h > page.BottomY) b.Breaked = true;
        }
      }
      b.SubReportsDone = true;
      if (IsDataBandKind(b.Kind) && b.DataSet && PrintsAsBlock(b)) {
        for (TfrBand* c = &b; c; c = c->Next.get())
          if (c->Visible) PutBand(*c);
        result = result || !b.SubReportsDone;
      } else {
        PutBand(b);
        if (b.Child) PrintBand(*b.Child);
        if (!IsDataBandKind(b.Kind) && b.Kind != btGroupHeader && b.FormNewPage) StartNewPage(page);
        result = result || !b.SubReportsDone;
      }
    }
  } else {
    if (b.Child && b.PrintChildIfInvisible) PrintBand(*b.Child);
    if (IsDataBandKind(b.Kind)) Accumulate(b);
  }

  if (!b.NoAggregateReset) {
    if (b.Kind == btPageFooter) {
      if (OutputPageIndex() + 1 == OutputPageCount()) ResetBandAggregates(b);
    } else {
      ResetBandAggregates(b);
    }
  }
  if (report.OnEndBand) report.OnEndBand(&b);
  b.Breaked = savedBreaked;
  return result;
}

int32_t TfrRunContext::BandHeight(TfrBand& b) {
  if (PrintsAsBlock(b)) {
    // The block's height decides where it goes; each band of it keeps its
    // own measured height, which stretches and places it.
    int32_t sum = 0;
    for (TfrBand* c = &b; c; c = c->Next.get()) {
      if (c != &b) c->MeasuredHeight = c->Height;
      sum += MeasureHeight(*c);
    }
    return sum;
  }
  const int32_t result = b.Stretched ? MeasureHeight(b) : b.Height;
  b.MeasuredHeight = std::max(b.MeasuredHeight, result);
  return result;
}

int32_t TfrRunContext::MeasureHeight(TfrBand& b) {
  TfrPage& page = *b.Page;
  TfrReport& report = CurrentReport();
  int32_t result = b.Height;
  TfrBand& cross = *page.Bands[btCrossData];
  TfrDataset* ds = cross.DataSet ? cross.DataSet : b.CrossDataSet;
  try {
    if (HoldsCrossCells(b) && b.Kind != btPageFooter && cross.IsPresent() && ds) {
      page.CrossColumn = 1;
      if (report.OnBeginColumn) report.OnBeginColumn(&b);
      ds->First();
      while (!ds->Eof() && !report.StopRequested) {
        int width = cross.Width;
        if (report.OnPrintColumn) report.OnPrintColumn(page.CrossColumn, width);
        int32_t m = MeasureObjects(b, true);
        b.MeasuredHeight = std::max(b.MeasuredHeight, m);
        result = std::max(result, m);
        ++page.CrossColumn;
        ds->Next();
      }
    } else {
      if (HoldsCrossCells(b) && b.Kind != btPageFooter) {
        page.CrossColumn = 1;
        if (report.OnBeginColumn) report.OnBeginColumn(&b);
      }
      result = MeasureObjects(b, false);
    }
  } catch (...) {
    HandleObjectError();
  }
  b.MeasuredHeight = std::max(b.MeasuredHeight, result);
  return result;
}

bool TfrRunContext::CheckPageBreak(TfrBand& b, int32_t top, int32_t height, bool testOnly) {
  if (b.Kind == btColumnFooter) return false;
  TfrPage& page = *b.Page;
  if (page.BottomY >= int64_t{top} + height + ColumnFooterHeight(page)) return false;
  if (!testOnly) StartNewColumn(page, &b);
  return true;
}

void TfrRunContext::PutBand(TfrBand& b) {
  if (!b.IsPresent()) return;
  TfrPage& page = *b.Page;
  const int32_t savedTop = b.Top;
  const bool fixed = IsFixedKind(b.Kind);
  if (!fixed) b.Top = page.CurY;
  if (b.Stretched) {
    const int32_t a = b.MeasuredHeight >= 0 ? b.MeasuredHeight : b.Height;
    HeightsScope heights(b, *this);
    for (TfrView* o : b.Objects)
      if (dynamic_cast<TfrStretcheable*>(o) && o->HasFlag(flStretched) && o->Height > 0)
        o->Height = a - o->Top;
    b.PrintHeight = a;
    if (!fixed) {
      if (!b.Breaked && !page.IsFresh()) CheckPageBreak(b, b.Top, a, false);
      b.Top = page.CurY;
    }
    bool tookOver = false;
    if (b.Breaked) {
      PrintSplit(b);
    } else {
      tookOver = PrintObjects(b);
      if (HoldsCrossCells(b) && b.Kind != btPageFooter) PrintCrossColumns(b);
      if (!fixed && !tookOver) page.CurY = SaturateToInt32(int64_t{page.CurY} + a);
    }
  } else {
    if (!fixed) {
      if (!b.Breaked && !page.IsFresh()) CheckPageBreak(b, b.Top, b.Height, false);
      b.Top = page.CurY;
    }
    if (b.Breaked) {
      b.PrintHeight = b.MeasuredHeight >= 0 ? b.MeasuredHeight : b.Height;
      PrintSplit(b);
    } else {
      bool tookOver = PrintObjects(b);
      if (HoldsCrossCells(b) && b.Kind != btPageFooter) PrintCrossColumns(b);
      if (!fixed && !tookOver) page.CurY = SaturateToInt32(int64_t{page.CurY} + b.Height);
    }
  }

  if (page.LastPrintedBand != &b) b.ColumnNo = 1;
  page.LastPrintedBand = &b;
  const TfrBandView* view = b.View;
  if (view && view->Columns > 1 && view->NewColumnAfter == 1) {
    if (b.ColumnNo == 1) b.SavedShift = page.ShiftX;
    const int32_t previous = b.ColumnNo;
    ++b.ColumnNo;
    if (b.ColumnNo > view->Columns) {
      page.ShiftX = b.SavedShift;
      b.ColumnNo = 1;
    } else {
      page.ShiftX = SaturateToInt32(int64_t{b.SavedShift} + (int64_t{view->ColumnWidth} + view->ColumnGap) * previous);
      page.CurY = SaturateToInt32(int64_t{page.CurY} - std::max(b.MeasuredHeight, b.Height));
    }
  }
  b.Top = savedTop;
  if (IsDataBandKind(b.Kind)) Accumulate(b);
}

bool TfrRunContext::PrintObjects(TfrBand& b) {
  TfrReport& report = CurrentReport();
  for (size_t i = 0; i < b.Objects.size(); ++i) {
    TfrView* o = b.Objects[i];
    if (dynamic_cast<TfrSubReportView*>(o)) {
      if (!o->Visible) continue;
      StartSubReports(b, static_cast<int>(i));
      return true;
    }
    PrintObject(b, *o);
    if (report.StopRequested) break;
  }
  return false;
}

void TfrRunContext::PrintObject(TfrBand& b, TfrView& o) {
  TfrEngineState& st = EngineState();
  TfrPage& page = *b.Page;
  st.CurPage = &page;
  st.CurBand = &b;
  if (o.Parent != &b) return;
  try {
    if (!(InFirstPass() && !b.Breaked)) {
      st.CurView = &o;
      PrintShifted(o, SaturateToInt32(int64_t{page.ShiftX} - page.LeftLimit()), b.Top);
    } else {
      st.CurView = &o;
      auto* memo = dynamic_cast<TfrMemoView*>(&o);
      if (!(memo && memo->DrawMode != drAll) && !o.Script.empty()) RunScript(o.Script);
      return;
    }
    TellHooked(o);
  } catch (...) {
    HandleObjectError();
  }
}

void TfrRunContext::PrintSplit(TfrBand& b) {
  TfrPage& page = *b.Page;
  TfrReport& report = CurrentReport();
  struct Saved {
    int32_t top, height;
  };
  std::vector<Saved> saved;
  for (TfrView* o : b.Objects) {
    o->Pending = true;
    o->RedrawAtEnd = false;
    saved.push_back({o->Top, o->Height});
    if (o->BandAlign == baBottom) o->Top = b.MeasuredHeight - o->Height;
  }
  // On a fresh page a split text prints at least one line, so that every
  // split ends: a new page would give it no more room.
  auto splitOn = [&page](TfrStretcheable& s) {
    s.DrawMode = drAfterCalcHeight;
    s.AtLeastOneLine = page.IsFresh();
  };
  auto printNow = [&](TfrView& o, int32_t top, int32_t height, bool split) {
    int32_t t = o.Top, h = o.Height;
    o.Top = top;
    o.Height = height;
    if (auto* s = dynamic_cast<TfrStretcheable*>(&o); s && split) splitOn(*s);
    PrintObject(b, o);
    o.Top = t;
    o.Height = h;
  };
  // Moves every object below o that starts within its width down by d.
  auto pushBelow = [&](TfrView& o, int32_t d) {
    for (TfrView* other : b.Objects) {
      if (other == &o || !other->Pending) continue;
      if (other->Top >= o.Top + o.Height && other->Left >= o.Left &&
          other->Left < o.Left + o.Width)
        other->Top += d;
    }
  };

  if (!CheckPageBreak(b, b.Top, b.PrintHeight, true)) {
    PrintObjects(b);
  } else {
    while (!report.StopRequested) {
      bool pending = false;
      for (TfrView* o : b.Objects) pending = pending || o->Pending;
      if (!pending) break;
      const int32_t r = SaturateToInt32(int64_t{page.BottomY} - ColumnFooterHeight(page) - b.Top - 2);
      int32_t bottom = 0;
      bool progressed = false;
      for (TfrView* o : b.Objects) {
        if (!o->Pending) continue;
        const int32_t y = o->Top, h = o->Height;
        auto* s = dynamic_cast<TfrStretcheable*>(o);
        if (y >= 0 && y < r && y + h < r) {
          PrintObject(b, *o);
          o->Pending = false;
          bottom = std::max(bottom, y + h);
          progressed = true;
        } else if (y >= 0 && y < r && s) {
          const int32_t fit = r - y + 1;
          o->Height = fit;
          int32_t rem = 0;
          bool finished = false;
          try {
            rem = s->RemainHeight();
            if (s->MinHeight() < fit || page.IsFresh()) {
              splitOn(*s);
              const bool forced = s->AtLeastOneLine;
              PrintObject(b, *o);
              finished = forced && s->SplitFinished();
              progressed = true;
            }
          } catch (...) {
            HandleObjectError();
          }
          o->Height = h;
          if (finished) {
            o->Pending = false;
          } else {
            pushBelow(*o, rem);
            o->Height = SaturateToInt32(int64_t{o->Height} + rem);
          }
          bottom = std::max(bottom, r);
        } else if (y >= 0 && y < r) {
          if (y == 0 && page.IsFresh()) {
            // Taller than any page: clipped to the room left.
            printNow(*o, 0, std::min(h, r), false);
            o->Pending = false;
            bottom = std::max(bottom, std::min(h, r));
            progressed = true;
          } else {
            o->Top = r;
          }
        } else if (y < 0 && s && y + h >= 0) {
          if (y + h < r) {
            o->Height = y + h;
            o->Top = 0;
            bottom = std::max(bottom, y + h);
            splitOn(*s);
            o->Pending = false;
            if (o->HasFlag(flStretched)) {
              o->RedrawAtEnd = true;
            } else {
              PrintObject(b, *o);
            }
            progressed = true;
          } else {
            const int32_t before = y + h;
            const bool forced = page.IsFresh();
            printNow(*o, 0, r, true);
            int32_t rem = 0;
            try {
              rem = s->RemainHeight();
            } catch (...) {
              HandleObjectError();
            }
            if (forced && s->SplitFinished()) {
              o->Pending = false;
            } else if (rem >= before) {
              // Nothing of it fitted the room: it ends here.
              o->Pending = false;
            } else {
              pushBelow(*o, rem);
              o->Height = SaturateToInt32(int64_t{o->Height} + rem);
            }
            bottom = std::max(bottom, r);
            progressed = true;
          }
        } else if (y < 0) {
          o->Pending = false;  // wholly on earlier pages
        }
      }
      bool anyPending = false;
      for (TfrView* o : b.Objects)
        if (o->Pending) {
          o->Top = SaturateToInt32(int64_t{o->Top} - r);
          anyPending = true;
        }
      // Head bands print on the page they head: what does not fit is cut.
      if (anyPending && page.Freshness == TfrFreshness::HeadBands) {
        for (TfrView* o : b.Objects) o->Pending = false;
        anyPending = false;
      }
      if (anyPending && !progressed && r <= 0 && page.IsFresh()) {
        // No room at all: what is left is dropped rather than paged forever.
        for (TfrView* o : b.Objects) o->Pending = false;
        anyPending = false;
      }
      if (anyPending) {
        CheckPageBreak(b, page.CurY, 10000, false);
        b.Top = page.CurY;
      }
      b.PrintHeight = bottom;
    }
  }
  for (TfrView* o : b.Objects)
    if (o->RedrawAtEnd) {
      o->Height = b.PrintHeight;
      if (auto* s = dynamic_cast<TfrStretcheable*>(o)) s->AtLeastOneLine = page.IsFresh();
      PrintObject(b, *o);
    }
  for (size_t i = 0; i < b.Objects.size() && i < saved.size(); ++i) {
    b.Objects[i]->Top = saved[i].top;
    b.Objects[i]->Height = saved[i].height;
    b.Objects[i]->Pending = false;
  }
  page.CurY = SaturateToInt32(int64_t{page.CurY} + b.PrintHeight);
}

}  // namespace lf
