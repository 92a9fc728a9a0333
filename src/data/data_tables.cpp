// Data text to record tables: top-level arrays read whole by the parser.
#include "data/data_tables.h"

#include <cstring>
#include <memory>

#include "data/json_db.h"
#include "data/json_table.h"
#include "platform/code_page.h"

namespace lf {
namespace {

bool IsSpace(uint32_t c) { return c == 0x20 || c == 0x0A || c == 0x0D || c == 0x09 || c == 0x08 || c == 0x0C; }

std::string TooMany() { return "more than " + std::to_string(kMaxDataTables) + " tables"; }

}  // namespace

TDataTextReader::TDataTextReader(std::string_view text)
    : bytes_(text), utf8_(HostCodePage().kind == CodePageKind::Utf8) {
  if (!utf8_) wide_ = HostToUtf16(text);
  if (utf8_ && text.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
}

uint32_t TDataTextReader::Unit(size_t i) const {
  return utf8_ ? static_cast<unsigned char>(bytes_[i]) : static_cast<uint32_t>(wide_[i]);
}

size_t TDataTextReader::Units() const { return utf8_ ? bytes_.size() : wide_.size(); }

size_t TDataTextReader::ByteOffset(size_t unitOffset) const {
  if (utf8_) return unitOffset;
  if (unitOffset < lastUnit_) lastUnit_ = lastByte_ = 0;
  lastByte_ += Utf16ToHost(std::u16string_view(wide_).substr(lastUnit_, unitOffset - lastUnit_)).size();
  lastUnit_ = unitOffset;
  return lastByte_;
}

void TDataTextReader::Fail(size_t table, size_t unitOffset, const std::string& what) const {
  throw EDataTextError("data table " + std::to_string(table) + " at byte " + std::to_string(ByteOffset(unitOffset)) +
                       ": " + what);
}

// Skips whitespace and comments as the JSON parser does; *badSlash is set
// when it stops at a slash that starts no comment.
size_t TDataTextReader::SkipSpace(size_t i, bool* badSlash) const {
  const size_t n = Units();
  *badSlash = false;
  for (;;) {
    while (i < n && IsSpace(Unit(i))) ++i;
    if (i == n || Unit(i) != '/') return i;
    if (i + 1 == n || (Unit(i + 1) != '*' && Unit(i + 1) != '/')) {
      *badSlash = true;
      return i;
    }
    if (Unit(i + 1) == '/') {
      i += 2;
      while (i < n && Unit(i) != '\n') ++i;
      if (i < n) ++i;
      continue;
    }
    i += 2;
    for (;;) {
      if (i == n) return n;
      uint32_t c = Unit(i++);
      if (c != '*') continue;
      if (i == n) return n;
      if (Unit(i++) == '/') break;
    }
  }
}

bool TDataTextReader::HoldsBracket(size_t from) const {
  if (from >= Units()) return false;
  if (utf8_) return std::memchr(bytes_.data() + from, '[', bytes_.size() - from) != nullptr;
  return wide_.find(u'[', from) != std::u16string::npos;
}

IJsonValue TDataTextReader::Parse(size_t from, TJsonParseInfo& info) const {
  if (utf8_) return ParseUtf8Text(bytes_.substr(from), &info);
  return ParseText(std::u16string_view(wide_).substr(from), &info);
}

void TDataTextReader::CheckObjects(const IJsonValue& array, size_t table, size_t unitOffset) const {
  const TJsonArray& a = *ArrayValue(array);
  for (size_t k = 0; k < a.Length(); ++k)
    if (!ObjectTable(a.At(k))) FailElement(k, table, unitOffset);
}

void TDataTextReader::FailElement(size_t k, size_t table, size_t unitOffset) const {
  // Read the array again, noting where its elements start, to name the place.
  TJsonParseInfo info;
  info.recordElements = true;
  Parse(unitOffset, info);
  size_t at = k < info.elementStarts.size() ? unitOffset + info.elementStarts[k] : unitOffset;
  Fail(table, at, "element " + std::to_string(k) + " is not an object");
}

bool TDataTextReader::Next(IJsonValue& array, TTableRows* rows) {
  array = IJsonValue();
  if (wrapper_) {
    const TJsonArray& w = *ArrayValue(wrapper_);
    if (wrapperIndex_ >= w.Length()) {
      wrapper_ = IJsonValue();
      return false;
    }
    size_t at = wrapperIndex_ < wrapperStarts_.size() ? wrapperOffset_ + wrapperStarts_[wrapperIndex_]
                                                     : wrapperOffset_;
    if (wrapperIndex_ >= kMaxDataTables) Fail(wrapperIndex_, at, TooMany());
    IJsonValue table = w.At(wrapperIndex_);
    CheckObjects(table, wrapperIndex_, at);
    tableOffset_ = ByteOffset(at);
    tableNumber_ = wrapperIndex_;
    ++wrapperIndex_;
    array = table;
    return true;
  }
  if (done_) return false;

  bool bad = false;
  size_t i = SkipSpace(pos_, &bad);
  if (next_ > 0 && !bad && i < Units() && Unit(i) == ',') {
    bool bad2 = false;
    size_t j = SkipSpace(i + 1, &bad2);
    if (!bad2 && j < Units() && Unit(j) == '[') i = j;
  }
  if (i == Units() || Unit(i) != '[') {
    done_ = true;
    if (!HoldsBracket(next_ == 0 ? pos_ : i)) return false;
    Fail(next_, i, next_ == 0 ? "unexpected text before the first table" : "unexpected text between tables");
  }

  if (next_ >= kMaxDataTables) {
    done_ = true;
    Fail(next_, i, TooMany());
  }
  // Objects go to rows while they lead the array; the first other element
  // and all after it stay in the array.
  size_t taken = 0;
  bool taking = rows != nullptr;
  auto take = [&](const IJsonValue& element) {
    const TJsonTable* object = taking ? ObjectTable(element) : nullptr;
    if (!object) {
      taking = false;
      return false;
    }
    rows->Row(*object);
    ++taken;
    return true;
  };
  TJsonParseInfo info;
  if (rows) info.takeElement = take;
  IJsonValue v = Parse(i, info);
  size_t stop = i + info.stop;
  if (!v && info.valueEnd > 0) {
    // The array was complete and a stray slash follows it: the array stands,
    // the slash is other text after it.
    TJsonParseInfo again;
    if (rows) {
      rows->Restart();
      taken = 0;
      taking = true;
      again.takeElement = take;
    }
    if (utf8_) v = ParseUtf8Text(bytes_.substr(i, info.valueEnd), &again);
    else v = ParseText(std::u16string_view(wide_).substr(i, info.valueEnd), &again);
    stop = i + info.valueEnd;
  }
  if (!v) {
    done_ = true;
    Fail(next_, i + info.errorOffset, info.error);
  }

  const TJsonArray& a = *ArrayValue(v);
  if (taken > 0 && a.Length() > 0) FailElement(taken, next_, i);
  if (taken == 0 && next_ == 0 && a.Length() > 0 && !HoldsBracket(stop)) {
    bool allArrays = true;
    for (size_t k = 0; k < a.Length() && allArrays; ++k) allArrays = ArrayValue(a.At(k)) != nullptr;
    if (allArrays) {
      done_ = true;
      wrapper_ = v;
      wrapperOffset_ = i;
      TJsonParseInfo where;
      where.recordElements = true;
      Parse(i, where);
      wrapperStarts_ = std::move(where.elementStarts);
      return Next(array);
    }
  }
  CheckObjects(v, next_, i);
  tableOffset_ = ByteOffset(i);
  tableNumber_ = next_;
  pos_ = stop;
  ++next_;
  array = std::move(v);
  return true;
}

namespace {

// The rows of one table as the reader hands them over, up to the cell limit.
class TableRows : public TTableRows {
 public:
  explicit TableRows(size_t cellsBefore) : room_(kMaxDataCells - cellsBefore) {}
  void Row(const TJsonTable& object) override {
    if (full_) return;
    builder_->AddRow(object);
    const size_t fields = builder_->FieldCount();
    if (fields > 0 && builder_->Rows() > room_ / fields) {
      // Too many: the rest is only read (errors in the text come first).
      full_ = true;
      builder_ = std::make_unique<TJsonRowBuilder>();
    }
  }
  void Restart() override {
    full_ = false;
    builder_ = std::make_unique<TJsonRowBuilder>();
  }
  bool Full() const { return full_; }
  TJsonRowBuilder& Builder() { return *builder_; }

 private:
  size_t room_;  // cells the table may still fill
  bool full_ = false;
  std::unique_ptr<TJsonRowBuilder> builder_ = std::make_unique<TJsonRowBuilder>();
};

}  // namespace

void LoadDataTables(std::string_view text, TComponent& owner, std::vector<TClientDataSet*>& tables,
                    const TTableBuilt& onTable) {
  TDataTextReader reader(text);
  IJsonValue array;
  size_t cells = 0;
  for (size_t index = 0;; ++index) {
    // The objects of an array become rows while it is read, so that the
    // values of a long table are never all held at once.
    TableRows streamed(cells);
    if (!reader.Next(array, &streamed)) break;
    const TJsonArray& rest = *ArrayValue(array);
    size_t rows = streamed.Builder().Rows(), fields = streamed.Builder().FieldCount();
    if (rows == 0 && rest.Length() > 0) {
      // A table of an enclosing array, read whole.
      rows = rest.Length();
      fields = ObjectTable(rest.At(0))->Count();
    }
    if (streamed.Full() || (fields > 0 && rows > (kMaxDataCells - cells) / fields))
      throw EDataTextError("data table " + std::to_string(reader.TableNumber()) + " at byte " +
                           std::to_string(reader.TableOffset()) + ": the tables would hold more than " +
                           std::to_string(kMaxDataCells) + " cells");
    cells += rows * fields;
    auto* table = TComponent::Create<TClientDataSet>(&owner, "cds" + std::to_string(index));
    tables.push_back(table);
    if (streamed.Builder().Rows() > 0) streamed.Builder().Finish(*table);
    else TJSONDB::ArrayToTable(rest, *table);
    array = IJsonValue();  // the values are no longer needed
    table->Open();
    if (onTable) onTable(index, *table);
  }
}

}  // namespace lf
