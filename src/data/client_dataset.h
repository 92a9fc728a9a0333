// Record table: an in-memory table of named fields with a cursor, rows of
// text-or-null values, bookmarks and the table's database errors.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/component.h"
#include "platform/exception.h"
#include "platform/stream.h"

namespace lf {

// A table error. The message carries the table's name, a colon and a space in
// front when the table has a name ("cds0: Field 'x' not found").
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

enum TFieldType {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
  ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
  ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
  ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
  ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd
};

// "ftString", "ftMemo", ... (the enumeration's own spelling).
const char* FieldTypeName(TFieldType type);
// The large-object types: ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle,
// ftDBaseOle, ftTypedBinary, ftOraBlob, ftOraClob.
bool IsBlobType(TFieldType type);

struct TFieldDef {
  std::string Name;  // host code page
  TFieldType DataType = ftString;
  int Size = 0;      // bytes a text field holds; texts longer are cut
  bool Required = false;
};

// A stored value: a text (bytes in the host code page) or null.
using TFieldValue = std::optional<std::string>;

// Where a stored value lives in its table's text buffer.
struct TCellRef {
  uint64_t offset = 0;  // bytes into the buffer
  uint32_t length = 0;  // bytes
  bool null = true;
};

// Rows made ahead of a table: the texts one after another in bytes, and
// FieldCount cells per row, row after row.
struct TCellBlock {
  std::string bytes;
  std::vector<TCellRef> cells;
};

// A row handle taken from the cursor. A default-made mark is missing.
struct TBookmark {
  int64_t row = -1;  // row index; -1 when missing or released
  bool Missing() const { return row < 0; }
};

enum class TDataSetState { dsInactive, dsBrowse, dsInsert };

class TClientDataSet;

// One column of a table; owned by its table and alive as long as the table.
class TField {
 public:
  // Text shown for a value: the hook receives the field, the value's text
  // (empty for null) to change in place, and whether it is the display text.
  using GetTextHook = std::function<void(TField& sender, std::string& text, bool displayText)>;

  const std::string& FieldName() const { return name_; }
  TFieldType DataType() const { return type_; }
  int Size() const { return size_; }
  // Position in the table's field list.
  int Index() const { return index_; }
  TClientDataSet& DataSet() const { return *table_; }

  // Stores text in the current row of an appending table. A text field
  // (ftString, ftFixedChar) keeps at most Size bytes, cut at a character
  // boundary, and a zero byte ends the text.
  void SetText(std::string_view text);
  // Stores null in the current row of an appending table.
  void Clear();
  // Null when the table is closed or has no current row.
  bool IsNull() const;
  TFieldValue Value() const;
  // The value's text, empty for null.
  std::string AsString() const;
  // The same without a copy; valid until the table changes.
  std::string_view Text() const;
  // AsString passed through OnGetText when the hook is set.
  std::string DisplayText() const;
  // Writes the value's bytes (nothing for null) to target.
  void CopyTo(TStream& target) const;

  GetTextHook OnGetText;

 private:
  friend class TClientDataSet;
  TField(TClientDataSet* table, const TFieldDef& def, int index);

  TClientDataSet* table_;
  std::string name_;
  std::string foldedName_;  // case-folded name for lookups
  TFieldType type_;
  int size_;
  int index_;
};

class TClientDataSet : public TComponent {
 public:
  TClientDataSet();
  ~TClientDataSet() override;

  // Definitions. DefineField raises "Field name missing" for an empty name
  // and "Cannot perform this operation on an open dataset" on an open table.
  void DefineField(std::string_view name, TFieldType type, int size, bool required);
  const std::vector<TFieldDef>& FieldDefs() const { return defs_; }
  // Builds fields and storage from the definitions and opens the table with
  // no rows. Raises "No fields defined.  Cannot create dataset" (no prefix)
  // and "Duplicate field name '%s'" (names equal ignoring case).
  void CreateTable();

