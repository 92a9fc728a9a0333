// Component ownership, naming and the container list.
#include <gtest/gtest.h>

#include "platform/component.h"

namespace lf {
namespace {

struct Probe : TComponent {
  explicit Probe(int* destroyed) : destroyed_(destroyed) {}
  ~Probe() override { ++*destroyed_; }
  int* destroyed_;
};

TEST(Component, OwnerDestroysMembersAndFindsThemIgnoringCase) {
  int destroyed = 0;
  {
    TComponent owner;
    TComponent::Create<Probe>(&owner, "cds0", &destroyed);
    TComponent::Create<Probe>(&owner, "cds1", &destroyed);
    EXPECT_NE(owner.FindComponent("CDS1"), nullptr);
    EXPECT_EQ(owner.FindComponent("cds2"), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 2u);
  }
  EXPECT_EQ(destroyed, 2);
}

TEST(Component, FreeRemovesFromOwner) {
  int destroyed = 0;
  TComponent owner;
  Probe* p = TComponent::Create<Probe>(&owner, "a", &destroyed);
  p->Free();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(owner.FindComponent("a"), nullptr);
}

TEST(Component, RejectsDuplicateNames) {
  TComponent owner;
  TComponent::Create<TComponent>(&owner, "Table");
  try {
    TComponent::Create<TComponent>(&owner, "TABLE");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named TABLE already exists");
  }
}

TEST(Component, ContainersAreFoundByName) {
  TTopLevelContainer form;
  form.SetName("MainForm");
  EXPECT_EQ(TApplication::FindContainer("mainform"), &form);
  { TTopLevelContainer other; }
  EXPECT_EQ(TApplication::FindContainer("nothing"), nullptr);
}

}  // namespace
}  // namespace lf
