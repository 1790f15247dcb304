#include "components/file_component.h"

#include "components/file_version_reader.h"
#include "components/payload_version_reader.h"
#include "core/tracked_error_list.h"
#include "platform/scoped_handle.h"

FileComponent::FileComponent(ItemDescriptor* item) : descriptor(item) {
  if (descriptor != nullptr) descriptor->AddRef();
}

FileComponent::~FileComponent() {
  if (descriptor != nullptr) descriptor->Release();
}

bool FileComponent::Validate() {
  if (descriptor == nullptr) return RecordFailure(0xDB, kGenericCode);
  if (descriptor->TargetPath().IsEmpty()) return RecordFailure(0xE0, kGenericCode);
  return true;
}

bool FileComponent::Exists() {
  String target = descriptor->TargetPath();
  if (target.IsEmpty()) return RecordFailure(0x13A, kGenericCode);
  // A folder of that name counts as present.
  return GetFileAttributesA(target.CStr()) != INVALID_FILE_ATTRIBUTES;
}

bool FileComponent::NeedsUpdate() {
  FileVersionReader installed(descriptor->TargetPath());
  PayloadVersionReader payload(descriptor);
  if (!installed.IsValid() || !payload.IsValid()) return true;
  if (installed < payload) return true;
  // A current file may still be replaced or deleted at the next restart.
  return CancelPendingOperations(true);
}

bool FileComponent::MeetsRequiredVersion() {
  if (!descriptor->requiredVersion.IsValid()) return true;
  FileVersionReader installed(descriptor->TargetPath());
  if (!installed.IsValid()) return false;
  return !(installed < descriptor->requiredVersion);
}

DWORD FileComponent::TryExclusiveOpen() {
  ScopedHandle file(CreateFileA(descriptor->TargetPath().CStr(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  return file.IsValid() ? ERROR_SUCCESS : GetLastError();
}

bool FileComponent::CanReplaceNow(uint32_t mode) {
  if (mode != 0) return true;
  switch (TryExclusiveOpen()) {
    case ERROR_ACCESS_DENIED: return RecordFailure(0x186, kAccessDenied);
    case ERROR_SHARING_VIOLATION: return RecordFailure(0x189, kInUse);
    default: return true;  // opened, or absent: nothing holds it
  }
}

bool FileComponent::CanProceed(uint32_t mode) {
  if (mode != 0 || GetFileAttributesA(descriptor->TargetPath().CStr()) == INVALID_FILE_ATTRIBUTES)
    return true;
  if (FileComponent::Exists() && !FileComponent::NeedsUpdate()) return true;  // nothing to write
  switch (TryExclusiveOpen()) {
    case ERROR_ACCESS_DENIED: return RecordFailure(0x10C, kAccessDenied);
    case ERROR_SHARING_VIOLATION: return RecordFailure(0x10F, kInUse);
    default: return true;
  }
}

bool FileComponent::DeployDeferred() { return FileComponent::Deploy(true); }

const char* FileComponent::ComponentName() {
  return descriptor != nullptr ? descriptor->Name().CStr() : nullptr;
}
