// Restart-time file operations: "PendingFileRenameOperations" on NT and the
// [rename] section of WININIT.INI on Windows 9x, carried out by a restart.
#include <cctype>
#include <string>

#include "file_system.h"
#include "machine.h"
#include "sim/sim.h"

namespace sim::detail {
namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";

void ForceDelete(const std::string& raw) {
  FsPath path;
  if (!ParsePath(raw, &path)) return;
  std::shared_ptr<FsNode> node = Disks().Find(path.key);
  if (node && !node->folder) Disks().Remove(path.key);
}

void ForceMove(const std::string& from, const std::string& to, bool replace) {
  FsPath source, target;
  if (!ParsePath(from, &source) || !ParsePath(to, &target) || !Disks().Find(source.key)) return;
  std::shared_ptr<FsNode> parent = Disks().Find(target.parent);
  if (!parent || !parent->folder) return;
  if (Disks().Find(target.key)) {
    if (!replace) return;
    Disks().Remove(target.key);
  }
  Disks().Rename(source, target);
}

// The NT session manager: each pair in order, then the value goes.
void RunPendingRenames() {
  std::optional<RegistryValue> value = GetRegistryValue(kSessionManager, kPendingValue);
  if (!value) return;
  if (value->type == REG_MULTI_SZ) {
    const std::vector<uint8_t>& data = value->data;
    auto next = [&](size_t* at) {
      std::string text;
      while (*at < data.size() && data[*at] != 0) text += static_cast<char>(data[(*at)++]);
      ++*at;
      return text;
    };
    size_t at = 0;
    while (at + 1 < data.size()) {
      std::string source = next(&at);
      std::string target = next(&at);
      if (source.empty()) continue;
      if (target.empty()) {
        ForceDelete(source);
      } else {
        bool replace = target[0] == '!';
        ForceMove(source, replace ? target.substr(1) : target, replace);
      }
    }
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &key) == 0) {
    RegDeleteValueA(key, kPendingValue);
    RegCloseKey(key);
  }
}

std::string Trim(const std::string& text) {
  size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos) return std::string();
  size_t end = text.find_last_not_of(" \t\r");
  return text.substr(start, end - start + 1);
}

// Windows 9x at boot: the [rename] lines of WININIT.INI, then the file is
// kept as WININIT.BAK.
void RunWininit() {
  char folder[MAX_PATH] = {};
  if (GetWindowsDirectoryA(folder, sizeof folder) == 0) return;
  std::string base = folder;
  if (base.empty() || base.back() != '\\') base += '\\';
  std::string ini = base + "WININIT.INI";
  if (!FileExists(ini)) return;
  std::string text = FileText(ini);
  bool inRename = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line[0] == '[') {
      inRename = EqualNoCase(line, "[rename]");
      continue;
    }
    size_t equals = line.find('=');
    if (!inRename || equals == std::string::npos) continue;
    std::string target = line.substr(0, equals);
    std::string source = line.substr(equals + 1);
    if (EqualNoCase(target, "NUL"))
      ForceDelete(source);
    else
      ForceMove(source, target, true);
  }
  ForceMove(ini, base + "WININIT.BAK", true);
}

void Restart() {
  Disks().ReleaseAllElsewhere();  // every other process has ended
  if (TheMachine().version.dwPlatformId == VER_PLATFORM_WIN32_NT)
    RunPendingRenames();
  else
    RunWininit();
}
RestartHook restartHook{&Restart};

}  // namespace

BOOL RecordPendingRename(const char* source, const char* target, bool replaceExisting) {
  std::vector<uint8_t> data;
  std::optional<RegistryValue> value = GetRegistryValue(kSessionManager, kPendingValue);
  if (value && value->type == REG_MULTI_SZ) data = value->data;
  if (!data.empty() && data.back() == 0) data.pop_back();  // the list's closing NUL
  if (!data.empty() && data.back() != 0) data.push_back(0);
  auto add = [&](const std::string& text) {
    data.insert(data.end(), text.begin(), text.end());
    data.push_back(0);
  };
  // The paths in the session manager's own form.
  add(std::string("\\??\\") + source);
  add(target == nullptr ? std::string()
                        : std::string(replaceExisting ? "!" : "") + "\\??\\" + target);
  data.push_back(0);
  SetRegistryValue(kSessionManager, kPendingValue, REG_MULTI_SZ, data);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

}  // namespace sim::detail
