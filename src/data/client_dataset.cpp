// Record table: field definitions, row storage, cursor and bookmarks.
#include "data/client_dataset.h"

#include <QString>

#include <algorithm>

#include "platform/code_page.h"

namespace lf {
namespace {

const char* const kTypeNames[] = {
    "ftUnknown",    "ftString",     "ftSmallint",    "ftInteger",   "ftWord",       "ftBoolean",
    "ftFloat",      "ftCurrency",   "ftBCD",         "ftDate",      "ftTime",       "ftDateTime",
    "ftBytes",      "ftVarBytes",   "ftAutoInc",     "ftBlob",      "ftMemo",       "ftGraphic",
    "ftFmtMemo",    "ftParadoxOle", "ftDBaseOle",    "ftTypedBinary", "ftCursor",   "ftFixedChar",
    "ftWideString", "ftLargeint",   "ftADT",         "ftArray",     "ftReference",  "ftDataSet",
    "ftOraBlob",    "ftOraClob",    "ftVariant",     "ftInterface", "ftIDispatch",  "ftGuid",
    "ftTimeStamp",  "ftFMTBcd"};


// Field names compare without regard to case: ASCII names by ASCII folding,
// others by Unicode case folding of their text.
std::string FoldName(std::string_view name) {
  bool ascii = std::all_of(name.begin(), name.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) {
    std::string out(name);
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
  }
  std::u16string wide = HostToUtf16(name);
  QString folded = QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size())).toCaseFolded();
  return folded.toStdString();
}

bool IsCutType(TFieldType type) { return type == ftString || type == ftFixedChar; }

}  // namespace

const char* FieldTypeName(TFieldType type) {
  auto i = static_cast<size_t>(type);
  return i < std::size(kTypeNames) ? kTypeNames[i] : "ftUnknown";
}

bool IsBlobType(TFieldType type) {
  switch (type) {
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle:
    case ftDBaseOle: case ftTypedBinary: case ftOraBlob: case ftOraClob:
      return true;
    default:
      return false;
  }
}

// ---- TField ----

TField::TField(TClientDataSet* table, const TFieldDef& def, int index)
    : table_(table), name_(def.Name), foldedName_(FoldName(def.Name)), type_(def.DataType),
      size_(def.Size), index_(index) {}

void TField::SetText(std::string_view text) {
  TCellRef& cell = table_->CurrentCell(index_);
  table_->StoreText(*this, cell, text);
}

void TField::Clear() { table_->CurrentCell(index_) = TCellRef{}; }

bool TField::IsNull() const {
  const TCellRef* c = table_->CurrentCellOrNull(index_);
  return !c || c->null;
}

TFieldValue TField::Value() const {
  const TCellRef* c = table_->CurrentCellOrNull(index_);
  if (!c || c->null) return std::nullopt;
  return std::string(table_->TextOf(*c));
}

std::string_view TField::Text() const {
  const TCellRef* c = table_->CurrentCellOrNull(index_);
  return c ? table_->TextOf(*c) : std::string_view();
}

std::string TField::AsString() const { return std::string(Text()); }

std::string TField::DisplayText() const {
  std::string text = AsString();
  if (OnGetText) OnGetText(const_cast<TField&>(*this), text, true);
  return text;
}

void TField::CopyTo(TStream& target) const {
  std::string_view v = Text();
  if (!v.empty()) target.WriteBuffer(v.data(), v.size());
}

// ---- TClientDataSet ----

TClientDataSet::TClientDataSet() = default;
TClientDataSet::~TClientDataSet() = default;

void TClientDataSet::RaiseError(const std::string& message) const {
  if (Name().empty()) throw EDatabaseError(message);
  throw EDatabaseError(Name() + ": " + message);
}

void TClientDataSet::DefineField(std::string_view name, TFieldType type, int size, bool required) {
  if (Active()) RaiseError("Cannot perform this operation on an open dataset");
  if (name.empty()) RaiseError("Field name missing");
  defs_.push_back(TFieldDef{std::string(name), type, size < 0 ? 0 : size, required});
}

void TClientDataSet::BuildFields() {
  std::vector<std::unique_ptr<TField>> fields;
  std::unordered_map<std::string, int> index;
  fields.reserve(defs_.size());
  for (size_t i = 0; i < defs_.size(); ++i) {
    auto f = std::unique_ptr<TField>(new TField(this, defs_[i], static_cast<int>(i)));
    if (!index.emplace(f->foldedName_, static_cast<int>(i)).second)
      RaiseError("Duplicate field name '" + defs_[i].Name + "'");
    fields.push_back(std::move(f));
  }
  fields_ = std::move(fields);
  byFoldedName_ = std::move(index);
  cells_.clear();
  bytes_.clear();
  rows_ = 0;
  created_ = true;
}

