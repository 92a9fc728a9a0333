// TfrVariables: named values with case-insensitive lookup.
#include "engine/expr/variables.h"

#include <algorithm>

namespace lf {
namespace {

char Up(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

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
  size_t lo = 0, hi = entries_.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (CompareNames(entries_[mid].name, name) < 0) lo = mid + 1;
    else hi = mid;
  }
  found = lo < entries_.size() && CompareNames(entries_[lo].name, name) == 0;
  return lo;
}

int TfrVariables::IndexOf(std::string_view name) const {
  if (sorted_) {
    bool found = false;
    size_t at = LowerBound(name, found);
    return found ? static_cast<int>(at) : -1;
  }
  for (size_t i = 0; i < entries_.size(); ++i)
    if (CompareNames(entries_[i].name, name) == 0) return static_cast<int>(i);
  return -1;
}

void TfrVariables::Assign(std::string_view name, const Variant& value) {
  if (sorted_) {
    bool found = false;
    size_t at = LowerBound(name, found);
    if (found) {
      entries_[at].cell->Value = value;
      return;
    }
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at),
                    Entry{std::string(name), std::make_unique<TVariable>(TVariable{value})});
    return;
  }
  int i = IndexOf(name);
  if (i >= 0) {
    entries_[static_cast<size_t>(i)].cell->Value = value;
    return;
  }
  entries_.push_back(Entry{std::string(name), std::make_unique<TVariable>(TVariable{value})});
}

const Variant* TfrVariables::Find(std::string_view name) const {
  int i = IndexOf(name);
  return i < 0 ? nullptr : &entries_[static_cast<size_t>(i)].cell->Value;
}

Variant TfrVariables::Lookup(std::string_view name) const {
  const Variant* v = Find(name);
  return v ? *v : Variant::Null();
}

std::string TfrVariables::NameAt(int i) const {
  if (i < 0 || i >= Count()) return {};
  return entries_[static_cast<size_t>(i)].name;
}

void TfrVariables::RenameAt(int i, std::string_view name) {
  if (i < 0 || i >= Count()) return;
  entries_[static_cast<size_t>(i)].name = std::string(name);
  if (sorted_) SetSorted(true);
}

Variant TfrVariables::ValueAt(int i) const {
  if (i < 0 || i >= Count()) return Variant(0);
  return entries_[static_cast<size_t>(i)].cell->Value;
}

void TfrVariables::AssignAt(int i, const Variant& value) {
  if (i < 0 || i >= Count()) return;
  entries_[static_cast<size_t>(i)].cell->Value = value;
}

void TfrVariables::DeleteAt(int i) {
  if (i < 0 || i >= Count()) return;
  entries_.erase(entries_.begin() + i);
}

void TfrVariables::SetSorted(bool sorted) {
  sorted_ = sorted;
  if (sorted_)
    std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
      return CompareNames(a.name, b.name) < 0;
    });
}

}  // namespace lf
