#include <algorithm>
#include <cctype>

#include "file_system.h"
#include "machine.h"

namespace sim::detail {

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Keys of the nodes below a folder start with this.
std::string ChildPrefix(const std::string& key) {
  return key.back() == '\\' ? key : key + "\\";
}

constexpr DWORD kStoredAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

void Clear() { Disks() = FileSystem(); }
ResetHook hook{&Clear};

}  // namespace

OpenedFile::OpenedFile(std::shared_ptr<FsNode> node, DWORD access, DWORD share)
    : node_(std::move(node)), opening_{access, share} {
  node_->openings.push_back(&opening_);
}

OpenedFile::~OpenedFile() { node_->openings.remove(&opening_); }

bool ParsePath(const std::string& raw, FsPath* path) {
  std::string text = raw;
  if (text.rfind("\\??\\", 0) == 0 || text.rfind("\\\\?\\", 0) == 0) text.erase(0, 4);
  std::replace(text.begin(), text.end(), '/', '\\');
  if (text.size() < 2 || !std::isalpha(static_cast<unsigned char>(text[0])) || text[1] != ':')
    return false;
  if (text.size() == 2 || text[2] != '\\') {
    // "C:" and "C:name" count from the current folder when it is on that
    // drive, else from the drive's root.
    const std::string& current = CurrentFolder();
    std::string base = current.size() > 1 && std::toupper(static_cast<unsigned char>(current[0])) ==
                                                 std::toupper(static_cast<unsigned char>(text[0]))
                           ? current
                           : text.substr(0, 2);
    if (base.back() != '\\') base += '\\';
    text = base + text.substr(2);
  }
  std::vector<std::string> elements;
  size_t start = 3;
  while (start < text.size()) {
    size_t end = text.find('\\', start);
    if (end == std::string::npos) end = text.size();
    std::string element = text.substr(start, end - start);
    if (element.find_first_of("*?\"<>|:") != std::string::npos) return false;
    if (element == "..") {
      if (!elements.empty()) elements.pop_back();
    } else if (!element.empty() && element != ".") {
      elements.push_back(element);
    }
    start = end + 1;
  }
  std::string root = Upper(text.substr(0, 2)) + "\\";
  path->key = root;
  path->parent.clear();
  path->name = root;
  for (const std::string& element : elements) {
    path->parent = path->key;
    path->key = ChildPrefix(path->key) + Upper(element);
    path->name = element;
  }
  return true;
}

bool SharingConflicts(const FsNode& node, DWORD access, DWORD share) {
  for (const Opening* o : node.openings) {
    if ((access & kReadAccess) && !(o->share & FILE_SHARE_READ)) return true;
    if ((access & kWriteAccess) && !(o->share & FILE_SHARE_WRITE)) return true;
    if ((access & kDeleteAccess) && !(o->share & FILE_SHARE_DELETE)) return true;
    if ((o->access & kReadAccess) && !(share & FILE_SHARE_READ)) return true;
    if ((o->access & kWriteAccess) && !(share & FILE_SHARE_WRITE)) return true;
    if ((o->access & kDeleteAccess) && !(share & FILE_SHARE_DELETE)) return true;
  }
  return false;
}

FileSystem::FileSystem() {
  // A freshly installed machine: drive C with the folders the defaults name.
  for (const char* folder : {"C:\\", "C:\\WINDOWS\\system32\\drivers",
                             "C:\\Program Files\\Common Files", "C:\\Setup"}) {
    MakeFolders(folder);
  }
}

std::shared_ptr<FsNode> FileSystem::Find(const std::string& key) const {
  auto it = nodes_.find(key);
  return it == nodes_.end() ? nullptr : it->second;
}