void TClientDataSet::CreateTable() {
  if (Active()) RaiseError("Cannot perform this operation on an open dataset");
  if (defs_.empty()) throw EDatabaseError("No fields defined.  Cannot create dataset");
  BuildFields();
  state_ = TDataSetState::dsBrowse;
  First();
}

void TClientDataSet::Open() {
  if (Active()) return;
  if (!created_) BuildFields();
  state_ = TDataSetState::dsBrowse;
  First();
}

void TClientDataSet::Close() {
  if (!Active()) return;
  if (state_ == TDataSetState::dsInsert) {
    // The appended row was never posted: it is dropped.
    cells_.resize(cells_.size() - fields_.size());
    bytes_.resize(rowBytesStart_);
    --rows_;
  }
  state_ = TDataSetState::dsInactive;
  current_ = -1;
  eof_ = bof_ = true;
}

TField* TClientDataSet::LookupField(std::string_view name) const {
  if (fields_.empty()) return nullptr;
  auto it = byFoldedName_.find(FoldName(name));
  return it == byFoldedName_.end() ? nullptr : fields_[static_cast<size_t>(it->second)].get();
}

TField& TClientDataSet::FieldNamed(std::string_view name) const {
  TField* f = LookupField(name);
  if (!f) RaiseError("Field '" + std::string(name) + "' not found");
  return *f;
}

void TClientDataSet::ListFieldNames(std::vector<std::string>& list) const {
  list.clear();
  if (fields_.empty()) {
    for (const auto& d : defs_) list.push_back(d.Name);
    return;
  }
  for (const auto& f : fields_) list.push_back(f->FieldName());
}

void TClientDataSet::CheckActive() const {
  if (!Active()) RaiseError("Cannot perform this operation on a closed dataset");
}

void TClientDataSet::AppendRow() {
  CheckActive();
  PostRow();
  cells_.resize(cells_.size() + fields_.size());
  rowBytesStart_ = bytes_.size();
  ++rows_;
  current_ = rows_ - 1;
  eof_ = bof_ = false;
  state_ = TDataSetState::dsInsert;
}

void TClientDataSet::PostRow() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) state_ = TDataSetState::dsBrowse;
}

bool TClientDataSet::NeedsCut(const TField& field, std::string_view text) const {
  if (!IsCutType(field.DataType())) return false;
  return text.size() > static_cast<size_t>(field.Size()) || text.find('\0') != std::string_view::npos;
}

void TClientDataSet::StoreText(const TField& field, TCellRef& cell, std::string_view text) {
  if (IsCutType(field.DataType())) {
    size_t zero = text.find('\0');
    if (zero != std::string_view::npos) text = text.substr(0, zero);
    if (text.size() > static_cast<size_t>(field.Size()))
      text = CutAtBoundary(text, static_cast<size_t>(field.Size()));
  }
  if (text.size() > UINT32_MAX) RaiseError("Text too long for field '" + field.FieldName() + "'");
  cell.offset = bytes_.size();
  cell.length = static_cast<uint32_t>(text.size());
  cell.null = false;
  bytes_.append(text);
}

void TClientDataSet::AppendRowValues(std::vector<TFieldValue>&& values) {
  CheckActive();
  PostRow();
  if (values.size() != fields_.size()) RaiseError("Wrong number of values for a row");
  AppendRows(std::move(values));
}

void TClientDataSet::AppendRows(std::vector<TFieldValue>&& cells) {
  CheckActive();
  PostRow();
  if (fields_.empty() ? !cells.empty() : cells.size() % fields_.size() != 0)
    RaiseError("Wrong number of values for a row");
  if (cells.empty()) return;
  size_t first = cells_.size();
  cells_.resize(first + cells.size());
  for (size_t i = 0; i < cells.size(); ++i)
    if (cells[i]) StoreText(*fields_[i % fields_.size()], cells_[first + i], *cells[i]);
  rows_ += static_cast<int64_t>(cells.size() / fields_.size());
  current_ = rows_ - 1;
  eof_ = bof_ = false;
}

