// TfrBandView: defaults of a new band view and its properties and methods by name.
#include "engine/model/band_view.h"

#include "engine/data/band_dataset.h"
#include "engine/data/dataset.h"
#include "engine/model/band.h"
#include "engine/model/page.h"
#include "engine/model/properties.h"
#include "engine/model/report.h"
#include "engine/run/globals.h"

namespace lf {

TfrBandView::TfrBandView() {
  TypeCode = 2;
  BaseName = "Band";
  Flags = flBandOnFirstPage | flBandOnLastPage;
  Format = 0;
}

void TfrBandView::Draw(Canvas&) {}

namespace {

// Kinds each band-view property is declared for.
bool KindIn(int kind, std::initializer_list<int> kinds) {
  for (int k : kinds)
    if (k == kind) return true;
  return false;
}

}  // namespace

void TfrBandView::DeclareProperties() {
  const int k = FrameTyp;
  declaredKind_ = k;
  DeclareBaseProperties();
  AddProperty("OnBeforePrint", pkScript | pkHasEditor);
  if (k != btPageFooter) {
    AddProperty("ChildBand", pkString);
    AddProperty("PrintChildIfInvisible", pkBoolean);
  }
  if (KindIn(k, {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 18, 21}))
    AddProperty("Stretched", pkBoolean);
  if (KindIn(k, {0, 1, 5, 6, 8, 9, 11, 12, 16})) AddProperty("FormNewPage", pkBoolean);
  if (KindIn(k, {5, 8})) AddProperty("PrintIfSubsetEmpty", pkBoolean);
  if (KindIn(k, {0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 21}))
    AddProperty("Breaked", pkBoolean);
  if (KindIn(k, {2, 3})) AddProperty("OnFirstPage", pkBoolean);
  if (k == btPageFooter) AddProperty("OnLastPage", pkBoolean);
  if (KindIn(k, {4, 7, 10, 16, 18})) AddProperty("RepeatHeader", pkBoolean);
  if (KindIn(k, {5, 8, 11, 19})) AddProperty("DataSource", pkString | pkHasEditor);
  if (KindIn(k, {5, 8, 11})) {
    AddProperty("Columns", pkInteger);
    AddProperty("ColumnWidth", pkInteger);
    AddProperty("ColumnGap", pkInteger);
  }
  if (k == btGroupHeader) {
    AddProperty("Condition", pkString | pkHasEditor);
    AddProperty("Master", pkString);
  }
  AddProperty("NewColumnAfter", pkInteger);
  AddProperty("EOF", pkBoolean | pkReadOnly);
}

Variant TfrBandView::GetProperty(const std::string& name) {
  const std::string n = PropName(name);
  if (!HasProperty(n)) return Variant::Null();
  // While the page is prepared the run-time band holds the live geometry.
  if (TfrBand* band = Parent) {
    if (n == "LEFT") return Variant(static_cast<int64_t>(band->Left));
    if (n == "TOP") return Variant(static_cast<int64_t>(band->Top));
    if (n == "WIDTH") return Variant(static_cast<int64_t>(band->Width));
    if (n == "HEIGHT") return Variant(static_cast<int64_t>(band->Height));
    if (n == "VISIBLE") return Variant(band->Visible);
  }
  if (n == "CHILDBAND") return Variant(ChildBand);
  if (n == "MASTER") return Variant(Master);
  if (n == "DATASOURCE" || n == "CONDITION") return Variant(FormatStr);
  if (n == "COLUMNS") return Variant(static_cast<int64_t>(Columns));
  if (n == "COLUMNWIDTH") return Variant(static_cast<int64_t>(ColumnWidth));
  if (n == "COLUMNGAP") return Variant(static_cast<int64_t>(ColumnGap));
  if (n == "NEWCOLUMNAFTER") return Variant(static_cast<int64_t>(NewColumnAfter));
  if (n == "ONBEFOREPRINT") return Variant(JoinLines(Script));
  if (n == "EOF") {
    TfrBand* band = Parent;
    if (!band || !band->DataSet) return Variant(true);
    return Variant(band->DataSet->Eof());
  }
  return TfrView::GetProperty(n);
}

void TfrBandView::SetProperty(const std::string& name, const Variant& value) {
  const std::string n = PropName(name);
  if (!HasProperty(n) || n == "EOF") return;
  if (n == "CHILDBAND") ChildBand = value.AsText();
  else if (n == "MASTER") Master = value.AsText();
  else if (n == "DATASOURCE" || n == "CONDITION") FormatStr = value.AsText();
  else if (n == "COLUMNS") Columns = Int32Of(n, value);
  else if (n == "COLUMNWIDTH") ColumnWidth = Int32Of(n, value);
  else if (n == "COLUMNGAP") ColumnGap = Int32Of(n, value);
  else if (n == "NEWCOLUMNAFTER") NewColumnAfter = Int32Of(n, value);
  else if (n == "ONBEFOREPRINT") Script = SplitLines(value.AsText());
  else TfrView::SetProperty(n, value);

  TfrBand* band = Parent;
  if (!band) return;
  // While the page is prepared the run-time band follows the view.
  if (n == "LEFT") band->Left = Left;
  else if (n == "TOP") band->Top = Top;
  else if (n == "WIDTH") band->Width = Width;
  else if (n == "HEIGHT") band->Height = Height;
  else if (n == "VISIBLE") band->Visible = Visible;
  else if (n == "BREAKED") band->Breaked = HasFlag(flBandBreaked);
  else if (n == "CONDITION") band->GroupCondition = SharedParser().ToPostfix(FormatStr);
  else if (n == "DATASOURCE") {
    if (TfrReport* report = EngineState().CurReport) ResolveBandDataSource(*band, *report);
  } else if (n == "CHILDBAND") {
    band->Child = nullptr;
    if (band->Page)
      if (auto* child = dynamic_cast<TfrBandView*>(band->Page->FindObject(ChildBand)))
        band->Child = child->Parent;
  }
}

void TfrBandView::CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                             const Variant& p3, Variant& result) {
  const std::string n = PropName(name);
  int step = 2;
  if (n == "FIRST") step = 0;
  else if (n == "NEXT") step = 1;
  else if (n == "PRIOR") step = -1;
  if (step != 2) {
    TfrBand* band = Parent;
    if (!band || !band->DataSet) return;
    if (step == 0) band->DataSet->First();
    else if (step > 0) band->DataSet->Next();
    else band->DataSet->Prior();
    return;
  }
  TfrView::CallMethod(n, p1, p2, p3, result);
}

}  // namespace lf
