// The datasets bands iterate: resolved from their data source, released at
// the end of a run.
#pragma once

#include <string_view>

#include "engine/data/dataset.h"
#include "platform/component.h"

namespace lf {

class TfrBand;
class TfrReport;

// The dataset a band's data source names. A name starting with a digit 1..9
// makes a counting TfrUserDataset with that many records (owned is set: the
// caller releases it with ReleaseBandDataset); otherwise the report dataset
// of that name found from reportOwner (none when not found). Raises
// EConvertError for a number that is not an integer and EInvalidCast for a
// component that is not a report dataset. Init is called on the result.
TfrDataset* ResolveBandDataset(TComponent* reportOwner, std::string_view name, bool& owned);
// Tells a dataset that the run has ended and destroys it when owned.
void ReleaseBandDataset(TfrDataset* dataset, bool owned);
// Gives band the dataset its view's data source names (releasing the one it
// had): none for an empty text or a list (";", cross data sources are set
// up per band by preparation); a master data band without a data source
// takes report's Dataset when the report is rtSimple.
void ResolveBandDataSource(TfrBand& band, TfrReport& report);

}  // namespace lf
