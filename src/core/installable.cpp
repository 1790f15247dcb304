#include "core/installable.h"

Installable::~Installable() {
  for (Installable* child : children_) delete child;
}

void Installable::AddChild(Installable* item, uint32_t flags) {
  if (item == nullptr) return;  // a component that could not be allocated is simply missing
  children_.push_back(item);
  item->SetItemFlags(flags);
}

void Installable::AddChild(Installable* item) { AddChild(item, 0); }

void Installable::SetItemFlags(uint32_t flags) { itemFlags_ = flags; }

bool Installable::InstallChildren(uint32_t force) {
  bool result = true;
  for (Installable* child : children_)
    if (child != nullptr) result = child->Install(force) && result;
  return result;
}

bool Installable::UninstallChildren(uint32_t arg) {
  bool result = true;
  for (Installable* child : children_)
    if (child != nullptr) result = child->Uninstall(arg) && result;
  return result;
}
