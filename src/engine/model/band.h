// TfrBand: the run-time band that preparation builds from a band view (or
// empty, for a kind the page does not use), with its chains, counters,
// aggregates and datasets.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/model/band_kind.h"
#include "engine/model/text_lines.h"
#include "engine/expr/variables.h"
#include "engine/expr/variant.h"

namespace lf {

class TfrBandView;
class TfrDataset;
class TfrPage;
class TfrView;

class TfrBand {
 public:
  // A band of kind on page, built from view (null for an empty band). The
  // band view's Parent points at the band for as long as the band lives.
  TfrBand(TfrBandType kind, TfrPage* page, TfrBandView* view = nullptr);
  // Destroys the rest of the chain, then releases the datasets: each is told
  // that the run has ended and private ones are destroyed.
  ~TfrBand();
  TfrBand(const TfrBand&) = delete;
  TfrBand& operator=(const TfrBand&) = delete;

  // Present: built from a view, or the kind-22 band holding objects.
  bool IsPresent() const { return View != nullptr || (Kind == btNone && !Objects.empty()); }
  // Appends band at the end of this chain (this being its first band) and
  // takes ownership of it.
  void AppendToChain(std::unique_ptr<TfrBand> band);

  // Fields in declared order. Geometry in page units.
  TfrPage* Page;                        // owning page
  TfrBandView* View;                    // source view, or none
  uint16_t Flags = 0;                   // copy of the view's Flags
  std::unique_ptr<TfrBand> Next;        // same kind on the page, by Top; owned
  TfrBand* Prev = nullptr;
  TfrBand* NextGroup = nullptr;         // group headers of one data band
  TfrBand* PrevGroup = nullptr;
  TfrBand* FirstGroup = nullptr;        // data band: its first and last group header
  TfrBand* LastGroup = nullptr;
  TfrBand* Child = nullptr;             // printed after this one
  TfrBand* AggregateSource = nullptr;   // summarizing band: data band holding its aggregates
  int32_t FirstSubReport = 0;           // index in the page's Objects
  int32_t SubReportsBottom = 0;
  bool SubReportsDone = false;
  std::vector<bool> SubReportDone;      // by frame from FirstSubReport
  int32_t LineNo = 1;                   // "LINE#"
  int32_t LineThroughNo = 1;            // "LINETHROUGH#"
  Variant LastGroupValue;
  TfrBand* Header = nullptr;            // data band: header and footer; header or footer:
  TfrBand* Footer = nullptr;            //   its data band; group header: Footer is its
  TfrBand* DataBand = nullptr;          //   group footer
  TfrBand* ChainEnd = nullptr;          // first band of a chain: its last band
  TfrVariables Aggregates;
  int32_t RecordCount = 0;
  bool NoAggregateReset = false;
  int32_t MeasuredHeight = -1;          // -1 before measuring
  int32_t ColumnNo = 1;
  int32_t SavedShift = 0;
  bool KeepCurY = false;
  int32_t WidestRow = 0;
  bool ScriptDone = false;
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  int32_t PrintHeight = 0;
  TfrBandType Kind;
  std::string Name;
  bool PrintIfSubsetEmpty = false;
  bool FormNewPage = false;
  bool Stretched = false;
  bool Breaked = false;
  bool PrintChildIfInvisible = false;
  bool Visible = true;
  std::vector<TfrView*> Objects;        // printed with the band; owned by the page,
                                        // which destroys its bands first
  TfrLines Memo;
  TfrLines Script;
  TfrDataset* DataSet = nullptr;        // iterated: PrivateDataSet or a report dataset
  std::unique_ptr<TfrDataset> PrivateDataSet;       // a counting dataset of the band's own
  TfrDataset* CrossDataSet = nullptr;   // PrivateCrossDataSet or a report dataset
  std::unique_ptr<TfrDataset> PrivateCrossDataSet;
  std::string GroupCondition;           // postfix form
  int32_t PageBreakRequests = 0;
  int32_t ColumnBreakRequests = 0;
};

}  // namespace lf
