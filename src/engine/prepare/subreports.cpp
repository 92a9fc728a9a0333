// Sub-report frames: their pages formed in record mode, then replayed
// beside one another inside the band, across pages when they need to.
#include <algorithm>

#include "engine/data/dataset.h"
#include "engine/model/subreport_view.h"
#include "engine/prepare/preparation.h"
#include "engine/run/globals.h"
#include "platform/saturate.h"

namespace lf {

class TfrRunContext::DepthScope {
 public:
  explicit DepthScope(TfrRunState& state) : state_(state) { ++state_.SubReportDepth; }
  ~DepthScope() { --state_.SubReportDepth; }
  DepthScope(const DepthScope&) = delete;
  DepthScope& operator=(const DepthScope&) = delete;

 private:
  TfrRunState& state_;
};

namespace {

// The frames of band from FirstSubReport on, by position in its objects.
std::vector<TfrSubReportView*> Frames(TfrBand& band) {
  std::vector<TfrSubReportView*> frames;
  for (size_t i = static_cast<size_t>(band.FirstSubReport); i < band.Objects.size(); ++i)
    if (auto* f = dynamic_cast<TfrSubReportView*>(band.Objects[i])) frames.push_back(f);
  return frames;
}

TfrPage* SubPageOf(const TfrSubReportView& frame) {
  return EngineState().CurReport->Pages->PageAt(frame.SubPage);
}

}  // namespace

void TfrRunContext::RunSubReportRounds(TfrBand& band, bool afterNewPage) {
  TfrPage& page = *band.Page;
  TfrReport& report = *EngineState().CurReport;
  std::vector<TfrSubReportView*> frames = Frames(band);
  if (band.SubReportDone.size() < frames.size()) band.SubReportDone.resize(frames.size(), false);
  bool newPage = afterNewPage;
  while (true) {
    if (newPage)
      for (TfrSubReportView* f : frames)
        if (TfrPage* sub = SubPageOf(*f); sub && f->Visible) {
          sub->CurY = page.CurY;
          sub->BottomY = page.BottomY;
          sub->SetFreshUpTo(sub->CurY);
        }
    band.SubReportsDone = true;
    band.SubReportsBottom = page.CurY;
    for (size_t i = 0; i < frames.size(); ++i) {
      TfrSubReportView* f = frames[i];
      TfrPage* sub = SubPageOf(*f);
      if (band.SubReportDone[i] || !f->Visible || !sub) continue;
      if (ReplayBands(*sub)) {
        band.SubReportsDone = false;
      } else {
        band.SubReportDone[i] = true;
        band.SubReportsBottom = std::max(band.SubReportsBottom, sub->CurY);
      }
    }
    if (!band.SubReportsDone) {
      if (page.IsSubReportPage) {
        page.SuspendedBand = &band;
        return;
      }
      // The band that asked for room has run its script already.
      if (TfrBand* current = EngineState().CurBand) current->ScriptDone = true;
      StartNewPage(page);
      newPage = true;
    }
    if (band.SubReportsDone || report.StopRequested) break;
  }
  for (TfrSubReportView* f : frames)
    if (TfrPage* sub = SubPageOf(*f)) ClearPlayList(*sub);
  page.CurY = SaturateToInt32(int64_t{page.CurY} + std::max<int64_t>(band.MeasuredHeight, int64_t{band.SubReportsBottom} - page.CurY));
  page.SuspendedBand = nullptr;
}

void TfrRunContext::StartSubReports(TfrBand& band, int frameIndex) {
  TfrPage& page = *band.Page;
  TfrEngineState& st = EngineState();
  if (State.SubReportDepth >= kMaxSubReportDepth)
    throw EPrepareError("Sub-report " + band.Objects[frameIndex]->Name + " is nested more than " +
                        std::to_string(kMaxSubReportDepth) + " levels deep");
  DepthScope depth(State);
  band.FirstSubReport = frameIndex;
  int32_t a = page.CurY + band.Height;
  if (a < 1) a = 0;
  const int32_t index = OutputPageIndex();
  std::vector<TfrSubReportView*> frames = Frames(band);
  band.SubReportDone.assign(frames.size(), false);
  for (TfrSubReportView* f : frames) {
    TfrPage* sub = SubPageOf(*f);
    if (!f->Visible || !sub) continue;
    TfrBand* savedBand = st.CurBand;
    sub->RecordMode = 1;
    ClearPlayList(*sub);
    BuildPage(*sub);
    st.CurPage = &page;
    st.CurBand = savedBand;
    sub->CurY = f->Top + band.Top;
    sub->BottomY = page.BottomY;
    sub->ShiftX = page.ShiftX + f->Left;
    sub->SheetCoordinates = page.SheetCoordinates;
    sub->Margins = page.Margins;
    sub->Columns = 1;
    sub->PlayPosition = 0;
    sub->SuspendedBand = nullptr;
    // Not fresh until the parent has started a page for it.
    sub->Freshness = TfrFreshness::NotStarted;
  }
  page.SuspendedBand = nullptr;
  RunSubReportRounds(band, false);
  if (OutputPageIndex() == index) page.CurY = std::max(page.CurY, a);
}

void TfrRunContext::RunSubReports(TfrBand& band) { RunSubReportRounds(band, true); }

bool TfrRunContext::ReplayBands(TfrPage& sub) {
  TfrEngineState& st = EngineState();
  while (sub.PlayPosition < static_cast<int32_t>(sub.PlayList.size())) {
    TfrPlayEntry entry = sub.PlayList[static_cast<size_t>(sub.PlayPosition)];
    TfrBand* band = entry.Band;
    st.CurPage = &sub;
    switch (entry.Action) {
      case kActionStart:
        if (band->DataSet) band->DataSet->First();
        ResetCounters(*band, 1);
        break;
      case kActionNext:
        CountRecord();
        if (band->DataSet) band->DataSet->Next();
        ++sub.PositionCounter;
        ++band->LineThroughNo;
        ++band->LineNo;
        break;
      case kActionPrint:
      default:
        if (sub.SuspendedBand) {
          RunSubReports(*sub.SuspendedBand);
          if (sub.SuspendedBand) return true;
        } else if (PrintBand(*band)) {
          return true;
        }
        break;
    }
    ++sub.PlayPosition;
  }
  return false;
}

}  // namespace lf
