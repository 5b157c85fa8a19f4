#include "platform/ui/component.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace pellor {
namespace {

// A component that writes its name into a log when it is destroyed, together
// with whether it and its owner were marked destroying by then.
class TLogged : public TComponent {
  PELLOR_CLASS(TLogged);

 public:
  TLogged(TComponent* owner, std::string name, std::vector<std::string>* log) : TComponent(owner), log_(log) {
    SetName(name);
  }
  ~TLogged() override {
    std::string entry = Name();
    if (Destroying()) entry += "*";
    log_->push_back(entry);
  }

 private:
  std::vector<std::string>* log_;
};
PELLOR_DEFINE_CLASS(TLogged, TComponent);

// Holds references to other components: one kept by hand through
// Notification, one through TComponentRef.
class THolder : public TComponent {
  PELLOR_CLASS(THolder);

 public:
  using TComponent::TComponent;

  TComponent* manual = nullptr;
  std::vector<std::pair<TComponent*, TOperation>> told;
  TComponentRef<TComponent> ref{this};
  TComponentRef<TComponent> ref2{this};

  void Watch(TComponent* c) {
    manual = c;
    FreeNotification(c);
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    told.emplace_back(component, operation);
    if (operation == opRemove && component == manual) manual = nullptr;
    TComponent::Notification(component, operation);
  }
};
PELLOR_DEFINE_CLASS(THolder, TComponent);

class TfrmBaseTest : public TComponent {
  PELLOR_CLASS(TfrmBaseTest);

 public:
  using TComponent::TComponent;
};
PELLOR_DEFINE_CLASS(TfrmBaseTest, TComponent);

class TfrmSingleTest : public TfrmBaseTest {
  PELLOR_CLASS(TfrmSingleTest);

 public:
  using TfrmBaseTest::TfrmBaseTest;
};
PELLOR_DEFINE_CLASS(TfrmSingleTest, TfrmBaseTest);

class TThrowing : public TComponent {
  PELLOR_CLASS(TThrowing);

 public:
  explicit TThrowing(TComponent* owner) : TComponent(owner) {
    TComponent::Create<TComponent>(this)->SetName("inner");
    throw std::runtime_error("constructor failed");
  }
};
PELLOR_DEFINE_CLASS(TThrowing, TComponent);

class Recorder : public TComponentObserver {
 public:
  void PropertyChanged(TComponent& component, std::string_view property) override {
    changes.push_back(component.Name() + "." + std::string(property));
  }
  void ComponentDestroying(TComponent& component) override { destroyed.push_back(component.Name()); }
  std::vector<std::string> changes;
  std::vector<std::string> destroyed;
};

TEST(ComponentTest, OwnerFreesItsComponentsInReverseCreationOrder) {
  std::vector<std::string> log;
  {
    auto owner = TComponent::CreateUnowned<TLogged>("owner", &log);
    auto* a = TComponent::Create<TLogged>(owner.get(), "a", &log);
    TComponent::Create<TLogged>(owner.get(), "b", &log);
    TComponent::Create<TLogged>(a, "a1", &log);
    TComponent::Create<TLogged>(owner.get(), "c", &log);
    ASSERT_EQ(owner->ComponentCount(), 3);
    EXPECT_EQ(owner->Components(0), a);
    EXPECT_EQ(owner->Components(2)->Name(), "c");
    EXPECT_EQ(owner->Components(2)->ComponentIndex(), 2);
    EXPECT_THROW(owner->Components(3), EComponentError);
  }
  // Every owned component sees Destroying() once its owner's destruction
  // began; the owner itself is only marked by ~TComponent, after its own
  // destructor body ran.
  EXPECT_EQ(log, (std::vector<std::string>{"owner", "c*", "b*", "a*", "a1*"}));
}

TEST(ComponentTest, ComponentFreedOnItsOwnLeavesItsOwnersList) {
  auto owner = TComponent::CreateUnowned<THolder>();
  auto* a = TComponent::Create<TComponent>(owner.get());
  auto* b = TComponent::Create<TComponent>(owner.get());
  auto* c = TComponent::Create<TComponent>(owner.get());
  b->SetName("b");
  delete b;
  ASSERT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(0), a);
  EXPECT_EQ(owner->Components(1), c);
  EXPECT_EQ(owner->FindComponent("b"), nullptr);
  // The owner heard of each insertion and of the removal.
  ASSERT_EQ(owner->told.size(), 4u);
  EXPECT_EQ(owner->told[3], std::make_pair(static_cast<TComponent*>(b), opRemove));
}

