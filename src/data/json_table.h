// The member table of a JSON object: a height-balanced search tree of named
// members, ordered by descending name hash and then by name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/block_pool.h"
#include "data/json_value.h"

namespace lf {

// Hash of a member name: h = h * 129 + c + 0x9E370001 (mod 2^32) for each
// UTF-16 code unit c in order, starting from 0.
uint32_t JsonNameHash(std::u16string_view name);

// True when a member with (hashA, nameA) is enumerated before one with
// (hashB, nameB): the greater hash first, equal hashes by ascending name
// (code units compared as unsigned numbers, a prefix first).
bool JsonEntryBefore(uint32_t hashA, std::u16string_view nameA, uint32_t hashB, std::u16string_view nameB);

struct TJsonAvlEntry {
  std::u16string name;
  uint32_t hash = 0;
  IJsonValue value;
  int32_t left = -1;  // index of the child entries in the table, -1 for none
  int32_t right = -1;
  int8_t height = 1;
};

// The tree keeps its entries in one vector and links them by index, so a
// table costs one allocation however many members it has.
class TJsonAvlTree {
 public:
  // Inserts a member or replaces the value of the member with that name.
  void Put(std::u16string_view name, uint32_t hash, IJsonValue value);
  // Index of the entry with that name, or -1.
  int32_t Find(std::u16string_view name, uint32_t hash) const;
  size_t Count() const { return entries_.size(); }
  const TJsonAvlEntry& Entry(int32_t index) const { return entries_[static_cast<size_t>(index)]; }
  // Entry indices in enumeration order.
  std::vector<int32_t> Ordered() const;
  // Balance of an entry: height of its left subtree minus its right one.
  int Balance(int32_t index) const;
  int32_t Root() const { return root_; }

 private:
  int Height(int32_t i) const { return i < 0 ? 0 : entries_[static_cast<size_t>(i)].height; }
  void Update(int32_t i);
  int32_t RotateRight(int32_t i);
  int32_t RotateLeft(int32_t i);
  int32_t Rebalance(int32_t i);
  int32_t Insert(int32_t node, int32_t fresh);

  std::vector<TJsonAvlEntry, TPoolAllocator<TJsonAvlEntry>> entries_;
  int32_t root_ = -1;
};

class TJsonTable {
 public:
  void Put(std::u16string_view name, IJsonValue value) { tree_.Put(name, JsonNameHash(name), std::move(value)); }
  // The member's value, or nothing when the table has no such member.
  IJsonValue Get(std::u16string_view name) const;
  // The entry for name (exact match), or null.
  const TJsonAvlEntry* FindEntry(std::u16string_view name, uint32_t hash) const;
  size_t Count() const { return tree_.Count(); }
  const TJsonAvlTree& Tree() const { return tree_; }

  // Calls f(const TJsonAvlEntry&) for each member in enumeration order.
  template <class F>
  void ForEach(F&& f) const {
    int32_t stack[64];
    int top = 0;
    int32_t node = tree_.Root();
    while (node >= 0 || top > 0) {
      while (node >= 0) {
        stack[top++] = node;
        node = tree_.Entry(node).left;
      }
      node = stack[--top];
      f(tree_.Entry(node));
      node = tree_.Entry(node).right;
    }
  }

 private:
  TJsonAvlTree tree_;
};

}  // namespace lf
