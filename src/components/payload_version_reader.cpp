#include "components/payload_version_reader.h"

#include "components/module_resource.h"
#include "components/item_descriptor.h"
#include "components/version_text.h"
#include "core/tracked_error_list.h"
#include "core/module_state.h"

PayloadVersionReader::PayloadVersionReader(ItemDescriptor* item)
    : FileVersionReader(item->SourcePath()), descriptor(item) {
  descriptor->AddRef();
}

PayloadVersionReader::~PayloadVersionReader() { descriptor->Release(); }

bool PayloadVersionReader::IsValid() {
  if (valid) return true;
  if (descriptor->resourceId != 0) ScanResource();
  // A resource payload has no source path: this records why nothing was found.
  if (!valid) FileVersionReader::IsValid();
  return valid;
}

void PayloadVersionReader::ScanResource() {
  if (g_moduleHandle == nullptr) g_moduleHandle = GetModuleHandleA("qelc14ba.dll");
  if (g_moduleHandle == nullptr) {
    RecordFailure(0x78, kGenericCode);
    return;
  }
  const uint8_t* data = nullptr;
  DWORD size = 0;
  WORD id = static_cast<WORD>(descriptor->resourceId & 0xFFFF);
  if (LoadModuleResource(g_moduleHandle, id, "BINARY", &data, &size))
    ScanForFileVersion(data, size, *this);
}
