// The process's handle table; internal to the simulation.
#pragma once

#include <memory>
#include <string>

#include "sim/windows.h"

namespace sim::detail {

// Anything a handle can stand for. Subclasses free what they hold when the
// last handle (and reference) goes.
struct KernelObject {
  virtual ~KernelObject() = default;
  virtual const char* Kind() const = 0;
  // Called when one handle to this object is closed.
  virtual void OnHandleClosed() {}
};

HANDLE AddHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <typename T>
std::shared_ptr<T> HandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}
size_t HandleCount();
void ClearHandles();

}  // namespace sim::detail
