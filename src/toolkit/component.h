// A non-visual component: owned by its owner and freed with it, with an
// after-loading step that runs once the owning form has applied its stored
// description.
#pragma once

#include <string>
#include <vector>

namespace sw::tk {

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  // Runs the after-loading step of every owned component, then this one's.
  void NotifyLoaded();

 protected:
  // The after-loading step; the stored properties are in place when it runs.
  virtual void Loaded() {}

 private:
  TComponent* owner_;
  std::string name_;
  std::vector<TComponent*> owned_;  // freed in reverse order of creation
};

}  // namespace sw::tk
