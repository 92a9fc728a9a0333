// Filling a record table from a JSON array of objects.
#pragma once

#include <string>
#include <string_view>

#include "data/client_dataset.h"
#include "data/json_value.h"

namespace lf {

// Size of a text field made from JSON; a field whose longest value is
// longer gets that length instead, so no value is ever cut.
constexpr int kJsonFieldSize = 100;

// Text of a JSON string in the host code page (fast path for UTF-8 hosts).
std::string JsonTextToHost(std::u16string_view text);

class TJSONDB {
 public:
  // Fills table from array. Fields: the member names of element 0 in
  // enumeration order, kept whole, all ftString, sized kJsonFieldSize or the
  // longest value's byte length (a table that has fields already keeps
  // them). Values come from the JSON values themselves: strings exactly (in
  // the host code page, a zero character ending the text), numbers and
  // literals as the writer spells them, nested arrays and objects as their
  // compact text, JSON null and missing members as null. A member matches
  // its field by exact name, else by name ignoring ASCII case. Members that
  // are no field are ignored. An empty array gives an open table without
  // rows (and without fields unless it had some).
  // Raises the table's errors: "Field name missing", "Duplicate field name
  // '%s'", "No fields defined.  Cannot create dataset", and "Element %d is
  // not an object" for an element that is not an object.
  static void ArrayToTable(const TJsonArray& array, TClientDataSet& table);
};

}  // namespace lf
