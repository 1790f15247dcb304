#include <cstdio>
#include <cstring>
#include <string>

#include "file_system.h"
#include "machine.h"

using namespace sim::detail;

extern "C" {

UINT WINAPI GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName) {
  if (Enter("GetTempFileNameA", pathName ? pathName : "")) return 0;
  if (pathName == nullptr || tempFileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string folder = pathName;
  if (folder.size() > MAX_PATH - 14) {
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return 0;
  }
  FsPath path;
  std::shared_ptr<FsNode> node = ParsePath(folder, &path) ? Disks().Find(path.key) : nullptr;
  if (!node || !node->folder) {
    SetLastError(ERROR_DIRECTORY);
    return 0;
  }
  std::string base = folder;
  if (base.empty() || base.back() != '\\') base += '\\';
  base += std::string(prefix ? prefix : "").substr(0, 3);
  auto nameOf = [&](UINT number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%X.TMP", number & 0xFFFF);
    return base + digits;
  };
  auto give = [&](const std::string& name, UINT number) {
    std::memcpy(tempFileName, name.c_str(), name.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return number;
  };
  if (unique != 0) return give(nameOf(unique), unique & 0xFFFF);
  FileSystem& disks = Disks();
  for (unsigned tries = 0; tries < 0xFFFF; ++tries) {
    UINT number = disks.nextTempNumber;
    disks.nextTempNumber = number % 0xFFFF + 1;
    DWORD error = 0;
    std::string name = nameOf(number);
    if (disks.OpenFile(name, OpenRequest{GENERIC_WRITE, 0, CREATE_NEW, 0}, &error))
      return give(name, number);
    if (error != ERROR_FILE_EXISTS) {
      SetLastError(error);
      return 0;
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES) {
  if (Enter("CreateDirectoryA", pathName ? pathName : "")) return FALSE;
  FsPath path;
  DWORD error = 0;
  if (pathName == nullptr || !ParsePath(pathName, &path)) {
    error = ERROR_PATH_NOT_FOUND;
  } else if (Disks().Find(path.key)) {
    error = ERROR_ALREADY_EXISTS;
  } else if ((error = Disks().PathFault(path.key)) == 0) {
    std::shared_ptr<FsNode> parent = Disks().Find(path.parent);
    if (!parent || !parent->folder)
      error = ERROR_PATH_NOT_FOUND;
    else
      Disks().Add(path, true, 0);
  }
  SetLastError(error);
  return error == 0;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR pathName) {
  if (Enter("RemoveDirectoryA", pathName ? pathName : "")) return FALSE;
  FsPath path;
  DWORD error = 0;
  std::shared_ptr<FsNode> node;
  if (pathName == nullptr || !ParsePath(pathName, &path)) {
    error = ERROR_PATH_NOT_FOUND;
  } else if (!(node = Disks().Find(path.key))) {
    error = Disks().MissingError(path);
  } else if (path.parent.empty() || (node->folder && (node->attributes & FILE_ATTRIBUTE_READONLY))) {
    error = ERROR_ACCESS_DENIED;  // a drive root, or a protected folder
  } else if (!node->folder) {
    error = ERROR_DIRECTORY;
  } else if (FsPath current; ParsePath(CurrentFolder(), &current) && current.key == path.key) {
    error = ERROR_SHARING_VIOLATION;  // the process holds its current folder open
  } else if ((error = Disks().PathFault(path.key)) == 0) {
    if (Disks().HasChildren(path.key))
      error = ERROR_DIR_NOT_EMPTY;
    else
      Disks().Remove(path.key);
  }
  SetLastError(error);
  return error == 0;
}

}  // extern "C"
