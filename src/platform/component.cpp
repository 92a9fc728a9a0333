// Component ownership tree and the application's container list.
#include "platform/component.h"

#include <algorithm>

#include "platform/code_page.h"

namespace lf {

TComponent::~TComponent() {
  // Members go in reverse order of insertion, each told to its owner first.
  while (!components_.empty()) {
    TComponent* last = components_.back().get();
    Notification(last, true);
    std::unique_ptr<TComponent> c = std::move(components_.back());
    components_.pop_back();
    c->owner_ = nullptr;
  }
}

void TComponent::SetName(std::string_view name, TComponent* owner) {
  if (owner) {
    TComponent* other = owner->FindComponent(name);
    if (other && other != this)
      throw EComponentError("A component named " + std::string(name) + " already exists");
  }
  name_ = std::string(name);
}

TComponent* TComponent::InsertComponent(std::unique_ptr<TComponent> child) {
  if (!child->name_.empty()) {
    TComponent* other = FindComponent(child->name_);
    if (other && other != child.get())
      throw EComponentError("A component named " + child->name_ + " already exists");
  }
  child->owner_ = this;
  child->orphan_ = false;
  components_.push_back(std::move(child));
  Notification(components_.back().get(), false);
  return components_.back().get();
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent* child) {
  auto it = std::find_if(components_.begin(), components_.end(),
                         [&](const auto& p) { return p.get() == child; });
  if (it == components_.end()) return nullptr;
  Notification(child, true);
  std::unique_ptr<TComponent> c = std::move(*it);
  components_.erase(it);
  c->owner_ = nullptr;
  return c;
}

void TComponent::Free() {
  if (owner_) {
    owner_->RemoveComponent(this);  // the returned pointer destroys this
    return;
  }
  if (orphan_) delete this;  // created by Create without an owner
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (const auto& c : components_)
    if (SameTextAscii(c->name_, name)) return c.get();
  return nullptr;
}

namespace {
std::vector<TComponent*>& Containers() {
  static std::vector<TComponent*> list;
  return list;
}
}  // namespace

void TApplication::RegisterContainer(TComponent* container) { Containers().push_back(container); }

void TApplication::UnregisterContainer(TComponent* container) {
  auto& list = Containers();
  list.erase(std::remove(list.begin(), list.end(), container), list.end());
}

TComponent* TApplication::FindContainer(std::string_view name) {
  for (TComponent* c : Containers())
    if (SameTextAscii(c->Name(), name)) return c;
  return nullptr;
}

size_t TApplication::ContainerCount() { return Containers().size(); }

}  // namespace lf
