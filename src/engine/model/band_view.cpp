// TfrBandView: defaults of a new band view.
#include "engine/model/band_view.h"

namespace lf {

TfrBandView::TfrBandView() {
  TypeCode = 2;
  BaseName = "Band";
  Flags = flBandOnFirstPage | flBandOnLastPage;
  Format = 0;
}

void TfrBandView::Draw(Canvas&) {}

}  // namespace lf
