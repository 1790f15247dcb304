#include "core/module_state.h"

#include "core/process_objects.h"

HINSTANCE g_moduleHandle = nullptr;
DWORD g_lastCallSucceeded = 0;

DWORD PublicLastErrorCode() {
  return g_lastCallSucceeded ? OutcomeList().NewestCode() : FailureList().PublicCode();
}