TEST(ComponentTest, ConstructorThatThrowsLeavesNoTraceInItsOwner) {
  auto owner = TComponent::CreateUnowned<TComponent>();
  EXPECT_THROW(TComponent::Create<TThrowing>(owner.get()), std::runtime_error);
  EXPECT_EQ(owner->ComponentCount(), 0);
}

TEST(ComponentTest, CreateWithoutOwnerIsRefused) {
  EXPECT_THROW(TComponent::Create<TComponent>(nullptr), EComponentError);
}

TEST(ComponentTest, FindComponentIgnoresCaseAndNamesAreUniqueIdentifiers) {
  auto owner = TComponent::CreateUnowned<TComponent>();
  auto* grid = TComponent::Create<TComponent>(owner.get());
  auto* unnamed = TComponent::Create<TComponent>(owner.get());
  grid->SetName("gdHead");
  EXPECT_EQ(owner->FindComponent("GDHEAD"), grid);
  EXPECT_EQ(owner->FindComponent("gdhead"), grid);
  EXPECT_EQ(owner->FindComponent(""), nullptr);
  EXPECT_EQ(owner->FindComponent("gdHead1"), nullptr);

  EXPECT_THROW(unnamed->SetName("GDHEAD"), EComponentError);
  EXPECT_EQ(unnamed->Name(), "");
  for (const char* bad : {"1ab", "a b", "ed-1", "a.b"}) {
    EXPECT_THROW(unnamed->SetName(bad), EComponentError) << bad;
  }
  grid->SetName("GdHead");  // its own name in another case
  unnamed->SetName("_ed1");
  EXPECT_EQ(owner->FindComponent("_ED1"), unnamed);
}

TEST(ComponentTest, OwnershipCanBeHandedOverWithTheTypes) {
  std::vector<std::string> log;
  auto first = TComponent::CreateUnowned<TComponent>();
  auto second = TComponent::CreateUnowned<TComponent>();
  auto* moved = TComponent::Create<TLogged>(first.get(), "moved", &log);
  TComponent::Create<TLogged>(second.get(), "MOVED", &log);

  std::unique_ptr<TComponent> held = first->RemoveComponent(moved);
  EXPECT_EQ(held->Owner(), nullptr);
  EXPECT_EQ(first->ComponentCount(), 0);
  // A name clash leaves the component with the caller.
  EXPECT_THROW(second->InsertComponent(std::move(held)), EComponentError);
  ASSERT_NE(held, nullptr);
  // Nor may a component come to own its own owner.
  auto* inner = TComponent::Create<TComponent>(held.get());
  std::unique_ptr<TComponent> outer = std::move(held);
  EXPECT_THROW(inner->InsertComponent(std::move(outer)), EComponentError);
  held = std::move(outer);
  first.reset();
  EXPECT_TRUE(log.empty());

  auto third = TComponent::CreateUnowned<TComponent>();
  third->InsertComponent(std::move(held));
  EXPECT_EQ(moved->Owner(), third.get());
  third.reset();
  EXPECT_EQ(log, std::vector<std::string>{"moved*"});
}

TEST(ComponentTest, FreeNotificationClearsReferences) {
  auto form = TComponent::CreateUnowned<TComponent>();
  auto* holder = TComponent::Create<THolder>(form.get());
  auto* target = TComponent::Create<TComponent>(form.get());
  auto* other = TComponent::Create<TComponent>(form.get());

  holder->Watch(target);
  holder->ref.Set(target);
  holder->ref2.Set(target);
  holder->ref2.Set(other);  // still wanted by `ref` and by hand
  EXPECT_EQ(holder->ref.Get(), target);

  delete target;
  EXPECT_EQ(holder->manual, nullptr);
  EXPECT_EQ(holder->ref.Get(), nullptr);
  EXPECT_EQ(holder->ref2.Get(), other);
  EXPECT_EQ(holder->told.back(), std::make_pair(target, opRemove));

  delete other;
  EXPECT_EQ(holder->ref2.Get(), nullptr);
}