DWORD FileSystem::MissingError(const FsPath& path) const {
  if (path.parent.empty()) return ERROR_PATH_NOT_FOUND;
  std::shared_ptr<FsNode> parent = Find(path.parent);
  return parent && parent->folder ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

std::shared_ptr<FsNode> FileSystem::Add(const FsPath& path, bool folder, DWORD attributes) {
  auto node = std::make_shared<FsNode>();
  node->folder = folder;
  node->name = path.name;
  node->attributes = attributes & kStoredAttributes;
  nodes_[path.key] = node;
  return node;
}

void FileSystem::Remove(const std::string& key) { nodes_.erase(key); }

void FileSystem::Rename(const FsPath& from, const FsPath& to) {
  std::shared_ptr<FsNode> node = Find(from.key);
  if (!node) return;
  std::vector<std::pair<std::string, std::shared_ptr<FsNode>>> moved;
  std::string prefix = ChildPrefix(from.key);
  for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && it->first.rfind(prefix, 0) == 0;)
  {
    moved.emplace_back(ChildPrefix(to.key) + it->first.substr(prefix.size()), it->second);
    it = nodes_.erase(it);
  }
  nodes_.erase(from.key);
  node->name = to.name;
  nodes_[to.key] = node;
  for (auto& entry : moved) nodes_[entry.first] = entry.second;
}

bool FileSystem::HasChildren(const std::string& key) const {
  std::string prefix = ChildPrefix(key);
  auto it = nodes_.lower_bound(prefix);
  if (it != nodes_.end() && it->first == key) ++it;  // a drive root is its own prefix
  return it != nodes_.end() && it->first.rfind(prefix, 0) == 0;
}

std::vector<std::string> FileSystem::ChildNames(const std::string& key) const {
  std::vector<std::string> names;
  std::string prefix = ChildPrefix(key);
  for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && it->first.rfind(prefix, 0) == 0;
       ++it) {
    if (it->first.size() > prefix.size() &&
        it->first.find('\\', prefix.size()) == std::string::npos)
      names.push_back(it->second->name);
  }
  return names;
}

DWORD FileSystem::PathFault(const std::string& key, bool opens) {
  auto failing = opens ? failingOpens_.find(key) : failingOpens_.end();
  if (failing != failingOpens_.end()) {
    DWORD error = failing->second.error;
    if (--failing->second.left == 0) failingOpens_.erase(failing);
    return error;
  }
  return denied_.count(key) ? ERROR_ACCESS_DENIED : 0;
}

