// The restart-time steps of a file component.
#include <algorithm>
#include <memory>

#include "components/file_component.h"
#include "components/file_operations.h"
#include "components/restart_operations.h"
#include "core/process_objects.h"
#include "core/module_state.h"

bool FileComponent::ScheduleReplacement() {
  String folder = descriptor->InstallFolder();
  size_t capacity = std::max<size_t>(260, folder.Length() + 10);
  std::unique_ptr<char[]> staged(new char[capacity]());
  if (GetTempFileNameA(folder.CStr(), "C14", 0, staged.get()) == 0) return false;
  if (descriptor->resourceId != 0) {
    if (!ExtractResourceToFile(g_moduleHandle, "QelC14Ba.dll",
                               static_cast<WORD>(descriptor->resourceId), "BINARY", staged.get()))
      return RecordFailure(0x2B3, kNotWritten);
  } else if (!CopyFileA(descriptor->SourcePath().CStr(), staged.get(), FALSE)) {
    return RecordFailure(0x2BC, kNotWritten);
  }
  bool scheduled = ScheduleMoveAtRestart(staged.get(), descriptor->InstallPath().CStr());
  if (!scheduled) DeleteFileA(staged.get());
  return scheduled;
}

bool FileComponent::ScheduleDeletion() {
  return ScheduleMoveAtRestart(descriptor->TargetPath().CStr(), nullptr);
}

bool FileComponent::CancelPendingOperations(bool onlyLook) {
  String target = descriptor->TargetPath();
  String install = descriptor->InstallPath();
  const OsVersion& os = CurrentOsVersion();
  if (os.IsWin9x()) return CancelWininitRenames(target, install, onlyLook);
  if (os.IsNt()) return CancelPendingFileRenames(target, install, onlyLook);
  return RecordFailure(0x3A2, kGenericCode);
}
