// The value a record-table field reads as in expressions.
#include "engine/data/field_value.h"

#include "engine/expr/variant.h"

namespace lf {

Variant FieldValue(TField& field) {
  TClientDataSet& table = field.DataSet();
  if (!table.Active()) table.Open();
  TFieldType type = field.DataType();
  if (field.OnGetText || type == ftLargeint) return Variant(field.DisplayText());
  if (field.IsNull()) {
    if (type == ftString || type == ftWideString) return Variant(std::string());
    if (type == ftBoolean) return Variant(false);
    return Variant(0);
  }
  // Stored values are texts; numbers, booleans and dates read as their kind.
  std::string text = field.AsString();
  try {
    switch (type) {
      case ftSmallint: case ftInteger: case ftWord: case ftAutoInc:
        return Variant(Variant(text).AsInteger());
      case ftFloat: case ftBCD: case ftFMTBcd: return Variant(TextToDouble(text));
      case ftCurrency: return Variant::Currency(TextToDouble(text));
      case ftBoolean: return Variant(Variant(text).AsBoolean());
      case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
        return Variant::DateTime(Variant(text).AsDateTime());
      default: break;
    }
  } catch (const std::exception&) {
    // A stored text that does not read as its type is passed on as text.
  }
  return Variant(std::move(text));
}

}  // namespace lf
