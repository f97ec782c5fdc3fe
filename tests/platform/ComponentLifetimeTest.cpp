// Free notification of components that go with their owner.
#include <gtest/gtest.h>

#include "platform/Classes.h"

namespace norvale {
namespace {

// Clears its pointer to the component it watches when that one goes, and checks that the
// component is still whole then.
class TRefHolder : public TComponent {
 public:
  explicit TRefHolder(TComponent* Owner) : TComponent(Owner) {}
  void Watch(TComponent* C) {
    Watched = C;
    C->FreeNotification(this);
  }
  TComponent* Watched = nullptr;
  bool SawWhole = false;

 protected:
  void Notification(TComponent* C, TOperation Op) override {
    TComponent::Notification(C, Op);
    if (Op != opRemove || C != Watched) return;
    SawWhole = dynamic_cast<TRefHolder*>(C) != nullptr;
    Watched = nullptr;
  }
};

// A component owned by a component that is being freed tells its watchers, while it is whole,
// at every depth of ownership.
TEST(ComponentLifetime, OwnedComponentsTellTheirWatchersWhenTheirOwnerGoes) {
  for (int Depth : {1, 2, 3}) {
    TComponent* Root = NewObject<TComponent>(nullptr);
    TComponent* Parent = Root;
    for (int I = 1; I < Depth; ++I) Parent = NewObject<TComponent>(Parent);
    TRefHolder* Watched = NewObject<TRefHolder>(Parent);
    TRefHolder* Outside = NewObject<TRefHolder>(nullptr);
    Outside->Watch(Watched);
    Free(Root);
    EXPECT_EQ(Outside->Watched, nullptr) << Depth;
    EXPECT_TRUE(Outside->SawWhole) << Depth;
    Free(Outside);
  }
}

}  // namespace
}  // namespace norvale
