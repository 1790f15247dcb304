// Writing and deleting a component's file, with bounded retries.
#include "components/file_component.h"
#include "components/file_operations.h"
#include "core/tracked_error_list.h"
#include "core/module_state.h"

namespace {

// One more deletion than writes: the first attempt and twelve retries.
constexpr int kDeleteRetries = 12;

}  // namespace

bool FileComponent::WritePayload(const String& path) {
  if (descriptor->resourceId != 0) {
    return ExtractResourceToFile(g_moduleHandle, "QelC14Ba.dll",
                                 static_cast<WORD>(descriptor->resourceId), "BINARY", path.CStr());
  }
  String source = descriptor->SourcePath();
  return RetryWithPauses(kWriteAttempts, [&] {
    MakeWritable(path.CStr());
    return CopyFileA(source.CStr(), path.CStr(), FALSE) != FALSE;
  });
}

bool FileComponent::Deploy(bool allowDeferral) {
  String install = descriptor->InstallPath();
  if (install.IsEmpty()) return RecordFailure(0x1D7, kEmptyPath);
  CancelPendingOperations(false);
  if (!FileComponent::NeedsUpdate()) return true;
  // The copy at the old place goes first, with its folders once empty.
  if (!EqualNoCase(install.CStr(), descriptor->TargetPath().CStr())) FileComponent::Remove(0);
  CreateParentFolders(install.CStr());

  const bool fromResource = descriptor->resourceId != 0;
  if (!fromResource && descriptor->SourcePath().IsEmpty())
    return RecordFailure(0x1FE, kEmptyPath);
  if (WritePayload(install)) {
    // From now on the file is looked for where it was written.
    descriptor->SetTargetFolder(descriptor->InstallFolder().CStr());
    return true;
  }
  if (allowDeferral && ScheduleReplacement()) {
    descriptor->SetTargetFolder(descriptor->InstallFolder().CStr());
    return RecordFailure(fromResource ? 0x1F3 : 0x20F, kRestartNeeded);
  }
  return RecordFailure(fromResource ? 0x1F6 : 0x211, kNotWritten);
}

bool FileComponent::Remove(uint32_t) {
  String target = descriptor->TargetPath();
  if (target.IsEmpty()) {
    RecordFailure(0x22E, kGenericCode);
    return true;
  }
  CancelPendingOperations(false);
  bool deleted = MakeWritable(target.CStr()) && DeleteFileA(target.CStr());
  if (!deleted) {
    DWORD error = GetLastError();
    bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                error == ERROR_INVALID_DRIVE;
    if (!gone && !RetryWithPauses(kDeleteRetries, [&] {
          MakeWritable(target.CStr());
          return DeleteFileA(target.CStr()) != FALSE;
        })) {
      ScheduleDeletion();
      return RecordFailure(0x253, kRestartNeeded);
    }
  }
  RemoveEmptyFolders(descriptor->TargetFolder().CStr());
  return true;
}
