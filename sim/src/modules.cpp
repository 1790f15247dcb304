#include <dlfcn.h>

#include <algorithm>
#include <cstring>

#include "machine.h"

#ifndef ERROR_DLL_INIT_FAILED
#define ERROR_DLL_INIT_FAILED 1114L
#endif

namespace sim::detail {

namespace {

typedef BOOL(WINAPI* EntryPoint)(HINSTANCE, DWORD, LPVOID);

std::string BaseName(const std::string& path) {
  size_t cut = path.find_last_of("\\/");
  std::string base = cut == std::string::npos ? path : path.substr(cut + 1);
  if (base.find('.') == std::string::npos) base += ".dll";  // as the loader does
  return base;
}

ModuleImage& GetOrAdd(const std::string& name) {
  if (ModuleImage* m = FindModule(name)) return *m;
  Machine& machine = TheMachine();
  machine.modules.push_back(ModuleImage{});
  machine.modules.back().name = BaseName(name);
  return machine.modules.back();
}

HMODULE HandleOf(ModuleImage& m) { return reinterpret_cast<HMODULE>(&m); }

void Notify(ModuleImage& m, DWORD reason) {
  if (m.library == nullptr) return;
  auto entry = reinterpret_cast<EntryPoint>(dlsym(m.library, "DllMain"));
  if (entry != nullptr) entry(reinterpret_cast<HINSTANCE>(&m), reason, nullptr);
}

bool Loaded(const ModuleImage& m) { return m.references > 0 || m.system; }

// Every process starts with kernel32 loaded.
void AddKernel32() {
  AddBuiltinModule("kernel32.dll", Kernel32Exports());
  FindModule("kernel32.dll")->system = true;
}
ResetHook kernel32Hook{&AddKernel32};

void Unload(ModuleImage& m) {
  Notify(m, DLL_PROCESS_DETACH);
  dlclose(m.library);
  m.library = nullptr;
  m.references = 0;
}

}  // namespace

ModuleImage* FindModule(const std::string& nameOrPath) {
  std::string base = BaseName(nameOrPath);
  for (ModuleImage& m : TheMachine().modules)
    if (EqualNoCase(m.name, base)) return &m;
  return nullptr;
}

ModuleImage* ModuleFromHandle(HMODULE module) {
  for (ModuleImage& m : TheMachine().modules)
    if (HandleOf(m) == module && Loaded(m)) return &m;
  return nullptr;
}

void UnloadAll() {
  for (ModuleImage& m : TheMachine().modules) {
    if (m.library != nullptr) Unload(m);
    m.references = 0;
  }
}

void AddBuiltinModule(const std::string& name, const std::map<std::string, FARPROC>& exports) {
  ModuleImage& m = GetOrAdd(name);
  m.builtin = true;
  m.present = true;
  m.exports = exports;
}

}  // namespace sim::detail

namespace sim {

using namespace detail;

void RegisterImage(const std::string& name, const std::string& imagePath,
                   const std::string& windowsPath) {
  ModuleImage& m = GetOrAdd(name);
  m.imagePath = imagePath;
  m.windowsPath = windowsPath;
}

void SetHostPath(const std::string& windowsPath) { TheMachine().hostPath = windowsPath; }

void NotifyThread(bool attach) {
  for (ModuleImage& m : TheMachine().modules)
    Notify(m, attach ? DLL_THREAD_ATTACH : DLL_THREAD_DETACH);
}

void SetModulePresent(const std::string& module, bool present) {
  if (ModuleImage* m = FindModule(module)) m->present = present;
}

void SetModuleExport(const std::string& module, const std::string& function, bool present) {
  ModuleImage* m = FindModule(module);
  if (m == nullptr || !m->builtin) return;
  if (present)
    m->hidden.erase(function);
  else
    m->hidden.insert(function);
}

void SetStringResource(const std::string& module, UINT id, const std::string& text) {
  GetOrAdd(module).strings[id] = text;
}

void SetBinaryResource(const std::string& module, WORD id, const std::vector<uint8_t>& data) {
  GetOrAdd(module).binaries[id] = Resource{data};
}

}  // namespace sim

