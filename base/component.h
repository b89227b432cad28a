// The component model: objects with an owner and a name, owned components
// freed with their owner (last created first), free notification, and the
// loading state a component is in while its declared properties are applied.
#pragma once

#include <string>
#include <vector>

class TObject {
public:
  virtual ~TObject() = default;
};

class TPersistent : public TObject {
public:
  // Copies the contents of another object of a compatible class; the base
  // raises, so a class that supports it overrides.
  virtual void Assign(const TPersistent *source);
};

enum TOperation { opInsert, opRemove };

// Component state flags.
enum : unsigned {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csWriting = 1u << 2,
  csDestroying = 1u << 3,
  csDesigning = 1u << 4,
};

class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent *owner = nullptr);
  ~TComponent() override;
  TComponent(const TComponent &) = delete;
  TComponent &operator=(const TComponent &) = delete;

  TComponent *Owner() const { return owner_; }
  const std::string &Name() const { return name_; }
  void SetName(const std::string &name);
  long Tag() const { return tag_; }
  void SetTag(long tag) { tag_ = tag; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent *Components(int index) const { return components_.at(static_cast<size_t>(index)); }
  int ComponentIndex() const;
  // The owned component of that name, ignoring case; null when none.
  TComponent *FindComponent(const std::string &name) const;
  void InsertComponent(TComponent *component);
  void RemoveComponent(TComponent *component);

  // Asks to be told (Notification with opRemove) when `component` is freed.
  void FreeNotification(TComponent *component);
  void RemoveFreeNotification(TComponent *component);

  unsigned ComponentState() const { return state_; }
  bool IsLoading() const { return (state_ & csLoading) != 0; }
  bool IsDestroying() const { return (state_ & csDestroying) != 0; }

  // Loading: between BeginLoading and EndLoading the component (and its
  // owned components) are in csLoading; EndLoading calls Loaded on each.
  void BeginLoading();
  void EndLoading();

protected:
  virtual void Loaded();
  virtual void Notification(TComponent *component, TOperation operation);
  // Marks this component (and its owned ones) as being destroyed.
  void Destroying();
  // Frees the owned components, last created first. Destructors of derived
  // classes may call it early, while their own members are still alive.
  void DestroyComponents();

private:
  void Insert(TComponent *component);
  void Remove(TComponent *component);
  void NotifyOwned(TComponent *component, TOperation operation);

  TComponent *owner_ = nullptr;
  std::string name_;
  long tag_ = 0;
  unsigned state_ = 0;
  std::vector<TComponent *> components_;
  std::vector<TComponent *> free_notifies_;
};
