// TfrVariables: named values with case-insensitive lookup.
#include "engine/expr/variables.h"

#include <algorithm>

namespace lf {
namespace {

char Up(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::string Folded(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = Up(c);
  return out;
}

void CheckVariablesBytes(size_t bytes) {
  if (bytes > kMaxVariablesBytes)
    throw EVariantError("Variables hold more than " + std::to_string(kMaxVariablesBytes) + " bytes");
}

}  // namespace

int CompareNames(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(Up(a[i]));
    unsigned char y = static_cast<unsigned char>(Up(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

size_t TfrVariables::LowerBound(std::string_view name, bool& found) const {
  size_t lo = 0, hi = sortedCount_;
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (CompareNames(entries_[mid].name, name) < 0) lo = mid + 1;
    else hi = mid;
  }
  found = lo < sortedCount_ && CompareNames(entries_[lo].name, name) == 0;
  return lo;
}

void TfrVariables::Settle() const {
  if (!sorted_ || tail_.empty()) return;
  auto less = [](const Entry& a, const Entry& b) { return CompareNames(a.name, b.name) < 0; };
  auto mid = entries_.begin() + static_cast<std::ptrdiff_t>(sortedCount_);
  std::sort(mid, entries_.end(), less);
  std::inplace_merge(entries_.begin(), mid, entries_.end(), less);
  sortedCount_ = entries_.size();
  tail_.clear();
}

int TfrVariables::IndexOf(std::string_view name) const {
  if (sorted_) {
    Settle();
    bool found = false;
    size_t at = LowerBound(name, found);
    return found ? static_cast<int>(at) : -1;
  }
  for (size_t i = 0; i < entries_.size(); ++i)
    if (CompareNames(entries_[i].name, name) == 0) return static_cast<int>(i);
  return -1;
}

void TfrVariables::Store(Entry& entry, const Variant& value) {
  const size_t bytes = bytes_ - entry.cell->Value.TextSize() + value.TextSize();
  CheckVariablesBytes(bytes);
  entry.cell->Value = value;
  bytes_ = bytes;
}

void TfrVariables::Append(std::string_view name, const Variant& value) {
  const size_t bytes = bytes_ + name.size() + value.TextSize();
  CheckVariablesBytes(bytes);
  entries_.push_back(Entry{std::string(name), std::make_unique<TVariable>(TVariable{value})});
  bytes_ = bytes;
}

void TfrVariables::Assign(std::string_view name, const Variant& value) {
  if (sorted_) {
    bool found = false;
    size_t at = LowerBound(name, found);
    if (found) {
      Store(entries_[at], value);
      return;
    }
    std::string folded = Folded(name);
    auto it = tail_.find(folded);
    if (it != tail_.end()) {
      Store(entries_[it->second], value);
      return;
    }
    Append(name, value);
    tail_.emplace(std::move(folded), entries_.size() - 1);
    return;
  }
  int i = IndexOf(name);
  if (i >= 0) {
    Store(entries_[static_cast<size_t>(i)], value);
    return;
  }
  Append(name, value);
}

const Variant* TfrVariables::Find(std::string_view name) const {
  if (sorted_ && !tail_.empty()) {
    bool found = false;
    size_t at = LowerBound(name, found);
    if (found) return &entries_[at].cell->Value;
    auto it = tail_.find(Folded(name));
    return it == tail_.end() ? nullptr : &entries_[it->second].cell->Value;
  }
  int i = IndexOf(name);
  return i < 0 ? nullptr : &entries_[static_cast<size_t>(i)].cell->Value;
}

Variant TfrVariables::Lookup(std::string_view name) const {
  const Variant* v = Find(name);
  return v ? *v : Variant::Null();
}

std::string TfrVariables::NameAt(int i) const {
  Settle();
  if (i < 0 || i >= Count()) return {};
  return entries_[static_cast<size_t>(i)].name;
}

void TfrVariables::RenameAt(int i, std::string_view name) {
  Settle();
  if (i < 0 || i >= Count()) return;
  Entry& entry = entries_[static_cast<size_t>(i)];
  const size_t bytes = bytes_ - entry.name.size() + name.size();
  CheckVariablesBytes(bytes);
  entry.name = std::string(name);
  bytes_ = bytes;
  if (sorted_) SetSorted(true);
}

Variant TfrVariables::ValueAt(int i) const {
  Settle();
  if (i < 0 || i >= Count()) return Variant(0);
  return entries_[static_cast<size_t>(i)].cell->Value;
}

void TfrVariables::AssignAt(int i, const Variant& value) {
  Settle();
  if (i < 0 || i >= Count()) return;
  Store(entries_[static_cast<size_t>(i)], value);
}

void TfrVariables::DeleteAt(int i) {
  Settle();
  if (i < 0 || i >= Count()) return;
  const Entry& entry = entries_[static_cast<size_t>(i)];
  bytes_ -= entry.name.size() + entry.cell->Value.TextSize();
  entries_.erase(entries_.begin() + i);
  if (sorted_) sortedCount_ = entries_.size();
}

void TfrVariables::SetSorted(bool sorted) {
  Settle();
  sorted_ = sorted;
  if (sorted_)
    std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
      return CompareNames(a.name, b.name) < 0;
    });
  sortedCount_ = sorted_ ? entries_.size() : 0;
}

}  // namespace lf
