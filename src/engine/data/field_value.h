// The value a record-table field reads as in expressions.
#pragma once

#include "data/client_dataset.h"
#include "engine/expr/variant.h"

namespace lf {

// A field's value: DisplayText for fields with OnGetText or of ftLargeint,
// else the value read as its type; null reads as "" (ftString,
// ftWideString), false (ftBoolean) or 0. Opens the table when inactive.
Variant FieldValue(TField& field);

}  // namespace lf
