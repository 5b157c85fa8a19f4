// The object model every form, control, menu, dataset and data module builds on.
//
// TObject   — the class-name chain ("TfrmSingle" → "TfrmBase" → ... →
//             "TComponent" → "TPersistent" → "TObject"), which language
//             packages walk to find their files.
// TPersistent — an object with published properties (properties.h) that can
//             copy another's state (Assign).
// TComponent — a named object with an owner. Components are found by name at
//             run time (FindComponent("gdHead")), because settings documents
//             and language packages address them that way.
//
// Ownership. An owner holds what it owns: its list of owned components is a
// list of std::unique_ptr, filled in creation order and freed in reverse
// order when the owner goes. Everything else holds raw pointers, which only
// observe. A component joins its owner's list in the TComponent constructor,
// before the derived constructors run, as on the original platform: so a
// constructor may already create sub-components and find its siblings, and a
// derived constructor that throws leaves the list again (the base destructor
// takes it out). Hence:
//
//   auto* edit = TComponent::Create<TEdit>(form);      // owned by `form`
//   auto form = TComponent::CreateUnowned<TfrmFoo>();  // std::unique_ptr
//
// `Create` is `new T(owner, ...)` with the ownership spelled out; `delete` on
// an owned component is allowed and takes it out of its owner's list. A
// component with an owner must live on the heap (its owner will delete it);
// on the stack or as a member only an unowned component is safe.
//
// References between components are raw pointers kept valid by free
// notification: FreeNotification(other) asks to be told (Notification(other,
// opRemove)) when `other` goes away, so the holder clears its pointer.
// TComponentRef does that bookkeeping by itself.
//
// Observers. A component reports every change of its visible state to its
// observers (property name + component); that is how a window-system front
// end mirrors the model without this code knowing about it.
#ifndef PELLOR_UI_COMPONENT_H_
#define PELLOR_UI_COMPONENT_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/rtl/errors.h"
#include "platform/ui/properties.h"

namespace pellor {

// Invalid component name, duplicate name, list index out of bounds.
PELLOR_DECLARE_ERROR(EComponentError, Exception);

// Declares the class-info members in a class body; PELLOR_DEFINE_CLASS in the
// .cc defines them. Leaves the access at private: write "public:" after it.
#define PELLOR_CLASS(Name)                                         \
 public:                                                           \
  static const ::pellor::TClassInfo& StaticClass();                \
  const ::pellor::TClassInfo& ClassType() const override;          \
                                                                   \
 private:                                                          \
  friend class ::pellor::TClassInfo

// Defines the class info of `Name`, a class derived from `Parent`. One
// definition in one .cc, so that every library sharing the class sees one
// class info and one property table.
#define PELLOR_DEFINE_CLASS(Name, Parent)                                                     \
  static_assert(std::is_base_of_v<Parent, Name>, #Name " must derive from " #Parent);         \
  const ::pellor::TClassInfo& Name::StaticClass() {                                           \
    static const ::pellor::TClassInfo info(#Name, &Parent::StaticClass(),                     \
                                           ::pellor::TClassInfo::DefinerOf<Name>());          \
    return info;                                                                              \
  }                                                                                           \
  const ::pellor::TClassInfo& Name::ClassType() const { return StaticClass(); }              \
  static_assert(true, "")

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassType() const;

  const std::string& ClassName() const { return ClassType().ClassName(); }
  // The parent class; nullptr for TObject.
  const TClassInfo* ClassParent() const { return ClassType().ClassParent(); }
  // True for the object's own class and each of its ancestors (case ignored).
  bool InheritsFrom(std::string_view className) const { return ClassType().InheritsFrom(className); }
};

// The plain event: `void Handler(TObject* sender)`.
using TNotifyEvent = std::function<void(TObject* sender)>;

class TPersistent : public TObject {
  PELLOR_CLASS(TPersistent);

 public:
  TPersistent() = default;

  // Copies the state of `source`. The base refuses with EConvertError
  // "Cannot assign a <source class> to a <this class>".
  virtual void Assign(const TPersistent& source);
};

enum TOperation : uint8_t { opInsert, opRemove };

class TComponent;

// Told of the changes of a component's visible state.
class TComponentObserver {
 public:
  virtual ~TComponentObserver() = default;
  // `property` is a published property name ("Caption", "Font", "Left"), or
  // one of the structural changes "Parent", "Controls" (a child control came
  // or went) and "Components" (an owned component came or went).
  virtual void PropertyChanged(TComponent& component, std::string_view property) = 0;
  // The component has begun to be destroyed; it reports nothing afterwards.
  virtual void ComponentDestroying(TComponent& component) {}
};

class TComponentRefBase;

class TComponent : public TPersistent {
  PELLOR_CLASS(TComponent);

 public:
  // Joins `owner`'s list (when given) and tells the owner (opInsert).
  explicit TComponent(TComponent* owner);
  // Marks itself destroying, tells those that asked for free notification,
  // frees its owned components in reverse creation order, and leaves its
  // owner's list.
  ~TComponent() override;

  // Creates a component owned by `owner` (which must not be null) and returns
  // an observing pointer.
  template <class T, class... A>
  static T* Create(TComponent* owner, A&&... args);
  // Creates a component without an owner: the caller holds it.
  template <class T, class... A>
  static std::unique_ptr<T> CreateUnowned(A&&... args);