  // Opening an open table does nothing; a table never created opens with
  // the fields of its definitions (none for an empty table) and no rows.
  // Rows stay across Close and Open. Close drops a row not yet posted.
  void Open();
  void Close();
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  TDataSetState State() const { return state_; }

  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField& Fields(int index) const { return *fields_[static_cast<size_t>(index)]; }
  // Case ignored. FieldNamed raises "Field '%s' not found".
  TField& FieldNamed(std::string_view name) const;
  TField* LookupField(std::string_view name) const;
  void ListFieldNames(std::vector<std::string>& list) const;

  void SuspendNotifications() { ++suspended_; }
  void ResumeNotifications() {
    if (suspended_ > 0) --suspended_;
  }
  bool NotificationsSuspended() const { return suspended_ > 0; }

  // Adds a row of nulls at the end and makes it current (posting a row still
  // being appended first). Raises "Cannot perform this operation on a closed
  // dataset" on a closed table.
  void AppendRow();
  // Stores the appended row; the cursor stays on it. Nothing in browse state.
  void PostRow();
  // Appends and posts a whole row in one step; values.size() must equal
  // FieldCount (else "Wrong number of values for a row"). Text fields are
  // cut as SetText cuts them.
  void AppendRowValues(std::vector<TFieldValue>&& values);
  // Appends and posts whole rows at once: cells holds FieldCount values per
  // row, row after row (else "Wrong number of values for a row").
  void AppendRows(std::vector<TFieldValue>&& cells);
  // The same for rows made ahead as a cell block (taken over whole when the
  // table is empty and nothing needs cutting).
  void AppendCells(TCellBlock&& block);

  int64_t RecordCount() const;
  // Current row index (0-based), -1 when there is no current row.
  int64_t RecNo() const;
  void First();
  void Next();
  void Prior();
  void Last();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }

  TBookmark MarkPosition() const;
  // Makes the mark's row current; raises "Record not found" for a missing
  // mark or a row that no longer exists.
  void GoToMark(const TBookmark& mark);
  void ReleaseMark(TBookmark& mark) const { mark.row = -1; }
  // 0 when both denote the same row (or both are missing), else -1 or 1.
  int CompareMarks(const TBookmark& a, const TBookmark& b) const;

  // The stored value of field index in row (null outside the rows).
  TFieldValue CellValue(int64_t row, int field) const;
  // Its text without a copy (empty for null), valid until the table changes.
  std::string_view CellText(int64_t row, int field) const;
  bool CellIsNull(int64_t row, int field) const;

  // Raises EDatabaseError with the table-name prefix.
  [[noreturn]] void RaiseError(const std::string& message) const;

 private:
  friend class TField;
  void CheckActive() const;
  void BuildFields();
  // The cell of field in the row being appended; raises outside appending.
  TCellRef& CurrentCell(int field);
  // The cell of field in the current row, or null without one.
  const TCellRef* CurrentCellOrNull(int field) const;
  const TCellRef* CellAt(int64_t row, int field) const;
  std::string_view TextOf(const TCellRef& cell) const;
  // Stores text in cell, cut as the field's type asks.
  void StoreText(const TField& field, TCellRef& cell, std::string_view text);
  bool NeedsCut(const TField& field, std::string_view text) const;

  std::vector<TFieldDef> defs_;
  std::vector<std::unique_ptr<TField>> fields_;
  std::unordered_map<std::string, int> byFoldedName_;  // folded name -> field index
  std::string bytes_;            // the texts of all cells
  std::vector<TCellRef> cells_;  // row-major, FieldCount cells per row
  size_t rowBytesStart_ = 0;     // bytes_ size when the row being appended began
  int64_t rows_ = 0;
  int64_t current_ = -1;
  bool eof_ = true;
  bool bof_ = true;
  bool created_ = false;
  TDataSetState state_ = TDataSetState::dsInactive;
  int suspended_ = 0;
};

}  // namespace lf
