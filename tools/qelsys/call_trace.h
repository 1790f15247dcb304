// The Windows calls of one transaction of the library, as its import thunks
// see them: written out one line per call as each returns.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fault_plan.h"

// What must be given back; each kind has its own closing function.
enum class Held { kHandle, kKey, kService, kCrtFile, kModule };

struct HeldObject {
  Held kind;
  const void* value;
  std::string name;
  unsigned call;  // the call that opened it
};

struct CallTrace {
  FILE* out = nullptr;
  bool json = false;
  FaultPlan fault;

  unsigned calls = 0;
  unsigned planCount = 0;      // calls counted towards the fault
  unsigned faultedCall = 0;    // the call that was made to fail, 0 when none
  const char* faultedFunction = nullptr;
  unsigned sleeps = 0;
  uint64_t sleptMs = 0;
  uint64_t microseconds = 0;   // spent inside the real functions
  uint64_t sleptMicroseconds = 0;  // the part of it spent in Sleep
  uint64_t exportMicroseconds = 0; // the export's call as a whole
  std::vector<HeldObject> held;
};

// The trace that the thunks write to; null outside a traced transaction,
// when a thunk still reached (through a pointer the library kept) passes
// its calls through unrecorded.
extern CallTrace* g_trace;

uint64_t NowMicroseconds();

// One call as a thunk sees it: its arguments first, then either the real
// call through Run or a planned failure, then Done with the result.
class TracedCall {
 public:
  explicit TracedCall(const char* function);
  ~TracedCall();  // out of line: each thunk would carry the argument list's teardown
  TracedCall(const TracedCall&) = delete;
  TracedCall& operator=(const TracedCall&) = delete;

  // The arguments, named in `format` as "name:type ...", one value each:
  // s text, n number (32 bits), x the same in hex, z size_t, o a handle,
  // key or module, written as the name it was opened with where known.
  void Args(const char* format, ...);
  // What the call handed back besides its result.
  void Text(const char* name, const char* value);
  void Number(const char* name, uint64_t value);

  // True when this call is the one the plan fails; the thunk then returns
  // its failure without calling the real function. Otherwise the clock starts.
  bool Fails();
  // The last error the planned failure leaves (functions that report
  // through the last error).
  template <typename R>
  R FailWith(R failure) {
    lastError_ = planned_;
    return failure;
  }
  // Registry functions return the error and leave the last error alone.
  LONG FailStatus() { return static_cast<LONG>(planned_); }

  template <typename F, typename... A>
  auto Run(F real, A... args) -> decltype(real(args...)) {
    auto result = real(args...);
    After();
    return result;
  }

  void Opened(Held kind, const void* value, const char* name);
  void Closed(Held kind, const void* value);

  // Writes the call out and puts back the last error and errno the real
  // function left, so the library sees them unchanged.
  enum Report { kDecimal, kHex, kStatus };  // kStatus: the result is the error
  void Done(uint64_t result, bool failed, Report report = kDecimal);

 private:
  void After();
  void Add(const char* name, size_t length, char type, const char* text, uint64_t number);

  struct Arg {
    std::string name;
    char type;  // as in Args; o once named becomes s
    bool null;
    std::string value;
    uint64_t number;
  };
  const char* function_;
  unsigned call_;
  std::vector<Arg> args_;
  DWORD lastError_;
  int errno_;
  DWORD planned_ = 0;
  bool planHit_ = false;
  bool injected_ = false;
  uint64_t start_ = 0;
  uint64_t elapsed_ = 0;
};

// printf onto the end of `text`.
void AppendFormat(std::string* text, const char* format, ...) __attribute__((format(printf, 2, 3)));

// What a handle, key or module was opened as; empty when not known.
std::string NameOf(const void* value);

// A name that holds "QELC" + two digits + "BA" (a file, service or key of a
// component) gives that component; empty otherwise.
std::string ComponentOf(const std::string& text);
