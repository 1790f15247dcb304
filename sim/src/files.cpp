#include <algorithm>
#include <cstring>
#include <string>

#include "file_system.h"
#include "handles.h"
#include "machine.h"

namespace sim::detail {
namespace {

struct FileObject : KernelObject {
  FileObject(std::shared_ptr<FsNode> node, DWORD access, DWORD share)
      : opened(std::move(node), access, share) {}
  const char* Kind() const override { return "File"; }
  OpenedFile opened;
  uint64_t position = 0;
};

}  // namespace
}  // namespace sim::detail

using namespace sim::detail;

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES, DWORD creationDisposition,
                          DWORD flagsAndAttributes, HANDLE) {
  std::string path = fileName ? fileName : "";
  if (Enter("CreateFileA", path)) return INVALID_HANDLE_VALUE;
  if (path.rfind("\\\\.\\", 0) == 0)
    return OpenDevice(path, desiredAccess, shareMode, creationDisposition, flagsAndAttributes);
  DWORD error = 0;
  std::shared_ptr<FsNode> node = Disks().OpenFile(
      path, OpenRequest{desiredAccess, shareMode, creationDisposition, flagsAndAttributes}, &error);
  SetLastError(error);
  if (!node) return INVALID_HANDLE_VALUE;
  return AddHandle(std::make_shared<FileObject>(node, desiredAccess, shareMode));
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                     LPOVERLAPPED overlapped) {
  if (Enter("ReadFile")) return FALSE;
  auto object = HandleAs<FileObject>(file);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (bytesRead == nullptr || overlapped != nullptr || (buffer == nullptr && bytesToRead > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *bytesRead = 0;
  if (!(object->opened.Access() & kReadAccess)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const std::vector<uint8_t>& data = object->opened.Node().data;
  if (object->position < data.size()) {
    size_t n = std::min<uint64_t>(bytesToRead, data.size() - object->position);
    std::memcpy(buffer, data.data() + object->position, n);
    object->position += n;
    *bytesRead = static_cast<DWORD>(n);
  }
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD moveMethod) {
  if (Enter("SetFilePointer")) return INVALID_SET_FILE_POINTER;
  auto object = HandleAs<FileObject>(file);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t move = distanceHigh ? static_cast<int64_t>((static_cast<uint64_t>(
                                                          static_cast<uint32_t>(*distanceHigh))
                                                      << 32) |
                                                     static_cast<uint32_t>(distance))
                              : distance;
  int64_t base = 0;
  switch (moveMethod) {
    case FILE_BEGIN: break;
    case FILE_CURRENT: base = static_cast<int64_t>(object->position); break;
    case FILE_END: base = static_cast<int64_t>(object->opened.Node().data.size()); break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_SET_FILE_POINTER;
  }
  int64_t target = base + move;
  if (target < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  object->position = static_cast<uint64_t>(target);
  if (distanceHigh) *distanceHigh = static_cast<LONG>(object->position >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(object->position);
}

}  // extern "C"
