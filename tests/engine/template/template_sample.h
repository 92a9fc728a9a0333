// A report with every kind of record and non-default values in its
// fields, shared by the template format and text form tests.
#pragma once

#include <memory>

#include "engine/model/band_view.h"
#include "engine/model/line_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/picture_view.h"
#include "engine/model/report.h"
#include "engine/model/subreport_view.h"

namespace lf {

inline std::unique_ptr<TfrReport> SampleReport() {
  auto r = std::make_unique<TfrReport>();
  r->TwoPass = true;
  TfrPage* p1 = r->Pages->Add();
  p1->Margins = {10, 20, 30, 40};
  p1->Columns = 2;
  p1->ColumnGap = 15;
  p1->PrintToPrevPage = true;
  p1->SheetCoordinates = false;
  p1->Script = {"begin", "end"};
  p1->ChangePaper(256, 1000, 1500, -1, true);
  TfrPage* p2 = r->Pages->Add();
  p2->PageType = ptDialog;
  p2->Name = "Dialog1";
  p2->Caption = "Параметры";
  p2->BorderStyle = bsSizeable;
  p2->Color = 0xFF00000F;
  p2->Left = 1;
  p2->Top = 2;
  p2->Width = 3;
  p2->Height = 4;
  p2->Position = poDesigned;

  auto band = std::make_unique<TfrBandView>();
  band->Name = "MasterData1";
  band->SetBandType(btMasterData);
  band->FormatStr = "frdataset0";
  band->SetBounds(0, 100, 700, 20);
  band->Columns = 3;
  band->ChildBand = "Child1";
  p1->AddObject(std::move(band));
  auto memo = std::make_unique<TfrMemoView>();
  memo->Name = "Memo1";
  memo->SetBounds(10, 100, 200, 18);
  memo->Memo = {"[cds0.\"unit price\"]", "小计"};
  memo->Font = {"SimSun", 12, fsBold, 0xFF, 134};
  memo->FrameWidth = 0.5f;
  memo->Highlight.Condition = "Value < 0";
  p1->AddObject(std::move(memo));
  auto pic = std::make_unique<TfrPictureView>();
  pic->Name = "Picture1";
  pic->Picture = {TfrGraphicKind::JPEG, std::string("\xFF\xD8\xFF\xD9", 4)};
  pic->BlobType = btJPG;
  p1->AddObject(std::move(pic));
  auto sub = std::make_unique<TfrSubReportView>();
  sub->Name = "SubReport1";
  sub->SubPage = 1;
  p1->AddObject(std::move(sub));
  auto line = std::make_unique<TfrLineView>();
  line->Name = "Line1";
  p2->AddObject(std::move(line));

  r->Dictionary->Variables.Assign(" Totals", Variant(std::string()));
  r->Dictionary->Variables.Assign("Net", Variant(std::string("[cds0.Amount] / 1.2")));
  r->Dictionary->FieldAliases.Assign("Customer", Variant(std::string("cds0.Name")));
  r->Dictionary->BandDataSources.Assign("frdataset0", Variant(std::string("frdataset0")));
  r->ReportComment = "comment";
  r->ReportName = "Invoice";
  r->ReportAutor = "Ольга";
  r->ReportVersionMajor = "1";
  r->ReportVersionMinor = "2";
  r->ReportVersionRelease = "3";
  r->ReportVersionBuild = "4";
  r->Password = "pw";
  r->ReportCreateDate = 45000.25;
  r->ReportLastChange = 46000.5;
  return r;
}

}  // namespace lf
