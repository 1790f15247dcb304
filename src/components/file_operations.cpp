#include "components/file_operations.h"

#include <cstring>
#include <vector>

#include "components/module_resource.h"
#include "components/scoped_crt_file.h"

namespace {

// Positions of the backslashes in text, stepping over multibyte characters.
std::vector<size_t> Backslashes(const char* text) {
  std::vector<size_t> found;
  for (const char* p = text; *p != '\0'; p = CharNextA(p))
    if (*p == '\\') found.push_back(static_cast<size_t>(p - text));
  return found;
}

// A writable copy, cut short in place at each backslash in turn.
std::vector<char> CopyOf(const char* text) {
  return std::vector<char>(text, text + std::strlen(text) + 1);
}

}  // namespace

bool MakeWritable(const char* path) {
  return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) != FALSE;
}

bool ExtractResourceToFile(HMODULE module, const char* moduleName, WORD id, const char* type,
                           const char* path) {
  if (path == nullptr) return false;
  if (module == nullptr) module = GetModuleHandleA(moduleName);
  if (module == nullptr) return false;
  const uint8_t* data = nullptr;
  DWORD size = 0;
  if (!LoadModuleResource(module, id, type, &data, &size)) return false;
  ScopedCrtFile file(nullptr);
  bool opened = RetryWithPauses(kWriteAttempts, [&] {
    MakeWritable(path);
    file.Reset(CrtOpen(path, "wb"));
    return file.IsOpen();
  });
  if (!opened) return false;
  // A short or unflushed write leaves no truncated copy behind.
  bool written = CrtWrite(data, 1, size, file.Get()) == size;
  if (file.Finish() && written) return true;
  DeleteFileA(path);
  return false;
}

void CreateParentFolders(const char* path) {
  std::vector<size_t> cuts = Backslashes(path);
  std::vector<char> text = CopyOf(path);
  for (size_t i = 1; i < cuts.size(); ++i) {
    text[cuts[i]] = '\0';
    CreateDirectoryA(text.data(), nullptr);
    text[cuts[i]] = '\\';
  }
}

void RemoveEmptyFolders(const char* folder) {
  std::vector<size_t> cuts = Backslashes(folder);
  std::vector<char> text = CopyOf(folder);
  for (auto it = cuts.rbegin(); it != cuts.rend() && *it != 0; ++it) {
    text[*it] = '\0';
    if (!RemoveDirectoryA(text.data())) return;
  }
}
