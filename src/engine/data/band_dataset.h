// The datasets bands iterate: resolved from their data source, released at
// the end of a run.
#pragma once

#include <memory>
#include <string_view>

#include "engine/data/dataset.h"
#include "platform/component.h"

namespace lf {

class TfrBand;
class TfrReport;

// Records a counting data source ("1000") may count.
inline constexpr int32_t kMaxCountingRecords = 10000000;

// What a band's data source resolves to: the dataset the band iterates and,
// when that one is private to the band, its owner.
struct BandDataset {
  TfrDataset* Used = nullptr;           // Owned's, or a report dataset, or none
  std::unique_ptr<TfrDataset> Owned;
};

// The dataset a band's data source names. A name starting with a digit 1..9
// makes a counting TfrUserDataset with that many records (returned in
// Owned; EConvertError beyond kMaxCountingRecords); otherwise the report dataset of that name found from reportOwner
// (none when not found). Raises EConvertError for a number that is not an
// integer and EInvalidCast for a component that is not a report dataset.
// Init is called on the result.
BandDataset ResolveBandDataset(TComponent* reportOwner, std::string_view name);
// Tells a dataset (or none) that the run has ended.
void ReleaseBandDataset(TfrDataset* dataset);
// Gives band the dataset its view's data source names (releasing the one it
// had): none for an empty text or a list (";", cross data sources are set
// up per band by preparation); a master data band without a data source
// takes report's Dataset when the report is rtSimple.
void ResolveBandDataSource(TfrBand& band, TfrReport& report);

}  // namespace lf
