#include "import_patch.h"

namespace {

bool Store(void** entry, void* value) {
  DWORD old = 0;
  if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old)) return false;
  *entry = value;
  DWORD ignored = 0;
  VirtualProtect(entry, sizeof *entry, old, &ignored);
  return true;
}

}  // namespace

bool ImportPatches::Apply(HMODULE module, ImportReplacement replacement) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return true;
  auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
  for (; d->Name != 0; ++d) {
    // Without the name table the bound entries cannot be told apart.
    if (d->OriginalFirstThunk == 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++entries) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      void** entry = reinterpret_cast<void**>(&entries->u1.Function);
      void* thunk = replacement(reinterpret_cast<const char*>(byName->Name), *entry);
      if (thunk == nullptr) continue;
      void* original = *entry;
      if (!Store(entry, thunk)) return false;
      slots_.push_back({entry, original});
    }
  }
  return true;
}

void ImportPatches::Restore() {
  for (const Slot& slot : slots_) Store(slot.entry, slot.original);
  slots_.clear();
}
