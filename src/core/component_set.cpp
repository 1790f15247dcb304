#include "core/component_set.h"

#include "core/installer_container.h"
#include "core/process_objects.h"

bool BuildComponentSet(InstallerContainer&) {
  const OsVersion& os = CurrentOsVersion();
  if (!os.IsNt() && !os.IsWin9x()) return RecordFailure(0x1E4, kUnsupportedPlatform);
  return true;
}
