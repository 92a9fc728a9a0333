// Cross-table cells: a horizontal band prints the cells of the vertical cross
// bands column by column, continuing to the right on following output pages.
#include <algorithm>

#include "engine/data/dataset.h"
#include "engine/data/band_dataset.h"
#include "engine/data/field_reference.h"
#include "engine/model/band_view.h"
#include "engine/model/memo_view.h"
#include "engine/prepare/preparation.h"
#include "engine/run/globals.h"
#include "engine/script/interpreter.h"
#include "platform/saturate.h"

namespace lf {

// Moves x to the left limit of the next output page when a column of width
// w does not fit; rowIndex is the output page the row started on.
void TfrRunContext::MakeRoom(TfrPage& page, TfrBand& row, int32_t& x, int32_t w, int32_t rowIndex) {
  if (int64_t{page.RightLimit()} >= int64_t{x} + w) return;
  TfrReport& report = *EngineState().CurReport;
  x = page.LeftLimit();
  SetOutputPageIndex(OutputPageIndex() + 1);
  if (OutputPageIndex() >= OutputPageCount()) {
    AddOutputPage(page);
    EmitBand(page, page.Bands[btOverlay].get());
    TfrBand* header = page.Bands[btPageHeader].get();
    if (header && (rowIndex != 0 || (header->Flags & flBandOnFirstPage))) {
      const int32_t y = page.CurY;
      page.CurY = page.TopLimit();
      EmitBand(page, header);
      page.CurY = y;
    }
    ReportProgress(report, OutputPageIndex() + 1);
  }
  TfrBand& crossHeader = *page.Bands[btCrossHeader];
  if (crossHeader.IsPresent() && (crossHeader.Flags & flBandRepeatHeader)) {
    PrintCrossCell(crossHeader, row, page.LeftLimit());
    x = page.LeftLimit() + crossHeader.Width;
  }
}

void TfrRunContext::PrintCrossColumns(TfrBand& b) {
  TfrPage& page = *b.Page;
  TfrReport& report = *EngineState().CurReport;
  TfrEngineState& st = EngineState();
  page.CrossColumn = 1;
  int32_t x = 0;
  const int32_t index = OutputPageIndex();
  if (report.OnBeginColumn) report.OnBeginColumn(&b);
  TfrBand& header = *page.Bands[btCrossHeader];
  TfrBand& data = *page.Bands[btCrossData];
  TfrBand& footer = *page.Bands[btCrossFooter];
  if (header.IsPresent()) {
    RunBandScript(header);
    PrintCrossCell(header, b, header.Left);
    x = header.Left + header.Width;
  }
  if (data.IsPresent()) {
    if (x == 0) x = data.Left;
    TfrDataset* ds = data.DataSet ? data.DataSet : b.CrossDataSet;
    BandDataset counting;  // columns beyond the data: the widest row's count
    if (ds) {
      ds->First();
      if (b.Kind == btMasterFooter && ds->Eof() && data.WidestRow > 0) {
        counting = ResolveBandDataset(nullptr, std::to_string(data.WidestRow));
        ds = counting.Used;
        if (ds) ds->First();
      }
    }
    try {
      while (ds && !ds->Eof() && !report.StopRequested) {
        st.CurView = data.View;
        int width = data.Width;
        if (report.OnPrintColumn) report.OnPrintColumn(page.CrossColumn, width);
        data.Width = width;
        RunBandScript(data);
        MakeRoom(page, b, x, data.Width, index);
        PrintCrossCell(data, b, x);
        Accumulate(data);
        if (IsDataBandKind(b.Kind)) Accumulate(b, page.CrossColumn);
        x = SaturateToInt32(int64_t{x} + data.Width);
        ++page.CrossColumn;
        ds->Next();
      }
      if (ds) data.WidestRow = std::max(data.WidestRow, ds->RecordNo);
    } catch (...) {
      ReleaseBandDataset(counting.Used);
      throw;
    }
    ReleaseBandDataset(counting.Used);
  }
  if (footer.IsPresent()) {
    if (x == 0) x = footer.Left;
    RunBandScript(footer);
    MakeRoom(page, b, x, footer.Width, index);
    PrintCrossCell(footer, b, x);
    ResetBandAggregates(footer);
  }
  SetOutputPageIndex(index);
}

void TfrRunContext::PrintCrossCell(TfrBand& c, TfrBand& b, int32_t x) {
  TfrEngineState& st = EngineState();
  st.CurBand = &c;
  c.LineNo = b.LineNo;
  c.LineThroughNo = b.LineThroughNo;
  if (c.Kind == btCrossData) c.AggregateSource = &b;
  for (TfrView* o : c.Objects) {
    if (std::find(b.Objects.begin(), b.Objects.end(), o) == b.Objects.end()) continue;
    st.CurView = o;
    try {
      if (InFirstPass()) {
        if (!o->Script.empty()) RunScript(o->Script);
        continue;
      }
      PrintShifted(*o, x, b.Top);
      o->Parent = &c;
      TellHooked(*o);
    } catch (...) {
      HandleObjectError();
      return;
    }
  }
}

}  // namespace lf
