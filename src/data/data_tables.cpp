// Data text to record tables: top-level arrays read whole by the parser.
#include "data/data_tables.h"

#include <cstring>

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
  for (size_t k = 0; k < a.Length(); ++k) {
    if (ObjectTable(a.At(k))) continue;
    // Read the array again, noting where its elements start, to name the place.
    TJsonParseInfo info;
    info.recordElements = true;
    Parse(unitOffset, info);
    size_t at = k < info.elementStarts.size() ? unitOffset + info.elementStarts[k] : unitOffset;
    Fail(table, at, "element " + std::to_string(k) + " is not an object");
  }
}

bool TDataTextReader::Next(IJsonValue& array) {
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
  TJsonParseInfo info;
  IJsonValue v = Parse(i, info);
  size_t stop = i + info.stop;
  if (!v && info.valueEnd > 0) {
    // The array was complete and a stray slash follows it: the array stands,
    // the slash is other text after it.
    if (utf8_) v = ParseUtf8Text(bytes_.substr(i, info.valueEnd));
    else v = ParseText(std::u16string_view(wide_).substr(i, info.valueEnd));
    stop = i + info.valueEnd;
  }
  if (!v) {
    done_ = true;
    Fail(next_, i + info.errorOffset, info.error);
  }

  const TJsonArray& a = *ArrayValue(v);
  if (next_ == 0 && a.Length() > 0 && !HoldsBracket(stop)) {
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

void LoadDataTables(std::string_view text, TComponent& owner, std::vector<TClientDataSet*>& tables,
                    const TTableBuilt& onTable) {
  TDataTextReader reader(text);
  IJsonValue array;
  size_t cells = 0;
  for (size_t index = 0; reader.Next(array); ++index) {
    const TJsonArray& rows = *ArrayValue(array);
    if (rows.Length() > 0) {
      // Every row gets a cell for each member of the first one.
      size_t fields = ObjectTable(rows.At(0))->Count();
      if (fields > 0 && rows.Length() > (kMaxDataCells - cells) / fields)
        throw EDataTextError("data table " + std::to_string(reader.TableNumber()) + " at byte " +
                             std::to_string(reader.TableOffset()) + ": the tables would hold more than " +
                             std::to_string(kMaxDataCells) + " cells");
      cells += rows.Length() * fields;
    }
    auto* table = TComponent::Create<TClientDataSet>(&owner, "cds" + std::to_string(index));
    tables.push_back(table);
    TJSONDB::ArrayToTable(*ArrayValue(array), *table);
    array = IJsonValue();  // the values are no longer needed
    table->Open();
    if (onTable) onTable(index, *table);
  }
}

}  // namespace lf