TEST(ComponentTest, RemovedFreeNotificationIsNotTold) {
  auto form = TComponent::CreateUnowned<TComponent>();
  auto* holder = TComponent::Create<THolder>(form.get());
  auto* target = TComponent::Create<TComponent>(form.get());
  holder->FreeNotification(target);
  holder->FreeNotification(target);
  holder->RemoveFreeNotification(target);
  size_t before = holder->told.size();
  delete target;
  EXPECT_EQ(holder->told.size(), before);

  // A reference still gets cleared when the manual link goes.
  auto* second = TComponent::Create<TComponent>(form.get());
  holder->ref.Set(second);
  holder->FreeNotification(second);
  holder->RemoveFreeNotification(second);
  delete second;
  EXPECT_EQ(holder->ref.Get(), nullptr);
}

TEST(ComponentTest, HolderFreedFirstLeavesNoLinkBehind) {
  // Each side asks about the other; either may go first.
  auto form = TComponent::CreateUnowned<TComponent>();
  auto* a = TComponent::Create<THolder>(form.get());
  auto* b = TComponent::Create<THolder>(form.get());
  a->Watch(b);
  b->Watch(a);
  a->ref.Set(b);
  delete a;
  EXPECT_EQ(b->manual, nullptr);
  size_t before = b->told.size();
  auto* c = TComponent::Create<TComponent>(form.get());
  delete c;  // b never asked about c
  EXPECT_EQ(b->told.size(), before);
}

TEST(ComponentTest, ClassNameChainOfDerivedClass) {
  TfrmSingleTest form(nullptr);
  std::vector<std::string> chain;
  for (const TClassInfo* c = &form.ClassType(); c != nullptr; c = c->ClassParent()) chain.push_back(c->ClassName());
  EXPECT_EQ(chain, (std::vector<std::string>{"TfrmSingleTest", "TfrmBaseTest", "TComponent", "TPersistent", "TObject"}));
  EXPECT_EQ(form.ClassName(), "TfrmSingleTest");
  EXPECT_EQ(form.ClassParent()->ClassName(), "TfrmBaseTest");
  EXPECT_TRUE(form.InheritsFrom("tfrmbasetest"));
  EXPECT_TRUE(form.InheritsFrom("TObject"));
  EXPECT_FALSE(form.InheritsFrom("TControl"));
  EXPECT_TRUE(form.ClassType().InheritsFrom(TComponent::StaticClass()));
  EXPECT_FALSE(TfrmBaseTest::StaticClass().InheritsFrom(TfrmSingleTest::StaticClass()));
}

TEST(ComponentTest, AssignBetweenUnrelatedClassesIsRefused) {
  TComponent a(nullptr);
  TComponent b(nullptr);
  EXPECT_THROW(a.Assign(b), EConvertError);
}

TEST(ComponentTest, ObserversHearChangesUnlessSuspended) {
  auto owner = TComponent::CreateUnowned<TComponent>();
  owner->SetName("frm");
  Recorder recorder;
  owner->AddObserver(&recorder);

  auto* child = TComponent::Create<TComponent>(owner.get());
  owner->SetTag(5);
  owner->SetTag(5);  // no change, no report
  {
    TObserversSuspended quiet(*owner);
    owner->SetTag(6);
    owner->SetName("frmQuiet");
  }
  owner->SetName("frmMain");
  delete child;
  EXPECT_EQ(recorder.changes,
            (std::vector<std::string>{"frm.Components", "frm.Tag", "frmMain.Name", "frmMain.Components"}));
  owner.reset();
  EXPECT_EQ(recorder.destroyed, std::vector<std::string>{"frmMain"});
}

TEST(ComponentTest, ObserverMayRemoveItselfWhileTold) {
  class Once : public TComponentObserver {
   public:
    void PropertyChanged(TComponent& component, std::string_view) override {
      ++count;
      component.RemoveObserver(this);
    }
    int count = 0;
  };
  TComponent c(nullptr);
  Once once;
  Recorder recorder;
  c.AddObserver(&once);
  c.AddObserver(&recorder);
  c.SetTag(1);
  c.SetTag(2);
  EXPECT_EQ(once.count, 1);
  EXPECT_EQ(recorder.changes.size(), 2u);
}

}  // namespace
}  // namespace pellor