using namespace sim::detail;

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  if (Enter("LoadLibraryA", fileName ? fileName : "")) return nullptr;
  ModuleImage* m = fileName ? FindModule(fileName) : nullptr;
  if (m != nullptr && m->builtin && m->present) {
    ++m->references;
    return HandleOf(*m);
  }
  if (m == nullptr || m->imagePath.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (m->references > 0) {
    ++m->references;
    return HandleOf(*m);
  }
  m->library = dlopen(m->imagePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (m->library == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  m->references = 1;
  auto entry = reinterpret_cast<EntryPoint>(dlsym(m->library, "DllMain"));
  if (entry != nullptr && !entry(HandleOf(*m), DLL_PROCESS_ATTACH, nullptr)) {
    Unload(*m);
    SetLastError(ERROR_DLL_INIT_FAILED);
    return nullptr;
  }
  return HandleOf(*m);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  if (Enter("FreeLibrary")) return FALSE;
  ModuleImage* m = ModuleFromHandle(module);
  if (m == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (!m->system && --m->references == 0 && m->library != nullptr) Unload(*m);
  return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
  if (Enter("GetProcAddress", IS_INTRESOURCE(procName) ? std::string() : procName)) return nullptr;
  ModuleImage* m = ModuleFromHandle(module);
  if (m != nullptr && m->builtin) {
    auto it = IS_INTRESOURCE(procName) ? m->exports.end() : m->exports.find(procName);
    if (it == m->exports.end() || m->hidden.count(procName) != 0) {
      SetLastError(ERROR_PROC_NOT_FOUND);
      return nullptr;
    }
    return it->second;
  }
  if (m == nullptr || m->library == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  void* symbol = IS_INTRESOURCE(procName) ? nullptr : dlsym(m->library, procName);
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  if (Enter("GetModuleHandleA", moduleName ? moduleName : "")) return nullptr;
  if (moduleName == nullptr) return reinterpret_cast<HMODULE>(&TheMachine());  // the host
  ModuleImage* m = FindModule(moduleName);
  if (m == nullptr || !Loaded(*m)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return HandleOf(*m);
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  if (Enter("GetModuleFileNameA")) return 0;
  std::string path;
  if (module == nullptr || module == reinterpret_cast<HMODULE>(&TheMachine())) {
    path = TheMachine().hostPath;
  } else {
    ModuleImage* m = ModuleFromHandle(module);
    if (m == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    path = m->windowsPath;
  }
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // Truncates to size - 1 characters and reports the full size, as Windows XP SP3 and later do.
  if (path.size() >= size) {
    std::memcpy(fileName, path.data(), size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(fileName, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (Enter("FindResourceA")) return nullptr;
  ModuleImage* m = ModuleFromHandle(module);
  if (m == nullptr || IS_INTRESOURCE(type) || !EqualNoCase(type, "BINARY") || m->binaries.empty()) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  auto it = IS_INTRESOURCE(name) ? m->binaries.find(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)))
                                 : m->binaries.end();
  if (it == m->binaries.end()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(&it->second);
}

HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
  if (Enter("LoadResource")) return nullptr;
  if (resource == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return resource;
}

DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
  if (Enter("SizeofResource")) return 0;
  if (resource == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(reinterpret_cast<Resource*>(resource)->data.size());
}

LPVOID WINAPI LockResource(HGLOBAL data) {
  if (Enter("LockResource") || data == nullptr) return nullptr;
  return static_cast<Resource*>(data)->data.data();
}

int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax) {
  if (Enter("LoadStringA", std::to_string(id))) return 0;
  if (buffer == nullptr || bufferMax <= 0) return 0;
  ModuleImage* m = ModuleFromHandle(instance);
  const std::string* text = nullptr;
  if (m != nullptr) {
    auto it = m->strings.find(id);
    if (it != m->strings.end() && !it->second.empty()) text = &it->second;
  }
  if (text == nullptr) {
    buffer[0] = '\0';
    SetLastError(m == nullptr ? ERROR_MOD_NOT_FOUND : ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  // The whole entry is copied, NUL characters inside it included.
  size_t n = std::min(text->size(), static_cast<size_t>(bufferMax - 1));
  std::memcpy(buffer, text->data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

}  // extern "C"
