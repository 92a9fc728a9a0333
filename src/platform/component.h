// Component ownership tree: every component has an owner that destroys it,
// a name unique among its owner's members (ASCII case ignored), and the
// application keeps a list of top-level containers found by name.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exception.h"

namespace lf {

class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

class TComponent {
 public:
  // Registers the component among owner's members (owner may be null). The
  // owner takes ownership when the component is handed over with
  // TComponent::Create or InsertComponent; a component made with make_unique
  // and kept elsewhere is only registered by name and must not be given an
  // owner then.
  TComponent() = default;
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // Creates a component of type T owned by owner and named name.
  template <class T, class... A>
  static T* Create(TComponent* owner, std::string_view name, A&&... args) {
    auto c = std::make_unique<T>(std::forward<A>(args)...);
    T* raw = c.get();
    if (!name.empty()) raw->SetName(name, owner);
    if (owner) owner->InsertComponent(std::move(c));
    else c.release()->orphan_ = true;  // released by the caller through Free()
    return raw;
  }

  const std::string& Name() const { return name_; }
  // Renames; raises EComponentError "A component named NAME already exists"
  // when a sibling already has that name (ASCII case ignored).
  void SetName(std::string_view name) { SetName(name, owner_); }
  TComponent* Owner() const { return owner_; }

  // Takes ownership of child; its name must be unique among the members.
  TComponent* InsertComponent(std::unique_ptr<TComponent> child);
  // Gives up ownership of child without destroying it.
  std::unique_ptr<TComponent> RemoveComponent(TComponent* child);
  // Destroys this component: through its owner when it has one.
  void Free();

  size_t ComponentCount() const { return components_.size(); }
  TComponent* Components(size_t i) const { return components_[i].get(); }
  // The member with that name (ASCII case ignored), or null.
  TComponent* FindComponent(std::string_view name) const;

  // Called when a member is about to go (so holders of references can drop them).
  virtual void Notification(TComponent* component, bool removing) {
    (void)component;
    (void)removing;
  }

 private:
  void SetName(std::string_view name, TComponent* owner);

  std::string name_;
  TComponent* owner_ = nullptr;
  bool orphan_ = false;
  std::vector<std::unique_ptr<TComponent>> components_;
};

// The application's top-level containers (forms, data modules), found by
// name. Registration does not take ownership.
class TApplication {
 public:
  static void RegisterContainer(TComponent* container);
  static void UnregisterContainer(TComponent* container);
  static TComponent* FindContainer(std::string_view name);
  static size_t ContainerCount();
};

// Registers a top-level container for as long as it lives.
class TTopLevelContainer : public TComponent {
 public:
  TTopLevelContainer() { TApplication::RegisterContainer(this); }
  ~TTopLevelContainer() override { TApplication::UnregisterContainer(this); }
};

}  // namespace lf
