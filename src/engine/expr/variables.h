// TfrVariables: ordered list of named values, names compared without regard
// to letter case, optionally kept sorted for binary search.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/expr/variant.h"

namespace lf {

// The most bytes of names and texts one list may hold (256 MiB, four of the
// longest texts): a script that stores a long text in array elements in a
// loop fails with "Variables hold more than 268435456 bytes" instead of
// exhausting memory before its time-out can act.
inline constexpr size_t kMaxVariablesBytes = size_t{256} << 20;

// The heap cell that holds one value of a TfrVariables entry.
struct TVariable {
  Variant Value;
};

class TfrVariables {
 public:
  // Replaces the value of the name, or appends (inserts, when sorted) a new
  // entry.
  void Assign(std::string_view name, const Variant& value);
  // The value of the name; Null if absent.
  Variant Lookup(std::string_view name) const;
  // The stored value, or nullptr if absent (no copy).
  const Variant* Find(std::string_view name) const;
  // Position from 0, -1 if absent.
  int IndexOf(std::string_view name) const;
  int Count() const { return static_cast<int>(entries_.size()); }

  // Out of range: empty text.
  std::string NameAt(int i) const;
  // Out of range: nothing. Keeps a sorted list sorted.
  void RenameAt(int i, std::string_view name);
  // Out of range: the integer 0.
  Variant ValueAt(int i) const;
  // Out of range: nothing.
  void AssignAt(int i, const Variant& value);
  // Out of range: nothing.
  void DeleteAt(int i);
  void Clear() {
    entries_.clear();
    tail_.clear();
    sortedCount_ = 0;
    bytes_ = 0;
  }

  void SetSorted(bool sorted);
  bool Sorted() const { return sorted_; }

 private:
  struct Entry {
    std::string name;
    std::unique_ptr<TVariable> cell;  // owned by the list
  };
  // Sorted: the insertion point in the sorted part; found tells whether the
  // name is present there.
  size_t LowerBound(std::string_view name, bool& found) const;
  // Sorts the appended tail into place; positional access needs it.
  void Settle() const;
  // Sets an entry's value, or appends a new entry, within kMaxVariablesBytes;
  // raises EVariantError and changes nothing when it would go beyond.
  void Store(Entry& entry, const Variant& value);
  void Append(std::string_view name, const Variant& value);
  // A sorted list takes new names at its end and sorts them in when a
  // position is next asked for, so that filling it is not quadratic. The
  // first sortedCount_ entries are sorted; tail_ maps the upper-cased
  // names of the others to their positions.
  mutable std::vector<Entry> entries_;
  mutable size_t sortedCount_ = 0;
  mutable std::unordered_map<std::string, size_t> tail_;
  bool sorted_ = false;
  size_t bytes_ = 0;  // of all names and text values
};

// Case-insensitive (ASCII letters) three-way comparison of names.
int CompareNames(std::string_view a, std::string_view b);

}  // namespace lf
