// Where the components belong on the running Windows, and which of them its
// platform gets.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class Personality { kWin31, kWin98, kNt40, kWinXp };

std::optional<Personality> ParsePersonality(const std::string& name);
const char* PersonalityName(Personality personality);
// What GetVersionExA reports: platform 0, 1, or 2 below or from major 5.
Personality RunningPersonality();

// Which build's payload a deployed file comes from.
enum class Role {
  kDriver,    // the service, the kernel driver or the VxD
  kProgram,   // the uninstaller program
  kShFolder,  // ShFolder.dll, never removed
  kLibrary,   // the copy of the library
};

struct Item {
  std::string name;    // as deployed
  std::string folder;  // ends in "\"
  Role role;
  std::string Path() const { return folder + name; }
};

struct Layout {
  Personality personality;
  std::string windows;  // each folder ends in "\"
  std::string system;
  std::string drivers;
  std::string commonFiles;
  std::string installFolder;  // the uninstaller program's folder

  bool Supported() const { return personality != Personality::kWin31; }
  bool Nt() const {
    return personality == Personality::kNt40 || personality == Personality::kWinXp;
  }
  bool Win9x() const { return personality == Personality::kWin98; }
  // Windows 9x and NT before 5 get ShFolder.dll.
  bool GetsShFolder() const { return Win9x() || personality == Personality::kNt40; }
  // The file whose shared count an install pins.
  std::string MainDriverPath() const;
  std::string ProgramPath() const { return installFolder + "QELC13BA.EXE"; }
  std::string LibraryCopyPath() const { return installFolder + "QELC14BA.DLL"; }
  std::string WininitPath() const { return windows + "WININIT.INI"; }
  // The mutex every installer of the family serialises on.
  const char* InstallerMutexName() const;
  // Every file the platform's component set deploys, in install order.
  std::vector<Item> Items() const;
  // The files of every platform together: what must be absent where nothing
  // is installed.
  std::vector<Item> AllItems() const;
};

Layout MachineLayout(Personality personality);
