// Member table of a JSON object: name hash, order and the balanced tree.
#include "data/json_table.h"

#include <algorithm>

namespace lf {

uint32_t JsonNameHash(std::u16string_view name) {
  uint32_t h = 0;
  for (char16_t c : name) h = h * 129u + static_cast<uint32_t>(c) + 0x9E370001u;
  return h;
}

bool JsonEntryBefore(uint32_t hashA, std::u16string_view nameA, uint32_t hashB, std::u16string_view nameB) {
  if (hashA != hashB) return hashA > hashB;
  // char16_t compares as an unsigned number; a prefix comes first.
  return nameA < nameB;
}

void TJsonAvlTree::Update(int32_t i) {
  TJsonAvlEntry& e = entries_[static_cast<size_t>(i)];
  e.height = static_cast<int8_t>(1 + std::max(Height(e.left), Height(e.right)));
}

int TJsonAvlTree::Balance(int32_t i) const {
  const TJsonAvlEntry& e = entries_[static_cast<size_t>(i)];
  return Height(e.left) - Height(e.right);
}

int32_t TJsonAvlTree::RotateRight(int32_t i) {
  int32_t l = entries_[static_cast<size_t>(i)].left;
  entries_[static_cast<size_t>(i)].left = entries_[static_cast<size_t>(l)].right;
  entries_[static_cast<size_t>(l)].right = i;
  Update(i);
  Update(l);
  return l;
}

int32_t TJsonAvlTree::RotateLeft(int32_t i) {
  int32_t r = entries_[static_cast<size_t>(i)].right;
  entries_[static_cast<size_t>(i)].right = entries_[static_cast<size_t>(r)].left;
  entries_[static_cast<size_t>(r)].left = i;
  Update(i);
  Update(r);
  return r;
}

int32_t TJsonAvlTree::Rebalance(int32_t i) {
  Update(i);
  int b = Balance(i);
  if (b > 1) {
    if (Balance(entries_[static_cast<size_t>(i)].left) < 0)
      entries_[static_cast<size_t>(i)].left = RotateLeft(entries_[static_cast<size_t>(i)].left);
    return RotateRight(i);
  }
  if (b < -1) {
    if (Balance(entries_[static_cast<size_t>(i)].right) > 0)
      entries_[static_cast<size_t>(i)].right = RotateRight(entries_[static_cast<size_t>(i)].right);
    return RotateLeft(i);
  }
  return i;
}

// Inserts entry fresh (known to be absent) below node; returns the new root
// of that subtree. The depth is that of a balanced tree, so recursion is shallow.
int32_t TJsonAvlTree::Insert(int32_t node, int32_t fresh) {
  if (node < 0) return fresh;
  const TJsonAvlEntry& f = entries_[static_cast<size_t>(fresh)];
  const TJsonAvlEntry& n = entries_[static_cast<size_t>(node)];
  if (JsonEntryBefore(f.hash, f.name, n.hash, n.name)) {
    int32_t child = Insert(n.left, fresh);
    entries_[static_cast<size_t>(node)].left = child;
  } else {
    int32_t child = Insert(n.right, fresh);
    entries_[static_cast<size_t>(node)].right = child;
  }
  return Rebalance(node);
}

int32_t TJsonAvlTree::Find(std::u16string_view name, uint32_t hash) const {
  int32_t node = root_;
  while (node >= 0) {
    const TJsonAvlEntry& n = entries_[static_cast<size_t>(node)];
    if (n.hash == hash && n.name == name) return node;
    node = JsonEntryBefore(hash, name, n.hash, n.name) ? n.left : n.right;
  }
  return -1;
}

void TJsonAvlTree::Put(std::u16string_view name, uint32_t hash, IJsonValue value) {
  int32_t found = Find(name, hash);
  if (found >= 0) {
    entries_[static_cast<size_t>(found)].value = std::move(value);
    return;
  }
  if (entries_.capacity() == 0) entries_.reserve(8);
  TJsonAvlEntry e;
  e.name.assign(name);
  e.hash = hash;
  e.value = std::move(value);
  entries_.push_back(std::move(e));
  root_ = Insert(root_, static_cast<int32_t>(entries_.size() - 1));
}

std::vector<int32_t> TJsonAvlTree::Ordered() const {
  std::vector<int32_t> out;
  out.reserve(entries_.size());
  std::vector<int32_t> stack;
  int32_t node = root_;
  while (node >= 0 || !stack.empty()) {
    while (node >= 0) {
      stack.push_back(node);
      node = entries_[static_cast<size_t>(node)].left;
    }
    node = stack.back();
    stack.pop_back();
    out.push_back(node);
    node = entries_[static_cast<size_t>(node)].right;
  }
  return out;
}

IJsonValue TJsonTable::Get(std::u16string_view name) const {
  const TJsonAvlEntry* e = FindEntry(name, JsonNameHash(name));
  return e ? e->value : IJsonValue();
}

const TJsonAvlEntry* TJsonTable::FindEntry(std::u16string_view name, uint32_t hash) const {
  int32_t i = tree_.Find(name, hash);
  return i < 0 ? nullptr : &tree_.Entry(i);
}

}  // namespace lf
