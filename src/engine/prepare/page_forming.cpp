// Page and column breaks: StartNewPage, StartNewColumn with repeated
// headers, FinishPages.
#include "engine/prepare/preparation.h"
#include "engine/run/globals.h"
#include "platform/saturate.h"

namespace lf {

void TfrRunContext::StartNewPage(TfrPage& page) {
  TfrReport& report = *EngineState().CurReport;
  ReportProgress(report, OutputPageIndex() + 1);
  if (!page.NoRepeatHeaders) EmitBand(page, page.Bands[btColumnFooter].get());
  FinishPages(page);
  page.BottomY = page.BottomLimit();
  AddOutputPage(page);
  State.Continuing = false;
  // The head bands print on this page whatever their height: asking for
  // another page would only bring them back.
  page.Freshness = TfrFreshness::HeadBands;
  EmitBand(page, page.Bands[btOverlay].get());
  page.CurY = page.TopLimit();
  EmitBand(page, page.Bands[btPageHeader].get());
  EmitBand(page, page.Bands[btColumnHeader].get());
  page.SetFreshUpTo(page.CurY);
}

void TfrRunContext::StartNewColumn(TfrPage& page, TfrBand* band) {
  if (page.CurColumn < page.ColumnCount() - 1) {
    EmitBand(page, page.Bands[btColumnFooter].get());
    ++page.CurColumn;
    page.ShiftX = SaturateToInt32(int64_t{page.ShiftX} + page.ColumnWidth + page.ColumnGap);
    page.CurY = page.ColumnTopY;
    page.Freshness = TfrFreshness::HeadBands;
    EmitBand(page, page.Bands[btColumnHeader].get());
  } else {
    StartNewPage(page);
  }
  page.Freshness = TfrFreshness::HeadBands;
  for (TfrBand* g = page.Bands[btGroupHeader].get(); g && g != band; g = g->Next.get()) {
    if (!g->View) break;
    g->NoAggregateReset = true;
    if ((g->Flags & flBandRepeatHeader) && !page.NoRepeatHeaders) EmitBand(page, g);
    g->NoAggregateReset = false;
  }
  if (band && IsDataBandKind(band->Kind)) {
    TfrBand* header = band->Header;
    if (header && (header->Flags & flBandRepeatHeader)) EmitBand(page, header);
  }
  page.SetFreshUpTo(page.CurY);
}

void TfrRunContext::FinishPages(TfrPage& page) {
  TfrReport& report = *EngineState().CurReport;
  TfrRunState& rs = State;
  page.CurColumn = 0;
  page.ShiftX = page.LeftLimit();
  TfrBand* footer = page.Bands[btPageFooter].get();
  const bool onFirst = footer && (footer->Flags & flBandOnFirstPage);
  if (OutputPageIndex() > 0 || onFirst) {
    while (OutputPageIndex() < OutputPageCount()) {
      if (!(rs.Continuing && rs.FooterDone)) {
        if (report.OnEndPage) report.OnEndPage(OutputPageIndex());
        EmitBand(page, footer);
      }
      SetOutputPageIndex(OutputPageIndex() + 1);
    }
  }
  SetOutputPageIndex(OutputPageCount());
}

}  // namespace lf
