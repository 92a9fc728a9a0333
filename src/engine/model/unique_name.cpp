// Generated names: the smallest free number after a base name.
#include "engine/model/unique_name.h"

#include "platform/code_page.h"

namespace lf {

TUniqueNamer::TUniqueNamer(std::string_view base, int limit)
    : base_(base), used_(static_cast<size_t>(limit) + 1, false) {}

void TUniqueNamer::Note(std::string_view name) {
  if (name.size() <= base_.size() || !SameTextAscii(name.substr(0, base_.size()), base_)) return;
  std::string_view digits = name.substr(base_.size());
  // Only the plain decimal form can equal a generated name.
  if (digits[0] == '0' || digits.size() > 9) return;
  size_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return;
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  if (n < used_.size()) used_[n] = true;
}

std::string TUniqueNamer::Result() const {
  for (size_t n = next_; n < used_.size(); ++n)
    if (!used_[n]) return base_ + std::to_string(n);
  return {};
}

std::string TUniqueNamer::Take() {
  while (next_ < used_.size() && used_[next_]) ++next_;
  if (next_ >= used_.size()) return {};
  used_[next_] = true;
  return base_ + std::to_string(next_);
}

}  // namespace lf
