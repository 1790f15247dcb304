#include <cstdlib>
#include <cstdio>
#include <map>
#include <vector>

#include "handles.h"
#include "machine.h"

namespace sim::detail {

namespace {

enum Owner { kNobody = 0, kThisProcess = 1, kOtherProcess = 2 };

struct Mutex : KernelObject {
  const char* Kind() const override { return "Mutex"; }
  std::string name;
  int owner = kNobody;
  unsigned recursion = 0;
  uint64_t otherLetsGoAt = 0;  // 0: the other process keeps it
  bool otherAbandons = false;
  bool abandoned = false;  // the next acquirer learns that the owner died
  bool nullDacl = false;
};

struct Mutexes {
  std::map<std::string, std::weak_ptr<Mutex>> byName;
  std::vector<std::shared_ptr<Mutex>> heldElsewhere;
  std::map<std::string, bool> createdWithNullDacl;  // outlives the mutexes
};

Mutexes& All() {
  static Mutexes all;
  return all;
}

std::shared_ptr<Mutex> Named(const std::string& name) {
  auto it = All().byName.find(name);
  return it == All().byName.end() ? nullptr : it->second.lock();
}

// The other process lets go once the virtual clock has reached its time.
void Settle(Mutex& m) {
  if (m.owner != kOtherProcess || m.otherLetsGoAt == 0 || TheMachine().clock < m.otherLetsGoAt)
    return;
  m.owner = kNobody;
  m.abandoned = m.otherAbandons;
}

bool HasNullDacl(LPSECURITY_ATTRIBUTES sa) {
  if (sa == nullptr || sa->lpSecurityDescriptor == nullptr) return false;
  auto* sd = static_cast<SECURITY_DESCRIPTOR*>(sa->lpSecurityDescriptor);
  return (sd->Control & SE_DACL_PRESENT) != 0 && sd->Dacl == nullptr;
}

}  // namespace

void ClearMutexes() { All() = Mutexes{}; }

}  // namespace sim::detail

namespace sim {

using namespace detail;

void HoldMutexElsewhere(const std::string& name, uint64_t releaseAfter, bool abandon) {
  std::shared_ptr<Mutex> m = Named(name);
  if (!m) {
    m = std::make_shared<Mutex>();
    m->name = name;
    All().byName[name] = m;
  }
  m->owner = kOtherProcess;
  m->recursion = 1;
  m->otherLetsGoAt = releaseAfter == 0 ? 0 : TheMachine().clock + releaseAfter;
  m->otherAbandons = abandon;
  All().heldElsewhere.push_back(m);
}

int MutexOwner(const std::string& name) {
  std::shared_ptr<Mutex> m = Named(name);
  if (!m) return -1;
  Settle(*m);
  return m->owner;
}

bool MutexCreatedWithNullDacl(const std::string& name) {
  auto it = All().createdWithNullDacl.find(name);
  return it != All().createdWithNullDacl.end() && it->second;
}

}  // namespace sim

using namespace sim::detail;

extern "C" {

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) {
  if (Enter("CreateMutexA", name ? name : "")) return nullptr;
  std::shared_ptr<Mutex> m = name ? Named(name) : nullptr;
  if (m) {
    HANDLE h = AddHandle(m);
    SetLastError(ERROR_ALREADY_EXISTS);  // the initial-owner request is ignored
    return h;
  }
  m = std::make_shared<Mutex>();
  m->name = name ? name : "";
  m->nullDacl = HasNullDacl(attributes);
  if (name) All().createdWithNullDacl[name] = m->nullDacl;
  if (initialOwner) {
    m->owner = kThisProcess;
    m->recursion = 1;
  }
  if (name) All().byName[name] = m;
  HANDLE h = AddHandle(m);
  SetLastError(ERROR_SUCCESS);
  return h;
}

BOOL WINAPI ReleaseMutex(HANDLE mutex) {
  if (Enter("ReleaseMutex")) return FALSE;
  std::shared_ptr<Mutex> m = HandleAs<Mutex>(mutex);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (m->owner != kThisProcess) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  if (--m->recursion == 0) m->owner = kNobody;
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  if (Enter("WaitForSingleObject", std::to_string(milliseconds))) return WAIT_FAILED;
  std::shared_ptr<Mutex> m = HandleAs<Mutex>(handle);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  uint64_t& clock = TheMachine().clock;
  Settle(*m);
  if (m->owner == kOtherProcess) {
    bool letsGoInTime = m->otherLetsGoAt != 0 &&
                        (milliseconds == INFINITE || m->otherLetsGoAt <= clock + milliseconds);
    if (!letsGoInTime) {
      if (milliseconds == INFINITE) {
        std::fprintf(stderr, "sim: endless wait for mutex \"%s\"\n", m->name.c_str());
        std::abort();
      }
      clock += milliseconds;
      return WAIT_TIMEOUT;
    }
    clock = m->otherLetsGoAt;
    Settle(*m);
  }
  DWORD result = m->abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
  m->abandoned = false;
  m->owner = kThisProcess;
  ++m->recursion;
  return result;
}

}  // extern "C"
