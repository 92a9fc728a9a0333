// TfrMemoView: defaults of a new text object and its properties by name.
#include "engine/model/memo_view.h"

#include "engine/model/properties.h"

namespace lf {

TfrMemoView::TfrMemoView() {
  TypeCode = 0;
  BaseName = "Memo";
  Flags = flStretched | flWordWrap;
}

void TfrMemoView::Draw(Canvas&) {}

int32_t TfrMemoView::CalcHeight() { return Height; }

int32_t TfrMemoView::MinHeight() { return Height; }

int32_t TfrMemoView::RemainHeight() { return 0; }

void TfrMemoView::DeclareProperties() {
  TfrView::DeclareProperties();
  AddProperty("Font.Name", pkString);
  AddProperty("Font.Size", pkInteger);
  AddProperty("Font.Style", pkInteger);
  AddProperty("Font.Color", pkColor);
  AddProperty("Font", pkFont | pkHasEditor);
  AddProperty("Alignment", pkInteger);
  AddProperty("DisplayFormat", pkString | pkHasEditor);
  AddProperty("Highlight", pkString | pkHasEditor);
  AddProperty("LineSpacing", pkInteger);
  AddProperty("CharSpacing", pkInteger);
  AddProperty("GapX", pkInteger);
  AddProperty("GapY", pkInteger);
  AddProperty("Stretched", pkBoolean);
  AddProperty("WordWrap", pkBoolean);
  AddProperty("WordBreak", pkBoolean);
  AddProperty("AutoWidth", pkBoolean);
  AddProperty("TextOnly", pkBoolean);
  AddProperty("Suppress", pkBoolean);
  AddProperty("HideZeros", pkBoolean);
  AddProperty("Lines.Count", pkInteger | pkReadOnly);
  AddProperty("Underlines", pkBoolean);
  AddProperty("RTLReading", pkBoolean);
}

Variant TfrMemoView::GetProperty(const std::string& name) {
  const std::string n = PropName(name);
  Variant value;
  if (GetFontProperty(Font, n, value)) return value;
  if (n == "ALIGNMENT") return Variant(static_cast<int64_t>(Alignment));
  if (n == "LINESPACING") return Variant(static_cast<int64_t>(LineSpacing));
  if (n == "CHARSPACING") return Variant(static_cast<int64_t>(CharSpacing));
  if (n == "LINES.COUNT") return Variant(static_cast<int64_t>(Memo.size()));
  return TfrStretcheable::GetProperty(n);
}

void TfrMemoView::SetProperty(const std::string& name, const Variant& value) {
  const std::string n = PropName(name);
  if (SetFontProperty(Font, n, value)) return;
  if (n == "ALIGNMENT") Alignment = Int32Of(n, value);
  else if (n == "LINESPACING") LineSpacing = Int32Of(n, value);
  else if (n == "CHARSPACING") CharSpacing = Int32Of(n, value);
  else TfrStretcheable::SetProperty(n, value);
}

void TfrMemoView::CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                             const Variant& p3, Variant& result) {
  const std::string n = PropName(name);
  if (CallLinesMethod(Memo, "LINES", n, p1, p2, p3, result)) return;
  TfrStretcheable::CallMethod(n, p1, p2, p3, result);
}

}  // namespace lf
