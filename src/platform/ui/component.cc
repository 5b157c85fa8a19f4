#include "platform/ui/component.h"

#include <algorithm>

#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

template <class V, class P>
void EraseValue(V& vector, P value) {
  vector.erase(std::remove(vector.begin(), vector.end(), value), vector.end());
}

template <class V, class P>
bool HasValue(const V& vector, P value) {
  return std::find(vector.begin(), vector.end(), value) != vector.end();
}

bool IsIdentifier(std::string_view name) {
  auto isAlpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (name.empty() || !isAlpha(name[0])) return false;
  return std::all_of(name.begin(), name.end(), [&](char c) { return isAlpha(c) || (c >= '0' && c <= '9'); });
}

}  // namespace

// ---- TObject, TPersistent ----------------------------------------------------

const TClassInfo& TObject::StaticClass() {
  static const TClassInfo info("TObject", nullptr, nullptr);
  return info;
}

const TClassInfo& TObject::ClassType() const { return StaticClass(); }

PELLOR_DEFINE_CLASS(TPersistent, TObject);

void TPersistent::Assign(const TPersistent& source) {
  throw EConvertError("Cannot assign a " + source.ClassName() + " to a " + ClassName());
}

// ---- TComponent --------------------------------------------------------------

PELLOR_DEFINE_CLASS(TComponent, TPersistent);

void TComponent::DefineProperties(PropertyBuilder<TComponent>& p) {
  p.Text("Name", &TComponent::Name, &TComponent::SetName).Integer("Tag", &TComponent::Tag, &TComponent::SetTag);
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ == nullptr) return;
  owner_->components_.emplace_back(this);
  owner_->Notification(this, opInsert);
  owner_->Changed("Components");
}

TComponent::~TComponent() {
  MarkDestroying();

  // Tell those that asked about this one; links this one made go as well.
  // One at a time from the live list: a Notification may free another
  // linked component, which then takes itself out of the list.
  while (!linked_.empty()) {
    TComponent* other = linked_.back();
    linked_.pop_back();
    EraseValue(other->linked_, this);
    if (other->Wants(this)) other->ComponentGone(this);
  }
  subscribed_.clear();
  // References of the derived parts unregistered in their destructors; any
  // that were not members of this object must not point back to it.
  for (TComponentRefBase* ref : refs_) ref->holder_ = nullptr;
  refs_.clear();

  DestroyComponents();

  if (owner_ != nullptr) {
    auto& list = owner_->components_;
    auto it = std::find_if(list.begin(), list.end(), [this](const auto& p) { return p.get() == this; });
    if (it != list.end()) {
      it->release();  // this very destructor is freeing it
      list.erase(it);
      if (!owner_->destroying_) {
        owner_->Notification(this, opRemove);
        owner_->Changed("Components");
      }
    }
  }
}

void TComponent::MarkDestroying() {
  if (destroying_) return;
  destroying_ = true;
  std::vector<TComponentObserver*> observers = observers_;
  for (TComponentObserver* observer : observers) {
    if (HasValue(observers_, observer)) observer->ComponentDestroying(*this);
  }
  observers_.clear();
  for (auto& owned : components_) owned->MarkDestroying();
}

void TComponent::DestroyComponents() {
  // Last created first. A component's destructor may free a sibling too, so
  // take the current last one each time round.
  while (!components_.empty()) {
    std::unique_ptr<TComponent> last = std::move(components_.back());
    components_.pop_back();
    last.reset();
  }
}

void TComponent::CheckName(const std::string& name, const TComponent* owner) const {
  if (name.empty()) return;
  if (!IsIdentifier(name)) {
    throw EComponentError("Component name '" + name + "' is not a valid identifier");
  }
  if (owner == nullptr) return;
  TComponent* other = owner->FindComponent(name);
  if (other != nullptr && other != this) {
    throw EComponentError("A component named '" + name + "' already exists in " +
                          (owner->name_.empty() ? owner->ClassName() : owner->name_));
  }
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  CheckName(name, owner_);
  name_ = name;
  Changed("Name");
}

void TComponent::SetTag(int tag) {
  if (tag == tag_) return;
  tag_ = tag;
  Changed("Tag");
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) {
    throw EComponentError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return components_[index].get();
}

