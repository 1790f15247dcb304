#include "drivers/driver_component.h"

#include "components/payload_version_reader.h"
#include "core/tracked_error_list.h"

DriverComponent::DriverComponent(SystemDriver* systemDriver)
    : BoundFileComponent(systemDriver), driver(systemDriver) {
  if (driver != nullptr) driver->AddRef();
}

DriverComponent::~DriverComponent() {
  if (driver != nullptr) driver->Release();
}

bool DriverComponent::Validate() {
  if (driver == nullptr) return RecordFailure(0xC1, kGenericCode);
  if (!driver->channel) return RecordFailure(0xC5, kGenericCode);
  if (driver->channel->name.IsEmpty()) return RecordFailure(0xCB, kGenericCode);
  return BoundFileComponent::Validate();
}

bool DriverComponent::Exists() {
  return driver->IsRunning() || driver->IsRegistered() || FileComponent::Exists();
}

bool DriverComponent::NeedsUpdate() {
  if (driver->IsRunning()) {
    VersionNumber running;
    // A channel that asks nothing leaves the decision to the registration and the file.
    if (driver->QueryRunningVersion(running)) {
      if (!running.IsValid()) return true;  // it runs but does not answer
      PayloadVersionReader payload(driver);
      if (!payload.IsValid() || running < payload) return true;
    }
  }
  if (!driver->IsRegistered() || !driver->IsRegistrationCurrent()) return true;
  return FileComponent::NeedsUpdate();
}

bool DriverComponent::MeetsRequiredVersion() {
  bool running = driver->IsRunning();
  if (running) {
    VersionNumber version;
    if (driver->QueryRunningVersion(version) &&
        (!version.IsValid() || !driver->requiredVersion.IsValid() ||
         version < driver->requiredVersion))
      return false;
  } else if (!driver->Start()) {
    return false;
  }
  if (!driver->IsRegistrationCurrent() && !driver->UpdateRegistration()) return false;
  return FileComponent::MeetsRequiredVersion();
}

bool DriverComponent::CanProceed(uint32_t mode) {
  if (mode == 0) {
    if (!Exists()) {
      if (!driver->CheckInstall()) return false;
    } else if (NeedsUpdate()) {
      if (!driver->CheckUpdate()) return false;
    }
  } else if (mode == 1) {
    if (!driver->CheckRemove() || !driver->CheckStop()) return false;
  }
  return FileComponent::CanProceed(mode);
}

bool DriverComponent::CanReplaceNow(uint32_t mode) {
  bool stopped = true;
  if ((mode == 0 || mode == 1) && driver->IsRunning()) stopped = driver->Stop();
  bool fileFree = FileComponent::CanReplaceNow(mode);
  return stopped && fileFree;
}

bool DriverComponent::Deploy(bool allowDeferral) {
  // Registered also when the file waits for the next restart.
  bool written = FileComponent::Deploy(allowDeferral);
  bool registered = driver->Register();
  return written && registered;
}

bool DriverComponent::Remove(uint32_t mode) {
  // Unregistered also when the file can only go at the next restart.
  bool unregistered = driver->Unregister();
  bool removed = FileComponent::Remove(mode);
  return unregistered && removed;
}

bool DriverComponent::AfterInstall() {
  bool started = driver->IsRunning() || driver->Start();
  // Windows would not load a driver whose registration a look at it lost.
  return started && !driver->registrationLost;
}
