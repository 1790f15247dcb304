// NT keeps restart-time moves in "PendingFileRenameOperations": pairs of
// NUL-terminated source and target paths in its own form ("\??\C:\...",
// "!" before a target that may be replaced), closed by one more NUL.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "components/restart_operations.h"
#include "platform/registry_key.h"
#include "platform/win_api.h"

namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";

String UpperCopy(const char* text) {
  String copy(text);
  if (copy.IsEmpty()) return copy;
  DWORD length = static_cast<DWORD>(copy.Length());
  CharUpperBuffA(copy.GetBuffer(length), length);
  copy.ReleaseBuffer();
  return copy;
}

// The stored paths carry prefixes of their own, so ours is looked for inside
// them. An empty path matches nothing rather than everything.
bool Contains(const String& text, const String& part) {
  return !part.IsEmpty() && std::strstr(text.CStr(), part.CStr()) != nullptr;
}

}  // namespace

bool CancelPendingFileRenames(const String& targetPath, const String& installPath, bool onlyLook) {
  RegistryKey key(kSessionManager, true);
  std::unique_ptr<char[]> data;  // size bytes and one NUL after them
  DWORD size = 0;
  if (!key.ReadMultiString(kPendingValue, &data, &size) || !data || size < 2) return false;

  const String target = UpperCopy(targetPath.CStr());
  const String install = UpperCopy(installPath.CStr());
  auto isOurs = [&](const String& path) {
    return !path.IsEmpty() && (Contains(path, target) || Contains(path, install));
  };
  // The string that starts at *at, never reaching past the value's size;
  // *at moves past its NUL.
  auto next = [&](size_t* at) {
    size_t start = *at;
    size_t length = start < size ? strnlen(data.get() + start, size - start) : 0;
    *at = start + length + 1;
    return std::string(data.get() + std::min<size_t>(start, size), length);
  };
  // A value without its closing NULs lends the kept pairs up to two more
  // bytes than it has, and the list takes one more.
  std::unique_ptr<char[]> kept(new char[size + 3]());
  size_t keptBytes = 0;
  auto keep = [&](const std::string& text) {
    std::memcpy(kept.get() + keptBytes, text.data(), text.size());
    keptBytes += text.size() + 1;  // the buffer is zero-filled: the NUL is there
  };
  bool found = false;
  size_t at = 0;
  while (at < size - 1) {
    std::string source = next(&at);
    std::string destination = next(&at);
    if (isOurs(UpperCopy(source.c_str()))) {
      found = true;  // would move or delete our file
    } else if (isOurs(UpperCopy(destination.c_str()))) {
      found = true;  // would replace our file with a staged one
      if (!onlyLook && !source.empty()) DeleteFileA(source.c_str());
    } else {
      keep(source);
      keep(destination);
    }
  }
  if (found && !onlyLook) {
    if (keptBytes == 0)
      key.DeleteValue(kPendingValue);
    else
      key.WriteMultiString(kPendingValue, kept.get(), static_cast<DWORD>(keptBytes + 1));
  }
  return found;
}
