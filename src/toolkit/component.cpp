#include "toolkit/component.h"

#include <algorithm>

namespace sw::tk {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) owner_->owned_.push_back(this);
}

TComponent::~TComponent() {
  // Free what this component owns, newest first; each child unhooks itself.
  while (!owned_.empty()) delete owned_.back();
  if (owner_ != nullptr) {
    auto& siblings = owner_->owned_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

void TComponent::NotifyLoaded() {
  std::vector<TComponent*> snapshot = owned_;
  for (TComponent* child : snapshot) child->NotifyLoaded();
  Loaded();
}

}  // namespace sw::tk
