// Watching a component for its destruction, so that a holder of a plain
// reference can drop it: a nameless sentinel member is placed in the watched
// component and reports when the component destroys its members.
#pragma once

#include <functional>

#include "platform/component.h"

namespace lf {

class TComponentWatch {
 public:
  // onGone runs once when the watched component is destroyed.
  explicit TComponentWatch(std::function<void()> onGone) : onGone_(std::move(onGone)) {}
  ~TComponentWatch() { Watch(nullptr); }
  TComponentWatch(const TComponentWatch&) = delete;
  TComponentWatch& operator=(const TComponentWatch&) = delete;

  // Watches target instead of the previous one (null: nothing).
  void Watch(TComponent* target);
  TComponent* Target() const { return target_; }

 private:
  class Sentinel;
  TComponent* target_ = nullptr;
  Sentinel* sentinel_ = nullptr;  // owned by target_
  std::function<void()> onGone_;
};

}  // namespace lf