std::shared_ptr<FsNode> FileSystem::OpenFile(const std::string& raw, const OpenRequest& request,
                                             DWORD* error) {
  FsPath path;
  if (!ParsePath(raw, &path)) {
    *error = ERROR_PATH_NOT_FOUND;
    return nullptr;
  }
  const DWORD d = request.disposition;
  if (d < CREATE_NEW || d > TRUNCATE_EXISTING ||
      (d == TRUNCATE_EXISTING && !(request.access & kWriteAccess))) {
    *error = ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  Settle();
  std::shared_ptr<FsNode> node = Find(path.key);
  if (!node && (d == OPEN_EXISTING || d == TRUNCATE_EXISTING)) {
    *error = MissingError(path);
    return nullptr;
  }
  if ((*error = PathFault(path.key)) != 0) return nullptr;
  if (!node) {
    std::shared_ptr<FsNode> parent = Find(path.parent);
    if (!parent || !parent->folder) {
      *error = ERROR_PATH_NOT_FOUND;
      return nullptr;
    }
    *error = 0;
    return Add(path, false, request.attributes | FILE_ATTRIBUTE_ARCHIVE);
  }
  const bool replaces = d == CREATE_ALWAYS || d == TRUNCATE_EXISTING;
  const DWORD hiddenOrSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (node->folder) {
    *error = ERROR_ACCESS_DENIED;
  } else if (d == CREATE_NEW) {
    *error = ERROR_FILE_EXISTS;
  } else if ((node->attributes & FILE_ATTRIBUTE_READONLY) &&
             (replaces || (request.access & kWriteAccess))) {
    *error = ERROR_ACCESS_DENIED;
  } else if (d == CREATE_ALWAYS && (node->attributes & hiddenOrSystem & ~request.attributes)) {
    *error = ERROR_ACCESS_DENIED;  // overwriting needs the hidden and system bits asked again
  } else if (DWORD image = ImageOpenError(path.key, *node, request.access, request.share,
                                          replaces)) {
    *error = image;
  } else if (SharingConflicts(*node, request.access, request.share)) {
    *error = ERROR_SHARING_VIOLATION;
  } else {
    *error = 0;
  }
  if (*error != 0) return nullptr;
  if (replaces) {
    node->data.clear();
    node->attributes |= (request.attributes & kStoredAttributes) | FILE_ATTRIBUTE_ARCHIVE;
  }
  if (d == CREATE_ALWAYS || d == OPEN_ALWAYS) *error = ERROR_ALREADY_EXISTS;
  return node;
}

void FileSystem::HoldElsewhere(const std::string& key, DWORD access, DWORD share,
                              uint64_t letGoAt) {
  std::shared_ptr<FsNode> node = Find(key);
  if (node) elsewhere_.emplace(key, Hold{std::make_unique<OpenedFile>(node, access, share), letGoAt});
}

void FileSystem::Settle() {
  uint64_t now = TheMachine().clock;
  for (auto it = elsewhere_.begin(); it != elsewhere_.end();) {
    if (it->second.letGoAt != 0 && now >= it->second.letGoAt)
      it = elsewhere_.erase(it);
    else
      ++it;
  }
}

void FileSystem::ReleaseElsewhere(const std::string& key) { elsewhere_.erase(key); }

void FileSystem::MapImageElsewhere(const std::string& key) {
  std::shared_ptr<FsNode> node = Find(key);
  if (node && !node->folder) images_.push_back(node);
}

void FileSystem::UnmapImageElsewhere(const std::string& key) {
  std::shared_ptr<FsNode> node = Find(key);
  images_.erase(std::remove(images_.begin(), images_.end(), node), images_.end());
}

bool FileSystem::ImageMapped(const std::string& key, const FsNode& node) const {
  for (const auto& image : images_)
    if (image.get() == &node) return true;
  return ServiceRunsImage(key);
}

DWORD FileSystem::ImageOpenError(const std::string& key, const FsNode& node, DWORD access,
                                 DWORD share, bool replaces) const {
  if (!ImageMapped(key, node)) return 0;
  const bool writes = replaces || (access & kWriteAccess);
  if (TheMachine().version.dwPlatformId == VER_PLATFORM_WIN32_NT)
    // NT keeps no handle open on an image, only the section: readers pass
    // whatever they share, writers meet the mapping.
    return writes ? ERROR_SHARING_VIOLATION : 0;
  // Windows 9x keeps the module's file open, sharing it for reading only.
  return writes || (access & kDeleteAccess) || !(share & FILE_SHARE_READ)
             ? ERROR_SHARING_VIOLATION
             : 0;
}

void FileSystem::Deny(const std::string& key, bool denied) {
  if (denied)
    denied_.insert(key);
  else
    denied_.erase(key);
}

void FileSystem::FailOpens(const std::string& key, DWORD error, unsigned attempts) {
  if (attempts == 0)
    failingOpens_.erase(key);
  else
    failingOpens_[key] = FailingOpens{error, attempts};
}

void FileSystem::MakeFolders(const std::string& raw) {
  FsPath path;
  if (!ParsePath(raw, &path) || Find(path.key)) return;
  std::string trimmed = raw;
  while (trimmed.size() > 3 && trimmed.back() == '\\') trimmed.pop_back();
  size_t cut = trimmed.find_last_of('\\');
  if (!path.parent.empty() && cut != std::string::npos)
    MakeFolders(trimmed.substr(0, cut == 2 ? 3 : cut));  // keeps the case the caller wrote
  Add(path, true, 0);
}

FileSystem& Disks() {
  static FileSystem disks;
  return disks;
}

}  // namespace sim::detail
