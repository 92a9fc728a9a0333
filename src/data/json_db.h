// Filling a record table from a JSON array of objects.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/client_dataset.h"
#include "data/json_value.h"

namespace lf {

// Size of a text field made from JSON; a field whose longest value is
// longer gets that length instead, so no value is ever cut.
constexpr int kJsonFieldSize = 100;

// Text of a JSON string in the host code page (fast path for UTF-8 hosts).
std::string JsonTextToHost(std::u16string_view text);

class TJsonTable;

// The rows of a table made from JSON objects one object at a time, so that
// the objects of a long array need not all be held at once; the rules are
// those of TJSONDB::ArrayToTable.
class TJsonRowBuilder {
 public:
  // Fields from the first row.
  TJsonRowBuilder();
  // Takes the fields of table when it has some (opening it), else those of
  // the first row.
  explicit TJsonRowBuilder(TClientDataSet& table);
  ~TJsonRowBuilder();
  TJsonRowBuilder(const TJsonRowBuilder&) = delete;
  TJsonRowBuilder& operator=(const TJsonRowBuilder&) = delete;

  void AddRow(const TJsonTable& object);
  size_t Rows() const { return rows_; }
  // Cells of each row: the table's fields, or the first row's members.
  size_t FieldCount() const { return fieldCount_; }
  // Defines the fields of a table that had none (from the first row, each
  // sized to its longest value), opens it and appends the rows. Raises the
  // table's errors, as ArrayToTable does.
  void Finish(TClientDataSet& table);

 private:
  struct Keys;
  std::unique_ptr<Keys> keys_;
  bool define_;
  bool utf8Host_;
  size_t rows_ = 0;
  size_t fieldCount_ = 0;
  TCellBlock block_;
  std::vector<size_t> longest_;  // bytes, per field
  std::vector<char> matched_;    // per key, for the row being added
};

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
