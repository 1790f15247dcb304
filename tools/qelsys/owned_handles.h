// Small owners of Windows handles: each closes what it holds on every path.
#pragma once

#include <windows.h>

#include <cstdio>

#include <utility>

// Owns one handle of type H, released with Close.
template <typename H, typename Traits>
class Owned {
 public:
  Owned() = default;
  explicit Owned(H handle) : handle_(handle) {}
  ~Owned() { Reset(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Empty())) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, Traits::Empty()));
    return *this;
  }

  H Get() const { return handle_; }
  bool IsValid() const { return Traits::IsValid(handle_); }
  void Reset(H handle = Traits::Empty()) {
    if (IsValid()) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  H handle_ = Traits::Empty();
};

struct KernelHandleTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};

struct RegistryKeyTraits {
  static HKEY Empty() { return nullptr; }
  static bool IsValid(HKEY h) { return h != nullptr; }
  static void Close(HKEY h) { RegCloseKey(h); }
};

struct ServiceHandleTraits {
  static SC_HANDLE Empty() { return nullptr; }
  static bool IsValid(SC_HANDLE h) { return h != nullptr; }
  static void Close(SC_HANDLE h) { CloseServiceHandle(h); }
};

struct ModuleTraits {
  static HMODULE Empty() { return nullptr; }
  static bool IsValid(HMODULE h) { return h != nullptr; }
  static void Close(HMODULE h) { FreeLibrary(h); }
};

struct CrtFileTraits {
  static FILE* Empty() { return nullptr; }
  static bool IsValid(FILE* f) { return f != nullptr; }
  static void Close(FILE* f) { std::fclose(f); }
};

using OwnedHandle = Owned<HANDLE, KernelHandleTraits>;
using OwnedKey = Owned<HKEY, RegistryKeyTraits>;
using OwnedService = Owned<SC_HANDLE, ServiceHandleTraits>;
using OwnedModule = Owned<HMODULE, ModuleTraits>;
using OwnedCrtFile = Owned<FILE*, CrtFileTraits>;
