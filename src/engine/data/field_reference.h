// Field references such as cds0."na.me": finding the table and field they
// name, and the default table bare field names read from.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "data/client_dataset.h"
#include "platform/component.h"

namespace lf {

// Bytes a reference part keeps (longer parts are cut at a character boundary).
inline constexpr size_t kMaxReferencePart = 255;
// Dots a field reference may hold: table, container.table, container.member.table.
inline constexpr int kMaxReferenceDots = 3;
// The table bare field names refer to, for the current report, page and band
// of the engine: the dataset of the page's data band the current band belongs
// to, else the report's Dataset; null unless it is a TfrDBDataSet.
TClientDataSet* DefaultTable();

// The field a reference names, or empty text. table comes in as the default
// table (used without a dot) and goes out as the table the reference named
// (null for a component that is no record table). Tables are found from
// reportOwner.
std::string ResolveFieldReference(TComponent* reportOwner, std::string_view text,
                                  TClientDataSet*& table);
// The same with the current report's owner.
std::string ResolveFieldReference(std::string_view text, TClientDataSet*& table);

// The text before and after the last "." outside double quotes, the latter
// unquoted; both empty without such a dot.
void SplitReference(std::string_view text, std::string& datasetPart, std::string& fieldPart);
// A part unquoted: longer than two characters with a double quote at both ends.
std::string UnquoteReferencePart(std::string_view part);

}  // namespace lf
