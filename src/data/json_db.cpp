// JSON array of objects to record table: fields from element 0, values read
// from the JSON values member by member.
#include "data/json_db.h"

#include <algorithm>
#include <unordered_map>

#include "data/json_table.h"
#include "data/json_writer.h"
#include "platform/code_page.h"
#include "platform/utf8.h"

namespace lf {
namespace {

std::u16string FoldAscii(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

// Appends the stored text of a member value to block as the given cell;
// JSON null leaves the cell null.
void StoreCell(TCellBlock& block, TCellRef& cell, const IJsonValue& v, bool utf8Host) {
  if (!v || v->Kind() == TJsonKind::jkNull) return;
  std::string& bytes = block.bytes;
  const size_t start = bytes.size();
  switch (v->Kind()) {
    case TJsonKind::jkString:
      if (utf8Host) utf8::AppendFromUtf16(bytes, v->StringValue());
      else bytes += Utf16ToHost(v->StringValue());
      break;
    case TJsonKind::jkArray:
    case TJsonKind::jkObject:
      if (utf8Host) utf8::AppendFromUtf16(bytes, WriteText(v));
      else bytes += Utf16ToHost(WriteText(v));
      break;
    default:
      bytes += ScalarText(*v);
      break;
  }
  // A zero character ending the text is dealt with when the table takes the block.
  cell.offset = start;
  cell.length = static_cast<uint32_t>(std::min<size_t>(bytes.size() - start, UINT32_MAX));
  cell.null = false;
}

struct FieldKey {
  std::u16string name;
  uint32_t hash;
  int field;  // index in the table
};

}  // namespace

std::string JsonTextToHost(std::u16string_view text) {
  if (HostCodePage().kind != CodePageKind::Utf8) return Utf16ToHost(text);
  std::string out;
  out.reserve(text.size());
  utf8::AppendFromUtf16(out, text);
  return out;
}

struct TJsonRowBuilder::Keys {
  std::vector<FieldKey> keys;  // in enumeration order
  std::vector<std::string> hostNames;
  std::unordered_map<std::u16string, size_t> folded;  // made when first needed
};

TJsonRowBuilder::TJsonRowBuilder()
    : keys_(std::make_unique<Keys>()), define_(true),
      utf8Host_(HostCodePage().kind == CodePageKind::Utf8) {}

TJsonRowBuilder::TJsonRowBuilder(TClientDataSet& table)
    : keys_(std::make_unique<Keys>()),
      define_(table.FieldDefs().empty() && table.FieldCount() == 0),
      utf8Host_(HostCodePage().kind == CodePageKind::Utf8) {
  if (define_) return;
  if (!table.Active()) table.Open();
  for (int f = 0; f < table.FieldCount(); ++f) {
    std::u16string name = HostToUtf16(table.Fields(f).FieldName());
    uint32_t h = JsonNameHash(name);
    keys_->keys.push_back(FieldKey{std::move(name), h, f});
  }
  std::sort(keys_->keys.begin(), keys_->keys.end(), [](const FieldKey& a, const FieldKey& b) {
    return JsonEntryBefore(a.hash, a.name, b.hash, b.name);
  });
  fieldCount_ = static_cast<size_t>(table.FieldCount());
  longest_.assign(fieldCount_, 0);
}

TJsonRowBuilder::~TJsonRowBuilder() = default;

void TJsonRowBuilder::AddRow(const TJsonTable& obj) {
  std::vector<FieldKey>& keys = keys_->keys;
  if (define_ && rows_ == 0) {
    obj.ForEach([&](const TJsonAvlEntry& e) {
      keys.push_back(FieldKey{e.name, e.hash, static_cast<int>(keys.size())});
      keys_->hostNames.push_back(JsonTextToHost(e.name));
    });
    fieldCount_ = keys.size();
    longest_.assign(fieldCount_, 0);
  }
  ++rows_;
  block_.cells.resize(block_.cells.size() + fieldCount_);
  TCellRef* out = block_.cells.data() + block_.cells.size() - fieldCount_;
  matched_.assign(keys.size(), 0);
  size_t k = 0, hits = 0;
  // Both the row's members and the keys are in enumeration order: merge.
  obj.ForEach([&](const TJsonAvlEntry& e) {
    while (k < keys.size() && JsonEntryBefore(keys[k].hash, keys[k].name, e.hash, e.name)) ++k;
    if (k < keys.size() && keys[k].hash == e.hash && keys[k].name == e.name) {
      StoreCell(block_, out[keys[k].field], e.value, utf8Host_);
      matched_[k] = 1;
      ++hits;
      ++k;
    }
  });
  if (hits < keys.size() && hits < obj.Count()) {
    // A member spelt in another letter case still fills its field (the
    // first such member in enumeration order).
    auto& folded = keys_->folded;
    if (folded.empty())
      for (size_t j = 0; j < keys.size(); ++j) folded.emplace(FoldAscii(keys[j].name), j);
    obj.ForEach([&](const TJsonAvlEntry& e) {
      auto it = folded.find(FoldAscii(e.name));
      if (it == folded.end() || matched_[it->second]) return;
      StoreCell(block_, out[keys[it->second].field], e.value, utf8Host_);
      matched_[it->second] = 1;
    });
  }
  for (size_t f = 0; f < fieldCount_; ++f)
    if (out[f].length > longest_[f]) longest_[f] = out[f].length;
}

void TJsonRowBuilder::Finish(TClientDataSet& table) {
  if (define_ && rows_ > 0) {
    if (keys_->keys.empty()) table.CreateTable();  // raises "No fields defined"
    for (const std::string& name : keys_->hostNames)
      if (name.empty()) table.RaiseError("Field name missing");
    for (size_t f = 0; f < fieldCount_; ++f) {
      size_t size = std::max(longest_[f], static_cast<size_t>(kJsonFieldSize));
      if (size > static_cast<size_t>(INT32_MAX)) size = INT32_MAX;
      table.DefineField(keys_->hostNames[f], ftString, static_cast<int>(size), false);
    }
    table.CreateTable();
    table.Close();
    table.Open();
  } else if (!table.Active()) {
    table.Open();
  }
  // Rows arrived one at a time: give back what growing left spare, when
  // that is much (shrinking copies the whole block once more, at the
  // moment the load needs most memory).
  if (block_.bytes.capacity() - block_.bytes.size() > block_.bytes.size() / 4)
    block_.bytes.shrink_to_fit();
  if (block_.cells.capacity() - block_.cells.size() > block_.cells.size() / 4)
    block_.cells.shrink_to_fit();
  table.SuspendNotifications();
  try {
    table.AppendCells(std::move(block_));
  } catch (...) {
    table.ResumeNotifications();
    throw;
  }
  table.ResumeNotifications();
  block_ = TCellBlock{};
  rows_ = 0;
}

void TJSONDB::ArrayToTable(const TJsonArray& array, TClientDataSet& table) {
  const size_t n = array.Length();
  for (size_t i = 0; i < n; ++i)
    if (!ObjectTable(array.At(i))) table.RaiseError("Element " + std::to_string(i) + " is not an object");
  TJsonRowBuilder rows(table);
  for (size_t i = 0; i < n; ++i) rows.AddRow(*ObjectTable(array.At(i)));
  rows.Finish(table);
}

}  // namespace lf
