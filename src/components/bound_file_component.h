#pragma once

#include "components/file_component.h"

// A file component that holds its descriptor a second time; the driver
// component derives from it.
class BoundFileComponent : public FileComponent {
 public:
  explicit BoundFileComponent(ItemDescriptor* item);
  ~BoundFileComponent() override;

  bool Validate() override;
  uint32_t KindFlags() override { return 0x13; }

 protected:
  ItemDescriptor* heldDescriptor;
};
