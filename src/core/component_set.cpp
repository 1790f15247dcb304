#include "core/component_set.h"

#include <memory>
#include <new>

#include "components/file_component.h"
#include "components/uninstaller_component.h"
#include "core/installer_container.h"
#include "core/own_path.h"
#include "core/process_objects.h"
#include "drivers/device_channel.h"
#include "drivers/driver_component.h"
#include "drivers/nt_service_driver.h"
#include "drivers/service_pipe_channel.h"
#include "drivers/vxd_channel.h"
#include "drivers/vxd_driver.h"

namespace {

const char* const kSharedInstallFolder = "%%commonfiles%%Ostravik Shared\\Lumasett\\Install\\";
const DWORD kOwnProcessService = 0x10;
const DWORD kKernelDriver = 0x1;

// A component that cannot be allocated is simply missing from the tree.
template <typename T, typename... Args>
T* New(Args&&... args) {
  return new (std::nothrow) T(std::forward<Args>(args)...);
}

template <typename Channel, typename... Args>
std::unique_ptr<DeviceChannel> NewChannel(Args&&... args) {
  return std::unique_ptr<DeviceChannel>(New<Channel>(std::forward<Args>(args)...));
}

void AddNtDrivers(InstallerContainer& container) {
  NtServiceDriver* service =
      CreateNtServiceDriver("QELC11BA.EXE", 10001, "%%ntdrivers%%", kOwnProcessService,
                            NewChannel<ServicePipeChannel>("OrbanetQelC11BA", true, true));
  if (service != nullptr) service->SetRequiredVersion(4, 20, 0);
  container.AddChild(New<DriverComponent>(service));

  NtServiceDriver* kernel =
      CreateNtServiceDriver("QELC15BA.SYS", 114, "%%ntdrivers%%", kKernelDriver,
                            NewChannel<DeviceChannel>("QelC15BA", true, true, 0));
  container.AddChild(New<DriverComponent>(kernel));
}

void AddVxd(InstallerContainer& container) {
  VxdDriver* vxd = CreateVxdDriver("QELC11BA.VXD", 102, "%%system%%",
                                   NewChannel<VxdChannel>("QELC11BA", false, false));
  if (vxd != nullptr) vxd->SetRequiredVersion(4, 16, 0);
  container.AddChild(New<DriverComponent>(vxd));
}

}  // namespace

bool BuildComponentSet(InstallerContainer& container) {
  const OsVersion& os = CurrentOsVersion();
  // Under WOW64 the files and keys would land in the 32-bit views, which the
  // 64-bit service manager never reads, and a 32-bit kernel driver cannot load.
  if (os.IsWow64()) return RecordFailure(0x605, kUnsupportedPlatform);
  if (os.IsNt())
    AddNtDrivers(container);
  else if (os.IsWin9x())
    AddVxd(container);
  else
    return RecordFailure(0x1E4, kUnsupportedPlatform);

  // Windows 2000 and later bring their own ShFolder.dll; it is never removed.
  if (!os.IsNt5OrLater()) {
    ItemDescriptor* shfolder = CreateResourceItem("ShFolder.dll", 115, "%%system%%", nullptr);
    if (shfolder != nullptr) shfolder->SetRequiredVersion(5, 0, 0);
    container.AddChild(New<FileComponent>(shfolder), SkipUninstall);
  }

  // The uninstaller program, with this library's copy beside it.
  UninstallerComponent* uninstaller = New<UninstallerComponent>(
      CreateResourceItem("QELC13BA.EXE", 112, kSharedInstallFolder, kSharedInstallFolder));
  container.AddChild(uninstaller);
  if (uninstaller != nullptr) {
    String ownPath = OwnModulePath();
    uninstaller->AddChild(New<FileComponent>(CreateModuleItem(
        "QELC14BA.DLL", ownPath.CStr(), kSharedInstallFolder, kSharedInstallFolder)));
  }
  return true;
}
