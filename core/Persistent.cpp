#include "core/Persistent.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) : FOwner(owner) {
  if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  // Those that keep a reference to this component clear it now.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    std::erase(other->FFreeNotifies, this);
    other->Notification(*this);
  }
  // Each owned component takes itself out of FComponents as it goes.
  while (!FComponents.empty()) delete FComponents.back();
  if (FOwner) std::erase(FOwner->FComponents, this);
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) != FFreeNotifies.end()) return;
  FFreeNotifies.push_back(component);
  component->FFreeNotifies.push_back(this);
}
