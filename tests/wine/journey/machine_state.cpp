#include "machine_state.h"

#include "files.h"
#include "registry.h"
#include "restart_work.h"
#include "services.h"

namespace {

const char kBrandingKey[] = "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts\\KV00220+\\B241A000";
const char kProductName[] = "Lumasett Studio";

void CheckServiceConfig(Checks& checks, const std::string& name, DWORD type,
                        const std::string& path) {
  auto config = QueryConfig(name);
  if (!checks.That(config.has_value(), name + " is registered")) return;
  checks.Equal(config->type, type, name + " service type");
  checks.Equal(config->start, SERVICE_AUTO_START, name + " starts automatically");
  checks.Equal(config->errorControl, SERVICE_ERROR_NORMAL, name + " error control");
  checks.Equal(config->binaryPath, path, name + " binary path");
  checks.Equal(config->displayName, name, name + " display name");
}

bool Running(const std::string& name) {
  auto status = QueryStatus(name);
  return status && status->dwCurrentState == SERVICE_RUNNING;
}

}  // namespace

const char kSecondBrandingKey[] =
    "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts\\KV00220+\\A1B2C3D4";
const char kSecondProductName[] = "Lumasett Viewer";

std::string Sources::For(Role role) const {
  switch (role) {
    case Role::kDriver:
      return drivers;
    case Role::kProgram:
      return program;
    case Role::kShFolder:
      return shfolder;
    case Role::kLibrary:
      return library;
  }
  return "";
}

void CheckFiles(Checks& checks, const Layout& layout, const Sources& sources) {
  for (const Item& item : layout.Items()) {
    if (sources.For(item.role).empty()) continue;
    std::string source = sources.For(item.role) + item.name;
    auto expected = ReadBytes(source);
    auto actual = ReadBytes(item.Path());
    checks.That(expected.has_value(), "payload " + source + " is readable");
    checks.That(actual && expected && *actual == *expected, item.Path() + " holds " + source);
  }
}

void CheckDrivers(Checks& checks, const Layout& layout, const Sources& sources) {
  if (layout.Nt()) {
    CheckServiceConfig(checks, kServiceName, SERVICE_WIN32_OWN_PROCESS,
                       layout.drivers + "QELC11BA.EXE");
    checks.That(Running(kServiceName), "the service runs");
    std::string version = FileVersion(sources.drivers + "QELC11BA.EXE");
    checks.Equal(PipeVersion(), version, "the service answers " + version + " on its pipe");
    CheckServiceConfig(checks, kKernelDriverName, SERVICE_KERNEL_DRIVER,
                       layout.drivers + "QELC15BA.SYS");
    checks.That(Running(kKernelDriverName), "the kernel driver runs");
    checks.Equal(KernelDeviceNamesOpening(), 2, "the kernel driver's device opens by both names");
    checks.That(!ReadString(kKnownVxdsKey, "QELC11BA"), "no KnownVxDs value on NT");
  } else if (layout.Win9x()) {
    auto known = ReadString(kKnownVxdsKey, "QELC11BA");
    checks.Equal(known.value_or("(absent)"), layout.system + "QELC11BA.VXD",
                 "KnownVxDs registers the VxD");
    checks.That(!ServiceRegistered(kServiceName) && !ServiceRegistered(kKernelDriverName),
                "no NT services on Windows 9x");
    // The stand-in carries only a version: nothing loads it, and the library
    // leaves loading to Windows at its next start, so installs still succeed.
    checks.That(!VxdOpens(), "the VxD stand-in is not loaded");
  }
}

void CheckEntry(Checks& checks, const Layout& layout) {
  const std::string key = kUninstallEntryKey;
  checks.Equal(ReadString(key, "DisplayName").value_or("(absent)"), "Lumasett Shared Components",
               "entry DisplayName");
  checks.Equal(ReadString(key, "UninstallString").value_or("(absent)"),
               layout.ProgramPath() + " /uninstall", "entry UninstallString");
  checks.Equal(ReadString(key, "Applet").value_or("(absent)"), layout.ProgramPath(),
               "entry Applet");
  checks.Equal(ReadString(key, "InstallLocation").value_or("(absent)"), layout.installFolder,
               "entry InstallLocation");
  checks.Equal(ReadString(key, "Publisher").value_or("(absent)"), "Ostravik", "entry Publisher");
  checks.Equal(ReadDword(key, "VersionMajor").value_or(0), 2, "entry VersionMajor");
  checks.Equal(ReadDword(key, "VersionMinor").value_or(0), 20, "entry VersionMinor");
  checks.Equal(ReadString(key, "Installer").value_or("(absent)"), layout.LibraryCopyPath(),
               "entry Installer");
  checks.Equal(ValueNames(key).size(), 8, "the entry holds eight values");
}

