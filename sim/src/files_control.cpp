#include <string>

#include "file_system.h"
#include "machine.h"
#include "sim/sim.h"

namespace sim {

using namespace detail;

namespace {

std::string KeyOf(const std::string& path) {
  FsPath parsed;
  return ParsePath(path, &parsed) ? parsed.key : std::string();
}

std::shared_ptr<FsNode> Node(const std::string& path) { return Disks().Find(KeyOf(path)); }

}  // namespace

void MakeFolder(const std::string& path) { Disks().MakeFolders(path); }

void PutFile(const std::string& path, const std::vector<uint8_t>& data, DWORD attributes) {
  FsPath parsed;
  if (!ParsePath(path, &parsed) || parsed.parent.empty()) return;
  size_t cut = path.find_last_of('\\');
  if (cut != std::string::npos) Disks().MakeFolders(path.substr(0, cut == 2 ? 3 : cut));
  std::shared_ptr<FsNode> node = Disks().Find(parsed.key);
  if (!node || node->folder) node = Disks().Add(parsed, false, 0);
  node->data = data;
  node->attributes = attributes == FILE_ATTRIBUTE_NORMAL ? 0 : attributes;
}

void PutFile(const std::string& path, const std::string& text, DWORD attributes) {
  PutFile(path, std::vector<uint8_t>(text.begin(), text.end()), attributes);
}

bool FileExists(const std::string& path) {
  std::shared_ptr<FsNode> node = Node(path);
  return node && !node->folder;
}

bool FolderExists(const std::string& path) {
  std::shared_ptr<FsNode> node = Node(path);
  return node && node->folder;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::shared_ptr<FsNode> node = Node(path);
  return node ? node->data : std::vector<uint8_t>();
}

std::string FileText(const std::string& path) {
  std::vector<uint8_t> bytes = FileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

DWORD PathAttributes(const std::string& path) {
  std::shared_ptr<FsNode> node = Node(path);
  if (!node) return INVALID_FILE_ATTRIBUTES;
  if (node->folder) return node->attributes | FILE_ATTRIBUTE_DIRECTORY;
  return node->attributes != 0 ? node->attributes : FILE_ATTRIBUTE_NORMAL;
}

std::vector<std::string> FolderEntries(const std::string& path) {
  return Disks().ChildNames(KeyOf(path));
}

void HoldFileElsewhere(const std::string& path, DWORD shareMode, DWORD access,
                       uint64_t releaseAfter) {
  Disks().HoldElsewhere(KeyOf(path), access, shareMode,
                        releaseAfter == 0 ? 0 : TheMachine().clock + releaseAfter);
}

void ReleaseFileElsewhere(const std::string& path) { Disks().ReleaseElsewhere(KeyOf(path)); }

void LoadImageElsewhere(const std::string& path) { Disks().MapImageElsewhere(KeyOf(path)); }

void ReleaseImageElsewhere(const std::string& path) {
  Disks().UnmapImageElsewhere(KeyOf(path));
}

void DenyAccess(const std::string& path, bool denied) { Disks().Deny(KeyOf(path), denied); }

void FailOpens(const std::string& path, DWORD error, unsigned attempts) {
  Disks().FailOpens(KeyOf(path), error, attempts);
}

}  // namespace sim
