#include "handles.h"

#include <map>

#include "machine.h"

namespace sim::detail {

namespace {

struct HandleTable {
  std::map<uintptr_t, std::shared_ptr<KernelObject>> entries;
  uintptr_t next = 0x100;
};

HandleTable& Table() {
  static HandleTable table;
  return table;
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
  HandleTable& t = Table();
  uintptr_t value = t.next;
  t.next += 4;  // handle values are multiples of four, as on Windows
  t.entries[value] = std::move(object);
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
  auto it = Table().entries.find(reinterpret_cast<uintptr_t>(handle));
  return it == Table().entries.end() ? nullptr : it->second;
}

size_t HandleCount() { return Table().entries.size(); }

void ClearHandles() {
  Table().entries.clear();
  Table().next = 0x100;
}

}  // namespace sim::detail

namespace sim {
size_t OpenHandleCount() { return detail::HandleCount(); }
}  // namespace sim

extern "C" BOOL WINAPI CloseHandle(HANDLE object) {
  using namespace sim::detail;
  if (Enter("CloseHandle")) return FALSE;
  auto it = Table().entries.find(reinterpret_cast<uintptr_t>(object));
  if (it == Table().entries.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::shared_ptr<KernelObject> held = std::move(it->second);
  Table().entries.erase(it);
  held->OnHandleClosed();
  return TRUE;
}
