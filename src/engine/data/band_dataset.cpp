// The datasets bands iterate: resolved from their data source, released at
// the end of a run.
#include "engine/data/band_dataset.h"

#include <memory>

#include "engine/data/component_path.h"
#include "engine/data/dataset_errors.h"
#include "engine/model/band.h"
#include "engine/model/band_view.h"
#include "engine/model/report.h"
#include "platform/code_page.h"

namespace lf {

namespace {

bool Contains(std::string_view text, char c) { return FindText(text, std::string_view(&c, 1)) != std::string_view::npos; }

}  // namespace

TfrDataset* ResolveBandDataset(TComponent* reportOwner, std::string_view name, bool& owned) {
  owned = false;
  if (!name.empty() && name[0] >= '1' && name[0] <= '9') {
    int32_t count = TextToInteger(name);
    auto counter = std::make_unique<TfrUserDataset>();
    counter->RangeEnd = reCount;
    counter->RangeEndCount = count;
    counter->Init();
    owned = true;
    return counter.release();  // released by ReleaseBandDataset
  }
  TComponent* found = FindNamedComponent(reportOwner, name);
  if (!found) return nullptr;
  auto* dataset = dynamic_cast<TfrDataset*>(found);
  if (!dataset) throw EInvalidCast(kInvalidCastMessage);
  dataset->Init();
  return dataset;
}

void ReleaseBandDataset(TfrDataset* dataset, bool owned) {
  if (!dataset) return;
  std::unique_ptr<TfrDataset> holder(owned ? dataset : nullptr);
  try {
    dataset->Exit();
  } catch (const std::exception&) {
    // Releasing happens while bands are torn down; a table that went away
    // in the meantime has nothing left to restore.
  }
}

void ResolveBandDataSource(TfrBand& band, TfrReport& report) {
  TfrDataset* previous = band.DataSet;
  bool ownedPrevious = band.OwnsDataSet;
  band.DataSet = nullptr;
  band.OwnsDataSet = false;
  ReleaseBandDataset(previous, ownedPrevious);
  std::string source = band.View ? band.View->FormatStr : std::string();
  if (Contains(source, ';')) return;
  bool owned = false;
  TfrDataset* dataset = ResolveBandDataset(report.Owner(), source, owned);
  if (!dataset && source.empty() && band.Kind == btMasterData && report.ReportType == rtSimple &&
      report.Dataset) {
    dataset = report.Dataset;
    dataset->Init();
  }
  band.DataSet = dataset;
  band.OwnsDataSet = owned;
}

}  // namespace lf
