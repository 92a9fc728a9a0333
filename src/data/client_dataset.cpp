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

const TFieldValue kNull;

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
  TFieldValue& cell = table_->CurrentCell(index_);
  table_->StoreCut(*this, cell, text);
}

void TField::Clear() { table_->CurrentCell(index_).reset(); }

bool TField::IsNull() const {
  const TFieldValue* v = table_->CurrentCellOrNull(index_);
  return !v || !v->has_value();
}

const TFieldValue& TField::Value() const {
  const TFieldValue* v = table_->CurrentCellOrNull(index_);
  return v ? *v : kNull;
}

std::string TField::AsString() const {
  const TFieldValue& v = Value();
  return v ? *v : std::string();
}

std::string TField::DisplayText() const {
  std::string text = AsString();
  if (OnGetText) OnGetText(const_cast<TField&>(*this), text, true);
  return text;
}

void TField::CopyTo(TStream& target) const {
  const TFieldValue& v = Value();
  if (v && !v->empty()) target.WriteBuffer(v->data(), v->size());
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
  ++rows_;
  current_ = rows_ - 1;
  eof_ = bof_ = false;
  state_ = TDataSetState::dsInsert;
}

void TClientDataSet::PostRow() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) state_ = TDataSetState::dsBrowse;
}

void TClientDataSet::StoreCut(const TField& field, TFieldValue& cell, std::string_view text) const {
  size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  if (IsCutType(field.DataType()) && text.size() > static_cast<size_t>(field.Size()))
    text = CutAtBoundary(text, static_cast<size_t>(field.Size()));
  cell.emplace(text);
}

void TClientDataSet::AppendRowValues(std::vector<TFieldValue>&& values) {
  CheckActive();
  PostRow();
  if (values.size() != fields_.size()) RaiseError("Wrong number of values for a row");
  for (size_t i = 0; i < values.size(); ++i) {
    TFieldValue& v = values[i];
    const TField& f = *fields_[i];
    if (v && IsCutType(f.DataType()) &&
        (v->size() > static_cast<size_t>(f.Size()) || v->find('\0') != std::string::npos)) {
      std::string text = std::move(*v);
      StoreCut(f, v, text);
    }
    cells_.push_back(std::move(v));
  }
  ++rows_;
  current_ = rows_ - 1;
  eof_ = bof_ = false;
}

void TClientDataSet::AppendRows(std::vector<TFieldValue>&& cells) {
  CheckActive();
  PostRow();
  if (fields_.empty() ? !cells.empty() : cells.size() % fields_.size() != 0)
    RaiseError("Wrong number of values for a row");
  if (cells.empty()) return;
  for (size_t i = 0; i < cells.size(); ++i) {
    TFieldValue& v = cells[i];
    const TField& f = *fields_[i % fields_.size()];
    if (v && IsCutType(f.DataType()) &&
        (v->size() > static_cast<size_t>(f.Size()) || v->find('\0') != std::string::npos)) {
      std::string text = std::move(*v);
      StoreCut(f, v, text);
    }
  }
  int64_t added = static_cast<int64_t>(cells.size() / fields_.size());
  if (cells_.empty()) {
    cells_ = std::move(cells);
  } else {
    cells_.insert(cells_.end(), std::make_move_iterator(cells.begin()), std::make_move_iterator(cells.end()));
  }
  rows_ += added;
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

const TFieldValue& TClientDataSet::CellValue(int64_t row, int field) const {
  if (row < 0 || row >= rows_ || field < 0 || static_cast<size_t>(field) >= fields_.size()) return kNull;
  return cells_[static_cast<size_t>(row) * fields_.size() + static_cast<size_t>(field)];
}

TFieldValue& TClientDataSet::CurrentCell(int field) {
  if (state_ != TDataSetState::dsInsert) RaiseError("Dataset not in edit or insert mode");
  return cells_[static_cast<size_t>(current_) * fields_.size() + static_cast<size_t>(field)];
}

const TFieldValue* TClientDataSet::CurrentCellOrNull(int field) const {
  if (!Active() || current_ < 0 || current_ >= rows_) return nullptr;
  return &cells_[static_cast<size_t>(current_) * fields_.size() + static_cast<size_t>(field)];
}

}  // namespace lf
