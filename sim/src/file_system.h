// The simulated disks: folders and files under drive letters, with
// attributes, share modes of open files and per-path faults; internal to the
// simulation.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sim/windows.h"

namespace sim::detail {

// Access bits as the share checks see them.
constexpr DWORD kReadAccess = GENERIC_READ | GENERIC_ALL;
constexpr DWORD kWriteAccess = GENERIC_WRITE | GENERIC_ALL;
constexpr DWORD kDeleteAccess = 0x00010000;  // DELETE
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct Opening {
  DWORD access;
  DWORD share;
};

struct FsNode {
  bool folder = false;
  std::string name;     // the last path element, in the case it was created with
  DWORD attributes = 0; // read-only, hidden, system, archive; never the folder bit
  std::vector<uint8_t> data;
  std::list<const Opening*> openings;  // of this and of other processes
};

// One open of a file, registered with the node for as long as it lives.
class OpenedFile {
 public:
  OpenedFile(std::shared_ptr<FsNode> node, DWORD access, DWORD share);
  ~OpenedFile();
  OpenedFile(const OpenedFile&) = delete;
  OpenedFile& operator=(const OpenedFile&) = delete;

  FsNode& Node() const { return *node_; }
  DWORD Access() const { return opening_.access; }

 private:
  std::shared_ptr<FsNode> node_;
  Opening opening_;
};

// A parsed path: its key (upper case, no trailing backslash except at a
// drive root) and the key of its parent folder.
struct FsPath {
  std::string key;
  std::string parent;  // empty for a drive root
  std::string name;    // last element as written
};

// Parses a drive-letter path ("C:\A\B", also "\??\C:\A" and "\\?\C:\A");
// false for anything else.
bool ParsePath(const std::string& raw, FsPath* path);

struct OpenRequest {
  DWORD access;
  DWORD share;
  DWORD disposition;
  DWORD attributes;  // of a file that is created
};

class FileSystem {
 public:
  FileSystem();

  std::shared_ptr<FsNode> Find(const std::string& key) const;
  // The error a lookup of a missing path gives: 2 when its folder exists,
  // 3 when it does not.
  DWORD MissingError(const FsPath& path) const;
  std::shared_ptr<FsNode> Add(const FsPath& path, bool folder, DWORD attributes);
  void Remove(const std::string& key);
  // Moves a node, and the subtree below a folder, to a new path.
  void Rename(const FsPath& from, const FsPath& to);
  bool HasChildren(const std::string& key) const;
  std::vector<std::string> ChildNames(const std::string& key) const;

  // The fault armed on a path: an access denial or, for an open, an open
  // that is to fail once more (consumed here); 0 when there is none.
  DWORD PathFault(const std::string& key, bool opens = true);
  // Opens or creates a file as CreateFileA does: the node, or null with
  // *error set; on success *error is 0 or ERROR_ALREADY_EXISTS.
  std::shared_ptr<FsNode> OpenFile(const std::string& raw, const OpenRequest& request,
                                   DWORD* error);

  // letGoAt: the virtual time at which the other process closes the file; 0 never.
  void HoldElsewhere(const std::string& key, DWORD access, DWORD share, uint64_t letGoAt);
  // Drops the holds whose time has come.
  void Settle();
  void ReleaseElsewhere(const std::string& key);
  void ReleaseAllElsewhere() {
    elsewhere_.clear();
    images_.clear();
  }
  // Another process maps the file as an image (a loaded DLL, a running
  // program); the mapping follows the file when it is renamed.
  void MapImageElsewhere(const std::string& key);
  void UnmapImageElsewhere(const std::string& key);
  bool ImageMapped(const std::string& key, const FsNode& node) const;
  // The error a write, replacing open or exclusive read of an image gets
  // (0: none), by the running personality.
  DWORD ImageOpenError(const std::string& key, const FsNode& node, DWORD access, DWORD share,
                       bool replaces) const;
  void Deny(const std::string& key, bool denied);
  void FailOpens(const std::string& key, DWORD error, unsigned attempts);
  // Creates the folder and every missing folder above it.
  void MakeFolders(const std::string& raw);

  unsigned nextTempNumber = 1;

 private:
  std::map<std::string, std::shared_ptr<FsNode>> nodes_;
  struct Hold {
    std::unique_ptr<OpenedFile> file;
    uint64_t letGoAt;
  };
  std::multimap<std::string, Hold> elsewhere_;
  std::vector<std::shared_ptr<FsNode>> images_;
  std::set<std::string> denied_;
  struct FailingOpens {
    DWORD error;
    unsigned left;
  };
  std::map<std::string, FailingOpens> failingOpens_;
};

FileSystem& Disks();

bool SharingConflicts(const FsNode& node, DWORD access, DWORD share);

// Whether a running own-process or shared-process service has this file as
// its program (services.cpp).
bool ServiceRunsImage(const std::string& key);

// Appends a pair to "PendingFileRenameOperations" as MoveFileExA does on NT
// with MOVEFILE_DELAY_UNTIL_REBOOT; a null target asks for deletion.
BOOL RecordPendingRename(const char* source, const char* target, bool replaceExisting);

}  // namespace sim::detail
