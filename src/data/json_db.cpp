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

void TJSONDB::ArrayToTable(const TJsonArray& array, TClientDataSet& table) {
  const size_t n = array.Length();
  for (size_t i = 0; i < n; ++i)
    if (!ObjectTable(array.At(i))) table.RaiseError("Element " + std::to_string(i) + " is not an object");

  bool define = table.FieldDefs().empty() && table.FieldCount() == 0;
  std::vector<FieldKey> keys;  // in enumeration order
  std::vector<std::string> hostNames;
  if (define && n > 0) {
    ObjectTable(array.At(0))->ForEach([&](const TJsonAvlEntry& e) {
      keys.push_back(FieldKey{e.name, e.hash, static_cast<int>(keys.size())});
      hostNames.push_back(JsonTextToHost(e.name));
    });
    if (keys.empty()) table.CreateTable();  // raises "No fields defined"
    for (const std::string& name : hostNames)
      if (name.empty()) table.RaiseError("Field name missing");
  }
  if (!define) {
    if (!table.Active()) table.Open();
    for (int f = 0; f < table.FieldCount(); ++f) {
      std::u16string name = HostToUtf16(table.Fields(f).FieldName());
      uint32_t h = JsonNameHash(name);
      keys.push_back(FieldKey{std::move(name), h, f});
    }
    std::sort(keys.begin(), keys.end(),
              [](const FieldKey& a, const FieldKey& b) { return JsonEntryBefore(a.hash, a.name, b.hash, b.name); });
  }
  const size_t fieldCount = define ? keys.size() : static_cast<size_t>(table.FieldCount());

  // Values first, so that each field can be sized to its longest value.
  const bool utf8Host = HostCodePage().kind == CodePageKind::Utf8;
  TCellBlock block;
  block.cells.resize(n * fieldCount);
  std::vector<size_t> longest(fieldCount, 0);
  std::vector<char> matched(keys.size());
  std::unordered_map<std::u16string, size_t> foldedKeys;  // made when first needed
  for (size_t row = 0; row < n; ++row) {
    const TJsonTable& obj = *ObjectTable(array.At(row));
    TCellRef* out = block.cells.data() + row * fieldCount;
    std::fill(matched.begin(), matched.end(), 0);
    size_t k = 0, hits = 0;
    // Both the row's members and the keys are in enumeration order: merge.
    obj.ForEach([&](const TJsonAvlEntry& e) {
      while (k < keys.size() && JsonEntryBefore(keys[k].hash, keys[k].name, e.hash, e.name)) ++k;
      if (k < keys.size() && keys[k].hash == e.hash && keys[k].name == e.name) {
        StoreCell(block, out[keys[k].field], e.value, utf8Host);
        matched[k] = 1;
        ++hits;
        ++k;
      }
    });
    if (hits < keys.size() && hits < obj.Count()) {
      // A member spelt in another letter case still fills its field (the
      // first such member in enumeration order).
      if (foldedKeys.empty())
        for (size_t j = 0; j < keys.size(); ++j) foldedKeys.emplace(FoldAscii(keys[j].name), j);
      obj.ForEach([&](const TJsonAvlEntry& e) {
        auto it = foldedKeys.find(FoldAscii(e.name));
        if (it == foldedKeys.end() || matched[it->second]) return;
        StoreCell(block, out[keys[it->second].field], e.value, utf8Host);
        matched[it->second] = 1;
      });
    }
    for (size_t f = 0; f < fieldCount; ++f)
      if (out[f].length > longest[f]) longest[f] = out[f].length;
    if (row == 63 && n > 128) block.bytes.reserve(block.bytes.size() / 64 * n / 8 * 9);  // room for the rest
  }

  if (define && !keys.empty()) {
    for (size_t f = 0; f < keys.size(); ++f) {
      size_t size = std::max(longest[f], static_cast<size_t>(kJsonFieldSize));
      if (size > static_cast<size_t>(INT32_MAX)) size = INT32_MAX;
      table.DefineField(hostNames[f], ftString, static_cast<int>(size), false);
    }
    table.CreateTable();
    table.Close();
    table.Open();
  } else if (!table.Active()) {
    table.Open();
  }

  table.SuspendNotifications();
  try {
    table.AppendCells(std::move(block));
  } catch (...) {
    table.ResumeNotifications();
    throw;
  }
  table.ResumeNotifications();
}

}  // namespace lf