void TClientDataSet::AppendCells(TCellBlock&& block) {
  CheckActive();
  PostRow();
  const size_t n = block.cells.size();
  if (fields_.empty() ? n != 0 : n % fields_.size() != 0) RaiseError("Wrong number of values for a row");
  if (n == 0) return;
  bool cut = false;
  for (size_t i = 0; i < n && !cut; ++i) {
    const TCellRef& c = block.cells[i];
    if (c.offset + c.length > block.bytes.size()) RaiseError("Cell outside its block");
    if (!c.null && NeedsCut(*fields_[i % fields_.size()], std::string_view(block.bytes).substr(c.offset, c.length)))
      cut = true;
  }
  if (cells_.empty() && !cut) {
    bytes_ = std::move(block.bytes);
    cells_ = std::move(block.cells);
  } else {
    size_t first = cells_.size();
    cells_.resize(first + n);
    for (size_t i = 0; i < n; ++i) {
      const TCellRef& c = block.cells[i];
      if (!c.null)
        StoreText(*fields_[i % fields_.size()], cells_[first + i],
                  std::string_view(block.bytes).substr(c.offset, c.length));
    }
  }
  rows_ += static_cast<int64_t>(n / fields_.size());
  current_ = rows_ - 1;
  eof_ = bof_ = false;
}

int64_t TClientDataSet::RecordCount() const { return Active() ? rows_ : 0; }

int64_t TClientDataSet::RecNo() const { return Active() ? current_ : -1; }

void TClientDataSet::First() {
  CheckActive();
  PostRow();
  current_ = rows_ > 0 ? 0 : -1;
  bof_ = true;
  eof_ = rows_ == 0;
}

void TClientDataSet::Last() {
  CheckActive();
  PostRow();
  current_ = rows_ - 1;
  eof_ = true;
  bof_ = rows_ == 0;
}

void TClientDataSet::Next() {
  CheckActive();
  PostRow();
  if (current_ + 1 < rows_) {
    ++current_;
    bof_ = false;
    eof_ = false;
  } else {
    eof_ = true;
  }
}

void TClientDataSet::Prior() {
  CheckActive();
  PostRow();
  if (current_ > 0) {
    --current_;
    eof_ = false;
    bof_ = false;
  } else {
    bof_ = true;
  }
}

TBookmark TClientDataSet::MarkPosition() const {
  TBookmark mark;
  if (Active() && current_ >= 0) mark.row = current_;
  return mark;
}

void TClientDataSet::GoToMark(const TBookmark& mark) {
  CheckActive();
  if (mark.Missing() || mark.row >= rows_) RaiseError("Record not found");
  PostRow();
  current_ = mark.row;
  eof_ = bof_ = false;
}

int TClientDataSet::CompareMarks(const TBookmark& a, const TBookmark& b) const {
  if (a.Missing() && b.Missing()) return 0;
  if (a.Missing()) return -1;
  if (b.Missing()) return 1;
  return a.row < b.row ? -1 : (a.row > b.row ? 1 : 0);
}

const TCellRef* TClientDataSet::CellAt(int64_t row, int field) const {
  if (row < 0 || row >= rows_ || field < 0 || static_cast<size_t>(field) >= fields_.size()) return nullptr;
  return &cells_[static_cast<size_t>(row) * fields_.size() + static_cast<size_t>(field)];
}

std::string_view TClientDataSet::TextOf(const TCellRef& cell) const {
  if (cell.null) return std::string_view();
  return std::string_view(bytes_).substr(cell.offset, cell.length);
}

TFieldValue TClientDataSet::CellValue(int64_t row, int field) const {
  const TCellRef* c = CellAt(row, field);
  if (!c || c->null) return std::nullopt;
  return std::string(TextOf(*c));
}

std::string_view TClientDataSet::CellText(int64_t row, int field) const {
  const TCellRef* c = CellAt(row, field);
  return c ? TextOf(*c) : std::string_view();
}

bool TClientDataSet::CellIsNull(int64_t row, int field) const {
  const TCellRef* c = CellAt(row, field);
  return !c || c->null;
}

TCellRef& TClientDataSet::CurrentCell(int field) {
  if (state_ != TDataSetState::dsInsert) RaiseError("Dataset not in edit or insert mode");
  return cells_[static_cast<size_t>(current_) * fields_.size() + static_cast<size_t>(field)];
}

const TCellRef* TClientDataSet::CurrentCellOrNull(int field) const {
  if (!Active() || current_ < 0 || current_ >= rows_) return nullptr;
  return &cells_[static_cast<size_t>(current_) * fields_.size() + static_cast<size_t>(field)];
}

}  // namespace lf
