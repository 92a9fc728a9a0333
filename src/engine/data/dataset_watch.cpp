// Destruction watch through a sentinel member of the watched component.
#include "engine/data/dataset_watch.h"

namespace lf {

class TComponentWatch::Sentinel : public TComponent {
 public:
  explicit Sentinel(TComponentWatch* watch) : watch_(watch) {}
  ~Sentinel() override {
    if (!watch_) return;
    TComponentWatch* w = watch_;
    w->sentinel_ = nullptr;
    w->target_ = nullptr;
    if (w->onGone_) w->onGone_();
  }
  void Detach() { watch_ = nullptr; }

 private:
  TComponentWatch* watch_;
};

void TComponentWatch::Watch(TComponent* target) {
  if (target == target_) return;
  if (sentinel_) {
    sentinel_->Detach();
    target_->RemoveComponent(sentinel_);  // the returned owner destroys it
    sentinel_ = nullptr;
  }
  target_ = target;
  if (target_) {
    auto s = std::make_unique<Sentinel>(this);
    sentinel_ = s.get();
    target_->InsertComponent(std::move(s));
  }
}

}  // namespace lf
