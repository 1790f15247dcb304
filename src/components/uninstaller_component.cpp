#include "components/uninstaller_component.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/process_objects.h"
#include "platform/registry_key.h"
#include "platform/version_number.h"

const char* const kUninstallKeyPath =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QelC13Ba";

namespace {

const DWORD kEntryMajor = 2;
const DWORD kEntryMinor = 20;
const char* const kUninstallArgument = "/uninstall";

bool DeploysFile(Installable* item) { return (item->KindFlags() & 0x01) != 0; }

}  // namespace

UninstallerComponent::UninstallerComponent(ItemDescriptor* program)
    : FileComponent(program), programDescriptor(program) {
  if (programDescriptor != nullptr) programDescriptor->AddRef();
  RegistryKey entry(kUninstallKeyPath, false);
  if (entry.Open(false) != nullptr) {
    std::vector<char> buffer(1024);
    if (entry.ReadString("InstallLocation", buffer.data(), static_cast<DWORD>(buffer.size())))
      installLocation = buffer.data();
  }
  if (programDescriptor == nullptr) return;
  // An earlier installation's folder is where the program is looked for.
  if (!installLocation.IsEmpty())
    programDescriptor->SetTargetFolder(installLocation.CStr());
  else
    installLocation = programDescriptor->TargetFolder();
}

UninstallerComponent::~UninstallerComponent() {
  if (programDescriptor != nullptr) programDescriptor->Release();
}

void UninstallerComponent::AddChild(Installable* item, uint32_t flags) {
  if (item != nullptr && DeploysFile(item)) {
    if (ItemDescriptor* child = static_cast<FileComponent*>(item)->GetDescriptor())
      child->SetTargetFolder(installLocation.CStr());
  }
  Installable::AddChild(item, flags);
}

void UninstallerComponent::AddChild(Installable* item) { AddChild(item, 0); }

String UninstallerComponent::UninstallCommand() {
  String path = programDescriptor->TargetPath();
  std::vector<char> buffer(path.Length() + std::strlen(kUninstallArgument) + 4);
  std::snprintf(buffer.data(), buffer.size(), "%s %s", path.CStr(), kUninstallArgument);
  return String(buffer.data());
}

bool UninstallerComponent::NeedsUpdate() {
  RegistryKey entry(kUninstallKeyPath, false);
  if (entry.Open(true) == nullptr) return true;
  DWORD major = 0, minor = 0;
  if (!entry.ReadDword("VersionMajor", &major)) major = 0;
  if (!entry.ReadDword("VersionMinor", &minor)) minor = 0;
  VersionNumber own, recorded;
  own.Set(kEntryMajor, kEntryMinor, 0);
  recorded.Set(major, minor, 0);
  if (!(own <= recorded)) return true;  // the entry is older
  String command;
  if (!entry.ReadString("UninstallString", command)) return true;
  if (!EqualNoCase(UninstallCommand().CStr(), command.CStr())) return true;
  entry.Close();
  return FileComponent::NeedsUpdate();
}

bool UninstallerComponent::Deploy(bool allowDeferral) {
  bool written = FileComponent::Deploy(allowDeferral);
  // A replacement scheduled for the restart still gets its entry.
  if (!written && FailureList().NewestCode() != kRestartNeeded) return false;

  RegistryKey entry(kUninstallKeyPath, true);
  if (entry.Open(false) == nullptr) return RecordFailure(0xF6, kGenericCode);
  entry.DeleteValue("DisplayName");
  // Every write runs even after one failed: the entry stays as whole as it can.
  bool whole = entry.WriteString("DisplayName", "Lumasett Shared Components");
  whole = entry.WriteString("UninstallString", UninstallCommand().CStr()) && whole;
  whole = entry.WriteString("Applet", programDescriptor->TargetPath().CStr()) && whole;
  whole = entry.WriteString("InstallLocation", programDescriptor->InstallFolder().CStr()) && whole;
  whole = entry.WriteString("Publisher", "Ostravik") && whole;
  whole = entry.WriteDword("VersionMajor", kEntryMajor) && whole;
  whole = entry.WriteDword("VersionMinor", kEntryMinor) && whole;
  for (auto it = FirstChild(); it != EndOfChildren(); ++it) {
    if (*it == nullptr || !DeploysFile(*it)) continue;
    ItemDescriptor* child = static_cast<FileComponent*>(*it)->GetDescriptor();
    if (child != nullptr && EqualNoCase(child->Name().CStr(), "qelc14ba.dll"))
      whole = entry.WriteString("Installer", child->TargetPath().CStr()) && whole;
  }
  if (!whole) {
    // Without its version the entry reads as older, so the next install
    // rewrites it instead of taking a half-written entry for current.
    entry.DeleteValue("VersionMajor");
    return RecordFailure(0x604, kGenericCode);
  }
  return written;
}

bool UninstallerComponent::Remove(uint32_t mode) {
  bool removed = FileComponent::Remove(mode);
  // The entry goes even when the program itself stays until the restart.
  RegistryKey entry(kUninstallKeyPath, false);
  if (entry.Open(false) != nullptr) {
    for (const char* value : {"InstallLocation", "Publisher", "VersionMajor", "VersionMinor",
                              "DisplayName", "UninstallString", "Applet", "Installer"})
      entry.DeleteValue(value);
    entry.DeleteKey();
  }
  return removed;
}
