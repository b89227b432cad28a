#include "base/component.h"

#include <algorithm>

#include "base/exception.h"
#include "base/text.h"

void TPersistent::Assign(const TPersistent *source) {
  (void)source;
  throw EConvertError("Cannot assign this object");
}

TComponent::TComponent(TComponent *owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell everyone who asked that this component goes away.
  while (!free_notifies_.empty()) {
    TComponent *other = free_notifies_.back();
    free_notifies_.pop_back();
    auto &theirs = other->free_notifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const std::string &name) {
  name_ = name;
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto &list = owner_->components_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent *TComponent::FindComponent(const std::string &name) const {
  if (name.empty()) return nullptr;
  for (TComponent *c : components_)
    if (AnsiSameText(c->name_, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent *component) {
  if (!component || component->owner_ == this) return;
  if (component->owner_) component->owner_->RemoveComponent(component);
  Insert(component);
  NotifyOwned(component, opInsert);
}

void TComponent::RemoveComponent(TComponent *component) {
  if (!component || component->owner_ != this) return;
  NotifyOwned(component, opRemove);
  Remove(component);
}

void TComponent::Insert(TComponent *component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::Remove(TComponent *component) {
  components_.erase(std::remove(components_.begin(), components_.end(), component),
                    components_.end());
  component->owner_ = nullptr;
}

void TComponent::NotifyOwned(TComponent *component, TOperation operation) {
  Notification(component, operation);
  // Copy: a notification may add or remove owned components.
  std::vector<TComponent *> owned = components_;
  for (TComponent *c : owned)
    if (c != component) c->Notification(component, operation);
}

void TComponent::FreeNotification(TComponent *component) {
  if (!component || component == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), component) == free_notifies_.end())
    free_notifies_.push_back(component);
  auto &theirs = component->free_notifies_;
  if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent *component) {
  if (!component) return;
  free_notifies_.erase(std::remove(free_notifies_.begin(), free_notifies_.end(), component),
                       free_notifies_.end());
  auto &theirs = component->free_notifies_;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::BeginLoading() {
  state_ |= csLoading;
  for (TComponent *c : components_)
    c->BeginLoading();
}

void TComponent::EndLoading() {
  std::vector<TComponent *> owned = components_;
  for (TComponent *c : owned)
    c->EndLoading();
  if (state_ & csLoading) {
    state_ &= ~csLoading;
    Loaded();
  }
}

void TComponent::Loaded() {}

void TComponent::Notification(TComponent *component, TOperation operation) {
  if (operation == opRemove)
    free_notifies_.erase(std::remove(free_notifies_.begin(), free_notifies_.end(), component),
                         free_notifies_.end());
}

void TComponent::Destroying() {
  if (state_ & csDestroying) return;
  state_ |= csDestroying;
  for (TComponent *c : components_)
    c->Destroying();
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent *c = components_.back();
    Remove(c);
    delete c;
  }
}
