// Devices that running NT drivers offer, and Windows 9x virtual device
// drivers that load when they are opened.
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "handles.h"
#include "services.h"

namespace sim::detail {

namespace {

const char kKnownVxDs[] = "System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs";

struct Device {
  std::string name;
  bool vxd = false;
  DeviceNamespace space = DeviceNamespace::Both;
  std::string service;  // NT: present while it runs
  std::map<DWORD, std::vector<uint8_t>> replies;
  std::vector<std::vector<uint8_t>> requests;
  size_t handles = 0;
  size_t exclusiveHandles = 0;
  // Windows 9x only.
  bool loaded = false;
  bool loadedAtBoot = false;
  int heldElsewhere = 0;
  uint64_t elsewhereReleaseAt = 0;
};

std::map<std::string, Device>& Devices() {
  static std::map<std::string, Device> devices;
  return devices;
}

Device* Find(const std::string& name, bool vxd) {
  auto it = Devices().find(KeyOf(name));
  if (it == Devices().end() || it->second.vxd != vxd) return nullptr;
  return &it->second;
}

bool RegisteredVxd(const std::string& name) {
  std::optional<RegistryValue> value = GetRegistryValue(kKnownVxDs, name);
  return value && value->type == REG_SZ && !value->data.empty() && value->data[0] != 0;
}

// A dynamically loaded VxD unloads when nothing holds it any more.
void SettleVxd(Device& d) {
  if (d.heldElsewhere > 0 && d.elsewhereReleaseAt != 0 &&
      TheMachine().clock >= d.elsewhereReleaseAt)
    d.heldElsewhere = 0;
  if (d.loaded && !d.loadedAtBoot && d.handles == 0 && d.heldElsewhere == 0) d.loaded = false;
}

struct DeviceObject : KernelObject {
  const char* Kind() const override { return "Device"; }
  std::string key;
  bool exclusive = false;
  void OnHandleClosed() override {
    auto it = Devices().find(key);
    if (it == Devices().end()) return;
    Device& d = it->second;
    --d.handles;
    if (exclusive) --d.exclusiveHandles;
    if (d.vxd) SettleVxd(d);
  }
};

HANDLE NewDeviceHandle(Device& d, bool exclusive) {
  auto object = std::make_shared<DeviceObject>();
  object->key = KeyOf(d.name);
  object->exclusive = exclusive;
  ++d.handles;
  if (exclusive) ++d.exclusiveHandles;
  return AddHandle(object);
}

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

HANDLE OpenNtDevice(const std::string& rest, DWORD share) {
  const std::string global = "global\\";
  bool viaGlobal = KeyOf(rest).rfind(global, 0) == 0;
  std::string name = viaGlobal ? rest.substr(global.size()) : rest;
  bool nt4 = TheMachine().version.dwMajorVersion < 5;
  Device* d = Find(name, false);
  if (d == nullptr || (!d->service.empty() && !ServiceRunning(d->service)))
    return Fail(ERROR_FILE_NOT_FOUND);
  // A local name also finds a global one; NT 4 knows no "Global\" prefix.
  if (viaGlobal && (nt4 || d->space == DeviceNamespace::Local)) return Fail(ERROR_FILE_NOT_FOUND);
  if (d->exclusiveHandles > 0 || (share == 0 && d->handles > 0))
    return Fail(ERROR_SHARING_VIOLATION);
  return NewDeviceHandle(*d, share == 0);
}

HANDLE OpenVxd(const std::string& name, DWORD share, DWORD flags) {
  Device* d = Find(name, true);
  if (d == nullptr) return Fail(ERROR_FILE_NOT_FOUND);
  SettleVxd(*d);
  // Only a KnownVxDs entry tells Windows which file a bare name loads.
  if (!d->loaded && !((flags & FILE_FLAG_DELETE_ON_CLOSE) && RegisteredVxd(d->name)))
    return Fail(ERROR_FILE_NOT_FOUND);
  bool inUse = d->handles > 0 || d->heldElsewhere > 0;
  if (d->exclusiveHandles > 0 || (share == 0 && inUse)) return Fail(ERROR_SHARING_VIOLATION);
  d->loaded = true;
  return NewDeviceHandle(*d, share == 0);
}

void Clear() { Devices().clear(); }
ResetHook resetHook{&Clear};

// Every process ends; Windows loads the VxDs its registry names.
void Boot() {
  for (auto& entry : Devices()) {
    Device& d = entry.second;
    d.handles = 0;
    d.exclusiveHandles = 0;
    d.heldElsewhere = 0;
    if (!d.vxd) continue;
    d.loadedAtBoot = RegisteredVxd(d.name);
    d.loaded = d.loadedAtBoot;
  }
}
RestartHook restartHook{&Boot};

}  // namespace

HANDLE OpenDevice(const std::string& path, DWORD, DWORD share, DWORD, DWORD flags) {
  std::string rest = path.substr(4);  // after "\\.\"
  if (TheMachine().version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
    return OpenVxd(rest, share, flags);
  return OpenNtDevice(rest, share);
}

}  // namespace sim::detail

namespace sim {

using namespace detail;

void AddDevice(const std::string& name, DeviceNamespace space, const std::string& service) {
  Device& d = Devices()[KeyOf(name)];
  d.name = name;
  d.vxd = false;
  d.space = space;
  d.service = service;
}

void AddVxd(const std::string& name, bool loadedAtBoot) {
  Device& d = Devices()[KeyOf(name)];
  d.name = name;
  d.vxd = true;
  d.loadedAtBoot = loadedAtBoot;
  d.loaded = loadedAtBoot;
}

void SetDeviceReply(const std::string& name, DWORD code, const std::vector<uint8_t>& reply) {
  auto it = Devices().find(KeyOf(name));
  if (it != Devices().end()) it->second.replies[code] = reply;
}

std::vector<std::vector<uint8_t>> DeviceRequests(const std::string& name) {
  auto it = Devices().find(KeyOf(name));
  return it == Devices().end() ? std::vector<std::vector<uint8_t>>{} : it->second.requests;
}

size_t OpenDeviceHandles(const std::string& name) {
  auto it = Devices().find(KeyOf(name));
  return it == Devices().end() ? 0 : it->second.handles;
}

bool VxdLoaded(const std::string& name) {
  Device* d = Find(name, true);
  if (d == nullptr) return false;
  SettleVxd(*d);
  return d->loaded;
}

void HoldVxdElsewhere(const std::string& name, uint64_t releaseAfter) {
  Device* d = Find(name, true);
  if (d == nullptr) return;
  ++d->heldElsewhere;
  d->elsewhereReleaseAt = releaseAfter == 0 ? 0 : TheMachine().clock + releaseAfter;
  d->loaded = true;
}

}  // namespace sim

using namespace sim::detail;

extern "C" BOOL WINAPI DeviceIoControl(HANDLE device, DWORD controlCode, LPVOID inBuffer,
                                       DWORD inSize, LPVOID outBuffer, DWORD outSize,
                                       LPDWORD bytesReturned, LPOVERLAPPED overlapped) {
  if (Enter("DeviceIoControl", std::to_string(controlCode))) return FALSE;
  std::shared_ptr<DeviceObject> object = HandleAs<DeviceObject>(device);
  auto it = object ? Devices().find(object->key) : Devices().end();
  if (it == Devices().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (bytesReturned == nullptr && overlapped == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Device& d = it->second;
  const auto* in = static_cast<const uint8_t*>(inBuffer);
  d.requests.emplace_back(in, in + (in ? inSize : 0));
  if (bytesReturned) *bytesReturned = 0;
  auto reply = d.replies.find(controlCode);
  if (reply == d.replies.end()) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
  }
  if (reply->second.size() > outSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (!reply->second.empty()) std::memcpy(outBuffer, reply->second.data(), reply->second.size());
  if (bytesReturned) *bytesReturned = static_cast<DWORD>(reply->second.size());
  return TRUE;
}