  const std::string& Name() const { return name_; }
  // A name is empty or an identifier (ASCII letter or "_", then letters,
  // digits, "_"), unique among the owner's components without regard to
  // case; otherwise EComponentError.
  void SetName(const std::string& name);
  int Tag() const { return tag_; }
  void SetTag(int tag);

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // Owned component `index` in creation order; EComponentError when out of range.
  TComponent* Components(int index) const;
  // Position in the owner's list, -1 without an owner.
  int ComponentIndex() const;
  // The owned component with that name (case ignored); nullptr when there is
  // none or the name is empty.
  TComponent* FindComponent(std::string_view name) const;

  // Hands an owned component over to the caller (it then has no owner), and
  // takes over an unowned one. Both tell the owner (opRemove / opInsert).
  // Insert refuses a name that another owned component has (EComponentError),
  // leaving `component` with the caller.
  std::unique_ptr<TComponent> RemoveComponent(TComponent* component);
  void InsertComponent(std::unique_ptr<TComponent>&& component);

  // Asks to be told, through Notification(other, opRemove), when `other`
  // goes away. Asking twice is asking once.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

  // True from the moment destruction began (for owned components: from the
  // moment their owner's destruction began).
  bool Destroying() const { return destroying_; }

  // The component keeps a raw pointer: an observer that goes first removes
  // itself. Adding one twice adds it once.
  void AddObserver(TComponentObserver* observer);
  void RemoveObserver(TComponentObserver* observer);
  // While suspended (calls nest) changes are not reported, and not reported
  // later either: an observer re-reads what it needs after the pause.
  void SuspendObservers() { ++observersSuspended_; }
  void ResumeObservers();
  bool ObserversSuspended() const { return observersSuspended_ > 0; }

 protected:
  // Told when a component is inserted into or removed from this one's owned
  // list, and when a component this one asked about goes away. On opInsert
  // the component is still being constructed, and on opRemove it is partly
  // destroyed: compare the pointer, do not call it. Overrides clear their
  // pointers and call the base.
  virtual void Notification(TComponent* component, TOperation operation) {}

  // Reports a change to the observers, unless suspended or destroying.
  void Changed(std::string_view property);

  // Sets Destroying on this component and everything it owns and tells the
  // observers. ~TComponent does it, but only after the derived destructors
  // ran; a derived destructor that tears down state others can see (a parent
  // letting go of its children) calls it first.
  void MarkDestroying();

 private:
  friend class TComponentRefBase;

  static void DefineProperties(PropertyBuilder<TComponent>& p);

  void DestroyComponents();
  void CheckName(const std::string& name, const TComponent* owner) const;
  // Keeps the mutual free-notification link with `other` while either side
  // still wants it.
  void Link(TComponent* other);
  void UnlinkIfUnused(TComponent* other);
  bool Wants(const TComponent* other) const;
  void ComponentGone(TComponent* gone);

  std::string name_;
  int tag_ = 0;
  TComponent* owner_ = nullptr;
  bool destroying_ = false;
  int observersSuspended_ = 0;
  std::vector<std::unique_ptr<TComponent>> components_;
  std::vector<TComponent*> linked_;      // free-notification links, both ways
  std::vector<TComponent*> subscribed_;  // asked for by FreeNotification
  std::vector<TComponentRefBase*> refs_;
  std::vector<TComponentObserver*> observers_;
};

template <class T, class... A>
T* TComponent::Create(TComponent* owner, A&&... args) {
  static_assert(std::is_base_of_v<TComponent, T>);
  if (owner == nullptr) throw EComponentError("Create needs an owner; use CreateUnowned");
  return new T(owner, std::forward<A>(args)...);
}

template <class T, class... A>
std::unique_ptr<T> TComponent::CreateUnowned(A&&... args) {
  static_assert(std::is_base_of_v<TComponent, T>);
  return std::unique_ptr<T>(new T(nullptr, std::forward<A>(args)...));
}

// A pointer from one component (the holder) to another that turns null when
// the other goes away. Declare it as a member of the holder:
//   TComponentRef<TDataSource> dataSource_{this};
class TComponentRefBase {
 public:
  TComponentRefBase(const TComponentRefBase&) = delete;
  TComponentRefBase& operator=(const TComponentRefBase&) = delete;

 protected:
  explicit TComponentRefBase(TComponent* holder);
  ~TComponentRefBase();
  void SetTarget(TComponent* target);
  TComponent* Target() const { return target_; }

 private:
  friend class TComponent;
  TComponent* holder_;
  TComponent* target_ = nullptr;
};

template <class T>
class TComponentRef : public TComponentRefBase {
 public:
  explicit TComponentRef(TComponent* holder) : TComponentRefBase(holder) {}

  T* Get() const { return Target() != nullptr ? typed_ : nullptr; }
  operator T*() const { return Get(); }
  T* operator->() const { return Get(); }
  void Set(T* target) {
    typed_ = target;
    SetTarget(target);
  }

 private:
  T* typed_ = nullptr;
};

// Suspends a component's observers for a scope.
class TObserversSuspended {
 public:
  explicit TObserversSuspended(TComponent& component) : component_(component) {
    component_.SuspendObservers();
  }
  ~TObserversSuspended() { component_.ResumeObservers(); }
  TObserversSuspended(const TObserversSuspended&) = delete;
  TObserversSuspended& operator=(const TObserversSuspended&) = delete;

 private:
  TComponent& component_;
};

}  // namespace pellor

#endif  // PELLOR_UI_COMPONENT_H_
