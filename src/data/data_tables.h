// Data text to record tables: reads the top-level JSON arrays of a data text
// one after another and builds the tables cds0, cds1, ... from them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/client_dataset.h"
#include "data/json_parser.h"
#include "data/json_value.h"
#include "platform/component.h"

namespace lf {

// Most tables one data text may hold.
constexpr size_t kMaxDataTables = 1000;
// Most cells (rows x fields, over all tables) one data text may fill: a row
// "{}" of a table with many fields costs a cell for each field, so without
// a bound a small text could ask for gigabytes. 2^25 cells take 512 MiB.
constexpr size_t kMaxDataCells = size_t{1} << 25;

// A data text that does not read as tables. The message names the table
// number (as in cds<N>) and the byte offset in the data text:
// "data table 2 at byte 1873: element 3 is not an object".
class EDataTextError : public Exception {
 public:
  using Exception::Exception;
};

class TJsonTable;

// Receives the objects of a table while its array is read (see
// TDataTextReader::Next).
class TTableRows {
 public:
  virtual ~TTableRows() = default;
  virtual void Row(const TJsonTable& object) = 0;
  // The array is read again from its start: the rows so far are void.
  virtual void Restart() = 0;
};

// Reads the tables of a data text (bytes in the host code page):
//   data := ws { table [ ws "," ] ws } [ other ]
//   table := a JSON array of objects, read whole by the JSON parser
// Only whitespace and comments may stand before and between the arrays,
// and at most one comma between two arrays. A text that is one array whose
// elements are all arrays gives one table per element. Other text after an
// array ends the tables unless it holds a further "[" (then it is an
// error, so that no table is dropped silently). A text without any "[" has
// no tables. A UTF-8 byte-order mark in front of the text is skipped when
// the host code page is UTF-8. More than kMaxDataTables tables is an error.
class TDataTextReader {
 public:
  // The text must outlive the reader.
  explicit TDataTextReader(std::string_view text);

  // Reads the next table; false when there are no more. Raises EDataTextError.
  // With rows, the leading objects of an array read from the text go to
  // rows as they are read instead of into array (which then holds only
  // what follows them, and is empty when the table is well formed); the
  // tables of an enclosing array come whole in array.
  bool Next(IJsonValue& array, TTableRows* rows = nullptr);
  // Byte offset of the table last read.
  size_t TableOffset() const { return tableOffset_; }
  // Number of the table last read.
  size_t TableNumber() const { return tableNumber_; }

 private:
  [[noreturn]] void Fail(size_t table, size_t unitOffset, const std::string& what) const;
  size_t ByteOffset(size_t unitOffset) const;
  uint32_t Unit(size_t i) const;
  size_t Units() const;
  size_t SkipSpace(size_t i, bool* badSlash) const;
  bool HoldsBracket(size_t from) const;
  IJsonValue Parse(size_t from, TJsonParseInfo& info) const;
  void CheckObjects(const IJsonValue& array, size_t table, size_t unitOffset) const;
  [[noreturn]] void FailElement(size_t k, size_t table, size_t unitOffset) const;

  std::string_view bytes_;
  std::u16string wide_;  // the text as UTF-16 when the host code page is not UTF-8
  bool utf8_;
  size_t pos_ = 0;       // in code units of the parsed form
  size_t next_ = 0;      // number of the next table
  size_t tableOffset_ = 0;
  size_t tableNumber_ = 0;
  bool done_ = false;
  // The last offset converted, so that offsets met in order convert in
  // linear time overall.
  mutable size_t lastUnit_ = 0;
  mutable size_t lastByte_ = 0;
  IJsonValue wrapper_;   // the enclosing array when its elements are the tables
  size_t wrapperOffset_ = 0;
  std::vector<size_t> wrapperStarts_;  // where its elements start
  size_t wrapperIndex_ = 0;
};

// Called after table number index has been filled and opened.
using TTableBuilt = std::function<void(size_t index, TClientDataSet& table)>;

// Builds one table per array of text, owned by owner and named "cds" + its
// number, appending each to tables as soon as it is created. Raises
// EDataTextError or the table's EDatabaseError; the tables made before the
// error stay in owner and in tables. Tables that together would hold more
// than kMaxDataCells cells raise "data table N at byte B: the tables would
// hold more than 33554432 cells".
void LoadDataTables(std::string_view text, TComponent& owner, std::vector<TClientDataSet*>& tables,
                    const TTableBuilt& onTable = {});

}  // namespace lf
