// NT keeps restart-time moves in "PendingFileRenameOperations": pairs of
// NUL-terminated source and target paths in its own form ("\??\C:\...",
// "!" before a target that may be replaced), closed by one more NUL.
#include <algorithm>
#include <cstring>
#include <memory>

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
    // The NUL after the value ends a string that has none of its own.
    return String(data.get() + std::min<size_t>(start, size));
  };
  // A value without its closing NULs lends the kept pairs up to two more
  // bytes than it has, and the list takes one more.
  std::unique_ptr<char[]> kept(new char[size + 3]());
  size_t keptBytes = 0;
  auto keep = [&](const String& text) {
    std::memcpy(kept.get() + keptBytes, text.CStr(), text.Length());
    keptBytes += text.Length() + 1;  // the buffer is zero-filled: the NUL is there
  };
  bool found = false;
  size_t at = 0;
  while (at < size - 1) {
    String source = next(&at);
    String destination = next(&at);
    if (isOurs(UpperCopy(source.CStr()))) {
      found = true;  // would move or delete our file
    } else if (isOurs(UpperCopy(destination.CStr()))) {
      found = true;  // would replace our file with a staged one
      if (!onlyLook && !source.IsEmpty()) DeleteFileA(source.CStr());
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
