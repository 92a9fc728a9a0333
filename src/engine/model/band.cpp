// TfrBand: construction from a band view, chains and release of datasets.
#include "engine/model/band.h"

#include "engine/data/band_dataset.h"
#include "engine/model/band_view.h"
#include "engine/model/view.h"

namespace lf {

TfrBand::TfrBand(TfrBandType kind, TfrPage* page, TfrBandView* view)
    : Page(page), View(view), Kind(kind) {
  if (!view) return;
  view->Parent = this;
  Flags = view->Flags;
  Name = view->Name;
  Left = view->Left;
  Top = view->Top;
  Width = view->Width;
  Height = view->Height;
  Visible = view->Visible;
  Memo = view->Memo;
  Script = view->Script;
  Stretched = (Flags & flStretched) != 0;
  FormNewPage = (Flags & flBandNewPageAfter) != 0;
  PrintIfSubsetEmpty = (Flags & flBandPrintIfSubsetEmpty) != 0;
  Breaked = (Flags & flBandBreaked) != 0;
  PrintChildIfInvisible = (Flags & flBandPrintChildIfInvisible) != 0;
}

TfrBand::~TfrBand() {
  // Unlink iteratively so that a long chain does not recurse once per band.
  std::unique_ptr<TfrBand> rest = std::move(Next);
  while (rest) rest = std::move(rest->Next);
  if (View && View->Parent == this) View->Parent = nullptr;
  // The page keeps its objects beyond the run; none may point at a band gone.
  for (TfrView* view : Objects)
    if (view->Parent == this) view->Parent = nullptr;
  ReleaseBandDataset(DataSet);
  ReleaseBandDataset(CrossDataSet);
  // The private datasets go with the members, after being released here.
}

void TfrBand::AppendToChain(std::unique_ptr<TfrBand> band) {
  TfrBand* last = ChainEnd ? ChainEnd : this;
  while (last->Next) last = last->Next.get();
  band->Prev = last;
  last->Next = std::move(band);
  ChainEnd = last->Next.get();
}

}  // namespace lf