int TComponent::ComponentIndex() const {
  if (owner_ == nullptr) return -1;
  const auto& list = owner_->components_;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].get() == this) return static_cast<int>(i);
  }
  return -1;
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (const auto& owned : components_) {
    if (SameText(owned->name_, name)) return owned.get();
  }
  return nullptr;
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find_if(components_.begin(), components_.end(),
                         [component](const auto& p) { return p.get() == component; });
  if (component == nullptr || it == components_.end()) {
    throw EComponentError("The component is not owned by " + (name_.empty() ? ClassName() : name_));
  }
  std::unique_ptr<TComponent> released = std::move(*it);
  components_.erase(it);
  released->owner_ = nullptr;
  Notification(released.get(), opRemove);
  Changed("Components");
  return released;
}

void TComponent::InsertComponent(std::unique_ptr<TComponent>&& component) {
  if (component == nullptr) return;
  if (component->owner_ != nullptr) throw EComponentError("The component already has an owner");
  for (const TComponent* up = this; up != nullptr; up = up->owner_) {
    if (up == component.get()) throw EComponentError("A component cannot own itself");
  }
  component->CheckName(component->name_, this);
  TComponent* raw = component.get();
  raw->owner_ = this;
  components_.push_back(std::move(component));
  Notification(raw, opInsert);
  Changed("Components");
}

// ---- Free notification --------------------------------------------------------

bool TComponent::Wants(const TComponent* other) const {
  if (HasValue(subscribed_, other)) return true;
  return std::any_of(refs_.begin(), refs_.end(), [other](const TComponentRefBase* r) { return r->target_ == other; });
}

void TComponent::Link(TComponent* other) {
  if (!HasValue(linked_, other)) linked_.push_back(other);
  if (!HasValue(other->linked_, this)) other->linked_.push_back(this);
}

void TComponent::UnlinkIfUnused(TComponent* other) {
  if (Wants(other) || other->Wants(this)) return;
  EraseValue(linked_, other);
  EraseValue(other->linked_, this);
}

void TComponent::FreeNotification(TComponent* other) {
  if (other == nullptr || other == this || other->destroying_) return;
  if (!HasValue(subscribed_, other)) subscribed_.push_back(other);
  Link(other);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  if (other == nullptr || !HasValue(subscribed_, other)) return;
  EraseValue(subscribed_, other);
  UnlinkIfUnused(other);
}

void TComponent::ComponentGone(TComponent* gone) {
  EraseValue(subscribed_, gone);
  for (TComponentRefBase* ref : refs_) {
    if (ref->target_ == gone) ref->target_ = nullptr;
  }
  Notification(gone, opRemove);
}

TComponentRefBase::TComponentRefBase(TComponent* holder) : holder_(holder) {
  if (holder_ != nullptr) holder_->refs_.push_back(this);
}

TComponentRefBase::~TComponentRefBase() {
  if (holder_ == nullptr) return;
  EraseValue(holder_->refs_, this);
  if (target_ != nullptr) holder_->UnlinkIfUnused(target_);
}

void TComponentRefBase::SetTarget(TComponent* target) {
  if (target == target_) return;
  TComponent* old = target_;
  // A component already on its way out is not worth pointing at: it would
  // leave the reference dangling once its link is gone.
  target_ = (target != nullptr && target->destroying_) ? nullptr : target;
  if (holder_ == nullptr) return;
  if (target_ != nullptr && target_ != holder_) holder_->Link(target_);
  if (old != nullptr && old != holder_) holder_->UnlinkIfUnused(old);
}

// ---- Observers ----------------------------------------------------------------

void TComponent::AddObserver(TComponentObserver* observer) {
  if (observer != nullptr && !destroying_ && !HasValue(observers_, observer)) observers_.push_back(observer);
}

void TComponent::RemoveObserver(TComponentObserver* observer) { EraseValue(observers_, observer); }

void TComponent::ResumeObservers() {
  if (observersSuspended_ > 0) --observersSuspended_;
}

void TComponent::Changed(std::string_view property) {
  if (observersSuspended_ > 0 || destroying_ || observers_.empty()) return;
  // An observer may remove itself (or another) while being told.
  std::vector<TComponentObserver*> observers = observers_;
  for (TComponentObserver* observer : observers) {
    if (HasValue(observers_, observer)) observer->PropertyChanged(*this, property);
  }
}

}  // namespace pellor
