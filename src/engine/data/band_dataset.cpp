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

BandDataset ResolveBandDataset(TComponent* reportOwner, std::string_view name) {
  BandDataset result;
  if (!name.empty() && name[0] >= '1' && name[0] <= '9') {
    int32_t count = TextToInteger(name);
    if (count > kMaxCountingRecords)
      throw EConvertError("The data source " + std::string(name) + " counts more than " +
                          std::to_string(kMaxCountingRecords) + " records");
    auto counter = std::make_unique<TfrUserDataset>();
    counter->RangeEnd = reCount;
    counter->RangeEndCount = count;
    counter->Init();
    result.Used = counter.get();
    result.Owned = std::move(counter);
    return result;
  }
  TComponent* found = FindNamedComponent(reportOwner, name);
  if (!found) return result;
  auto* dataset = dynamic_cast<TfrDataset*>(found);
  if (!dataset) throw EInvalidCast(kInvalidCastMessage);
  dataset->Init();
  result.Used = dataset;
  return result;
}

void ReleaseBandDataset(TfrDataset* dataset) {
  if (!dataset) return;
  try {
    dataset->Exit();
  } catch (const std::exception&) {
    // Releasing happens while bands are torn down; a table that went away
    // in the meantime has nothing left to restore.
  }
}

void ResolveBandDataSource(TfrBand& band, TfrReport& report) {
  ReleaseBandDataset(band.DataSet);
  band.DataSet = nullptr;
  band.PrivateDataSet.reset();
  std::string source = band.View ? band.View->FormatStr : std::string();
  if (Contains(source, ';')) return;
  BandDataset resolved = ResolveBandDataset(report.Owner(), source);
  if (!resolved.Used && source.empty() && band.Kind == btMasterData && report.ReportType == rtSimple &&
      report.Dataset) {
    resolved.Used = report.Dataset;
    resolved.Used->Init();
  }
  band.DataSet = resolved.Used;
  band.PrivateDataSet = std::move(resolved.Owned);
}

}  // namespace lf
