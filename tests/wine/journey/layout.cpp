#include "layout.h"

#include <shlobj.h>
#include <windows.h>

namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace

std::optional<Personality> ParsePersonality(const std::string& name) {
  for (Personality p :
       {Personality::kWin31, Personality::kWin98, Personality::kNt40, Personality::kWinXp})
    if (name == PersonalityName(p)) return p;
  return std::nullopt;
}

const char* PersonalityName(Personality personality) {
  switch (personality) {
    case Personality::kWin31:
      return "win31";
    case Personality::kWin98:
      return "win98";
    case Personality::kNt40:
      return "nt40";
    case Personality::kWinXp:
      return "winxp";
  }
  return "?";
}

Personality RunningPersonality() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return Personality::kWin31;
  if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return Personality::kWin98;
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT)
    return info.dwMajorVersion >= 5 ? Personality::kWinXp : Personality::kNt40;
  return Personality::kWin31;
}

const char* Layout::InstallerMutexName() const {
  return personality == Personality::kWinXp ? "Global\\7399BC44-90CF-4372-8B56-416B8513B378"
                                            : "7399BC44-90CF-4372-8B56-416B8513B378";
}

std::string Layout::MainDriverPath() const {
  return Win9x() ? system + "QELC11BA.VXD" : drivers + "QELC11BA.EXE";
}

std::vector<Item> Layout::Items() const {
  std::vector<Item> items;
  if (Nt()) {
    items.push_back({"QELC11BA.EXE", drivers, Role::kDriver});
    items.push_back({"QELC15BA.SYS", drivers, Role::kDriver});
  } else if (Win9x()) {
    items.push_back({"QELC11BA.VXD", system, Role::kDriver});
  } else {
    return items;
  }
  if (GetsShFolder()) items.push_back({"ShFolder.dll", system, Role::kShFolder});
  items.push_back({"QELC14BA.DLL", installFolder, Role::kLibrary});
  items.push_back({"QELC13BA.EXE", installFolder, Role::kProgram});
  return items;
}

std::vector<Item> Layout::AllItems() const {
  return {{"QELC11BA.EXE", drivers, Role::kDriver},
          {"QELC15BA.SYS", drivers, Role::kDriver},
          {"QELC11BA.VXD", system, Role::kDriver},
          {"ShFolder.dll", system, Role::kShFolder},
          {"QELC14BA.DLL", installFolder, Role::kLibrary},
          {"QELC13BA.EXE", installFolder, Role::kProgram}};
}

Layout MachineLayout(Personality personality) {
  Layout layout;
  layout.personality = personality;
  char buffer[MAX_PATH] = "";
  GetWindowsDirectoryA(buffer, MAX_PATH);
  layout.windows = WithSlash(buffer);
  GetSystemDirectoryA(buffer, MAX_PATH);
  layout.system = WithSlash(buffer);
  layout.drivers = layout.system + "drivers\\";
  buffer[0] = '\0';
  SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, 0, buffer);
  layout.commonFiles = WithSlash(buffer);
  layout.installFolder = layout.commonFiles + "Ostravik Shared\\Lumasett\\Install\\";
  return layout;
}
