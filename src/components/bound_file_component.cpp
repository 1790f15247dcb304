#include "components/bound_file_component.h"

#include "core/tracked_error_list.h"

BoundFileComponent::BoundFileComponent(ItemDescriptor* item)
    : FileComponent(item), heldDescriptor(item) {
  if (heldDescriptor != nullptr) heldDescriptor->AddRef();
}

BoundFileComponent::~BoundFileComponent() {
  if (heldDescriptor != nullptr) heldDescriptor->Release();
}

bool BoundFileComponent::Validate() {
  if (heldDescriptor == nullptr) return RecordFailure(0x8F, kGenericCode);
  if (heldDescriptor->TargetPath().IsEmpty()) return RecordFailure(0x94, kGenericCode);
  return FileComponent::Validate();
}
