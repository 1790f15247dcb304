#include <string>

#include "file_system.h"
#include "machine.h"

using namespace sim::detail;

namespace {

// Finds an existing node; null with the last error set when there is none.
std::shared_ptr<FsNode> Existing(const std::string& raw, FsPath* path) {
  if (!ParsePath(raw, path)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  std::shared_ptr<FsNode> node = Disks().Find(path->key);
  if (!node) SetLastError(Disks().MissingError(*path));
  return node;
}

// Whether a file can go away now (deleted, replaced by a move, or with
// `renames` moved itself); sets the last error when it cannot.
bool CanDelete(const FsPath& path, const FsNode& node, bool renames = false) {
  Disks().Settle();
  DWORD error = ERROR_SUCCESS;
  if (node.folder || (node.attributes & FILE_ATTRIBUTE_READONLY)) error = ERROR_ACCESS_DENIED;
  if (error == ERROR_SUCCESS) error = Disks().PathFault(path.key);
  // An image's section keeps its file from being deleted, not (on NT) from
  // being renamed. Windows 9x, which keeps the file open, refuses both with
  // 5: Wine's kernel32 file tests accept 5 from Windows 9x for moving an
  // open, mapped file.
  if (error == ERROR_SUCCESS && Disks().ImageMapped(path.key, node) &&
      !(renames && TheMachine().version.dwPlatformId == VER_PLATFORM_WIN32_NT))
    error = ERROR_ACCESS_DENIED;
  if (error == ERROR_SUCCESS && SharingConflicts(node, kDeleteAccess, kShareAll))
    error = ERROR_SHARING_VIOLATION;
  SetLastError(error);
  return error == 0;
}

std::string Text(LPCSTR text) { return text ? text : ""; }

}  // namespace

extern "C" {

DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
  if (Enter("GetFileAttributesA", Text(fileName))) return INVALID_FILE_ATTRIBUTES;
  FsPath path;
  std::shared_ptr<FsNode> node = Existing(Text(fileName), &path);
  if (!node) return INVALID_FILE_ATTRIBUTES;
  if (node->folder) return node->attributes | FILE_ATTRIBUTE_DIRECTORY;
  return node->attributes != 0 ? node->attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
  if (Enter("SetFileAttributesA", Text(fileName))) return FALSE;
  FsPath path;
  std::shared_ptr<FsNode> node = Existing(Text(fileName), &path);
  if (!node) return FALSE;
  // Attributes change on files in use too; only a denial stops it.
  if (DWORD error = Disks().PathFault(path.key, false)) {
    SetLastError(error);
    return FALSE;
  }
  node->attributes = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                   FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
  if (Enter("CopyFileA", Text(existingFileName) + " -> " + Text(newFileName))) return FALSE;
  DWORD error = 0;
  std::shared_ptr<FsNode> source = Disks().OpenFile(
      Text(existingFileName), OpenRequest{GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0}, &error);
  if (!source) {
    SetLastError(error);
    return FALSE;
  }
  OpenedFile reading(source, GENERIC_READ, FILE_SHARE_READ);  // the target may not be the source
  std::shared_ptr<FsNode> target = Disks().OpenFile(
      Text(newFileName),
      OpenRequest{GENERIC_WRITE, 0, static_cast<DWORD>(failIfExists ? CREATE_NEW : CREATE_ALWAYS),
                  source->attributes},
      &error);
  if (!target) {
    SetLastError(error);
    return FALSE;
  }
  target->data = source->data;
  target->attributes = source->attributes | FILE_ATTRIBUTE_ARCHIVE;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  if (Enter("DeleteFileA", Text(fileName))) return FALSE;
  FsPath path;
  std::shared_ptr<FsNode> node = Existing(Text(fileName), &path);
  if (!node || !CanDelete(path, *node)) return FALSE;
  // Handles that allowed the deletion keep reading the orphaned node.
  Disks().Remove(path.key);
  return TRUE;
}

BOOL WINAPI MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags) {
  if (Enter("MoveFileExA", Text(existingFileName) + " -> " + Text(newFileName))) return FALSE;
  if (TheMachine().version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);  // Windows 9x has only a stub
    return FALSE;
  }
  if (existingFileName == nullptr ||
      ((flags & MOVEFILE_DELAY_UNTIL_REBOOT) && (flags & MOVEFILE_COPY_ALLOWED)) ||
      (newFileName == nullptr && !(flags & MOVEFILE_DELAY_UNTIL_REBOOT))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (flags & MOVEFILE_DELAY_UNTIL_REBOOT)
    return RecordPendingRename(existingFileName, newFileName,
                               (flags & MOVEFILE_REPLACE_EXISTING) != 0);
  FsPath from, to;
  std::shared_ptr<FsNode> node = Existing(existingFileName, &from);
  if (!node) return FALSE;
  if (!ParsePath(newFileName, &to)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (!node->folder && !CanDelete(from, *node, true)) return FALSE;
  std::shared_ptr<FsNode> parent = Disks().Find(to.parent);
  if (!parent || !parent->folder) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (to.key.compare(0, 2, from.key, 0, 2) != 0 &&
      (node->folder || !(flags & MOVEFILE_COPY_ALLOWED))) {
    SetLastError(ERROR_NOT_SAME_DEVICE);
    return FALSE;
  }
  std::shared_ptr<FsNode> existing = to.key == from.key ? nullptr : Disks().Find(to.key);
  if (existing) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
      SetLastError(ERROR_ALREADY_EXISTS);
      return FALSE;
    }
    if (!CanDelete(to, *existing)) return FALSE;
    Disks().Remove(to.key);
  }
  Disks().Rename(from, to);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

}  // extern "C"