void CheckProductRegistered(Checks& checks, bool registered) {
  auto value = ReadString(kBrandingKey, kProductName);
  if (registered)
    checks.Equal(value.value_or("(absent)"), "Installed", "the product is registered");
  else
    checks.That(!KeyExists(kBrandingKey), "the product's branding key is gone");
}

void CheckSharedCount(Checks& checks, const Layout& layout) {
  checks.Equal(ReadDword(kSharedDllsKey, layout.MainDriverPath()).value_or(0), 0xFFFF,
               "SharedDLLs pins " + layout.MainDriverPath());
}

void CheckNoRestartWork(Checks& checks, const Layout& layout) {
  checks.That(!PendingRenames(), "no PendingFileRenameOperations");
  auto wininit = WininitRenames(layout.WininitPath());
  checks.That(!wininit || wininit->empty(), "no rename lines in WININIT.INI");
}

void CheckNoInUseCount(Checks& checks) {
  checks.That(!ReadDword(kInstallerKey, "ComponentsInUseCount"), "no ComponentsInUseCount");
}

void CheckInstalled(Checks& checks, const Layout& layout, const Sources& sources) {
  CheckFiles(checks, layout, sources);
  CheckDrivers(checks, layout, sources);
  CheckEntry(checks, layout);
  CheckProductRegistered(checks, true);
  CheckSharedCount(checks, layout);
  CheckNoRestartWork(checks, layout);
  CheckNoInUseCount(checks);
}

void CheckRemoved(Checks& checks, const Layout& layout, const Sources& sources,
                  bool foldersRemoved) {
  for (const Item& item : layout.Items()) {
    if (item.role == Role::kShFolder) continue;
    checks.That(!PathExists(item.Path()), item.Path() + " is gone");
  }
  if (layout.GetsShFolder()) {
    auto ours = ReadBytes(sources.shfolder + "ShFolder.dll");
    checks.That(ours && ReadBytes(layout.system + "ShFolder.dll") == ours,
                "ShFolder.dll stays: it is never removed");
  }
  if (foldersRemoved)
    checks.That(!FolderExists(layout.commonFiles + "Ostravik Shared"),
                "the empty install folders are removed");
  else
    checks.That(FolderExists(layout.installFolder) && FolderEntries(layout.installFolder).empty(),
                "the install folder is left empty");
  checks.That(!ServiceRegistered(kServiceName), "the service is deleted");
  checks.That(!ServiceRegistered(kKernelDriverName), "the kernel driver is deleted");
  checks.Equal(PipeVersion(), "", "no service answers on the pipe");
  checks.Equal(KernelDeviceNamesOpening(), 0, "the kernel driver's device is gone");
  checks.That(!ReadString(kKnownVxdsKey, "QELC11BA"), "no KnownVxDs value");
  checks.That(!KeyExists(kUninstallEntryKey), "the Add/Remove entry is gone");
  checks.That(!KeyExists(kProductsKey), "the installed-products key is gone");
  // The shared count is pinned at every install and never lowered.
  CheckSharedCount(checks, layout);
  CheckNoRestartWork(checks, layout);
  CheckNoInUseCount(checks);
}

void CheckNothingInstalled(Checks& checks, const Layout& layout, const Sources& sources) {
  auto ourShFolder = ReadBytes(sources.shfolder + "ShFolder.dll");
  for (const Item& item : layout.AllItems()) {
    if (item.role == Role::kShFolder)
      checks.That(ReadBytes(item.Path()) != ourShFolder, "our ShFolder.dll is not deployed");
    else
      checks.That(!PathExists(item.Path()), item.Path() + " is absent");
  }
  checks.That(!FolderExists(layout.commonFiles + "Ostravik Shared"), "no install folder");
  checks.That(!ServiceRegistered(kServiceName), "no service");
  checks.That(!ServiceRegistered(kKernelDriverName), "no kernel driver");
  checks.That(!ReadString(kKnownVxdsKey, "QELC11BA"), "no KnownVxDs value");
  checks.That(!KeyExists(kUninstallEntryKey), "no Add/Remove entry");
  checks.That(!KeyExists(kProductsKey), "no installed-products key");
  checks.That(!ReadDword(kSharedDllsKey, layout.drivers + "QELC11BA.EXE") &&
                  !ReadDword(kSharedDllsKey, layout.system + "QELC11BA.VXD"),
              "no shared count");
  CheckNoRestartWork(checks, layout);
  CheckNoInUseCount(checks);
}
