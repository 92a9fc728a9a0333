// TfrMemoView: defaults of a new text object.
#include "engine/model/memo_view.h"

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

}  // namespace lf
