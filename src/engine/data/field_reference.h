// Finding datasets, record tables and fields by name: band data sources,
// component paths with dots, field references such as cds0."na.me", the
// default table of bare field names, field values, and the names the
// report dictionary knows (with its lookup cache).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "data/client_dataset.h"
#include "engine/data/dataset.h"
#include "engine/model/text_lines.h"
#include "engine/expr/variant.h"
#include "platform/component.h"
#include "platform/stream.h"

namespace lf {

class TfrBand;
class TfrDataDictionary;
class TfrReport;

// Bytes a reference part keeps (longer parts are cut at a character boundary).
inline constexpr size_t kMaxReferencePart = 255;
// Dots a field reference may hold: table, container.table, container.member.table.
inline constexpr int kMaxReferenceDots = 3;
// Dictionary variables evaluating one another at once; deeper (a variable
// that refers to itself) is an error.
inline constexpr int kMaxNameNesting = 32;

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

// owner's member (no dot), or a top-level container's member ("form.table")
// or member of a member ("form.module.table"); null when missing. Lookup
// errors become EClassNotFound "Missing NAME".
TComponent* FindNamedComponent(TComponent* owner, std::string_view name);

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

// A field's value: DisplayText for fields with OnGetText or of ftLargeint,
// else the value read as its type; null reads as "" (ftString,
// ftWideString), false (ftBoolean) or 0. Opens the table when inactive.
Variant FieldValue(TField& field);

// The text before and after the last "." outside double quotes, the latter
// unquoted; both empty without such a dot.
void SplitReference(std::string_view text, std::string& datasetPart, std::string& fieldPart);
// A part unquoted: longer than two characters with a double quote at both ends.
std::string UnquoteReferencePart(std::string_view part);

// The alias list entry whose alias text equals part (case ignored) gives its
// name; else part.
std::string DatasetAliasToName(const TfrDataDictionary& dictionary, std::string_view part);
// The first alias entry whose alias text equals fieldPart and whose name
// begins with datasetPart gives the field part of its name; else fieldPart.
std::string FieldAliasToName(const TfrDataDictionary& dictionary, std::string_view datasetPart,
                             std::string_view fieldPart);

// Whether report's dictionary knows name as a variable or a field; names
// resolved to fields are kept in the dictionary's lookup cache.
bool IsKnownName(TfrReport& report, const std::string& name);
// The value of a dictionary name (Null when it knows none).
Variant NameValue(TfrReport& report, const std::string& name);

// Large-object fields (ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle,
// ftDBaseOle, ftTypedBinary, ftOraBlob); false for null.
bool IsLargeObjectField(const TField* field);
// The field's content as lines, or written into a stream that is then
// rewound to position 0.
void CopyLargeObject(const TField& field, TfrLines& target);
void CopyLargeObject(const TField& field, TStream& target);

}  // namespace lf
