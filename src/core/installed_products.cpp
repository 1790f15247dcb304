#include "core/installed_products.h"

#include <cstring>

#include "core/own_path.h"
#include "core/string_table.h"
#include "core/tracked_error_list.h"
#include "platform/path_macro.h"
#include "platform/registry_key.h"
#include "platform/scoped_reg_key.h"

const char* const kProductsKeyPath = "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts\\";

namespace {

const char* const kFamilyKey = "KV00220+";
const REGSAM kFullAccess = 0xF003F;
const DWORD kNameBufferSize = 256;

enum class Emptiness { Unknown, Empty, InUse };

// Empty means no subkeys and at most the unnamed default value.
Emptiness KeyEmptiness(HKEY key) {
  DWORD subkeys = 0, values = 0, longestValueName = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                       &longestValueName, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return Emptiness::Unknown;
  return subkeys == 0 && values <= 1 && longestValueName == 0 ? Emptiness::Empty
                                                               : Emptiness::InUse;
}

bool HasNoSubkeys(HKEY key) {
  DWORD subkeys = 0;
  return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys == 0;
}

// The subkey name at index into name, or false when enumeration ends.
bool SubkeyAt(HKEY key, DWORD index, char (&name)[kNameBufferSize]) {
  std::memset(name, 0, sizeof name);
  DWORD size = kNameBufferSize;
  return RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// Product keys, and the family key, have names of exactly eight characters.
bool IsProductKeyName(const char* name) { return std::strlen(name) == 8; }

}  // namespace

bool CheckProductsKey() {
  RegistryKey products(kProductsKeyPath, true);
  if (products.Open(false) == nullptr) return RecordFailure(0x34A, kAccessDenied);
  return true;
}

bool RegisterProduct() {
  RegistryKey products(kProductsKeyPath, true);
  if (products.Open(false) == nullptr) return false;
  String name = LoadProductName();
  String code = LoadBrandingCode();

  // An entry of the older layout for this very product is replaced.
  RegistryKey older(products, code.CStr(), false);
  char recorded[kNameBufferSize];
  if (older.ReadString("ProductName", recorded, sizeof recorded) &&
      EqualNoCase(recorded, name.CStr()))
    older.DeleteKey();

  RegistryKey family(products, kFamilyKey, true);
  if (family.Open(false) == nullptr) return false;
  RegistryKey brand(family, code.CStr(), true);
  if (brand.Open(false) == nullptr) return false;
  return brand.WriteString(name.CStr(), "Installed");
}

bool UnregisterProduct() {
  // A copy running from the Windows folder leaves every product entry alone.
  PathMacro windowsCopy("%%win%%QELC14BA.DLL");
  bool ownEntry = !EqualAsciiNoCase(OwnModulePath().CStr(), windowsCopy.Expand().CStr());

  RegistryKey products(kProductsKeyPath, false);
  if (products.Open(false) == nullptr) return true;

  if (ownEntry) {
    String name = LoadProductName();
    String code = LoadBrandingCode();
    RegistryKey family(products, kFamilyKey, false);
    if (HKEY familyHandle = family.Open(false)) {
      RegistryKey brand(family, code.CStr(), false);
      if (brand.Open(false) != nullptr) {
        brand.DeleteValue(name.CStr());
        if (KeyEmptiness(brand.Open(false)) == Emptiness::Empty) brand.DeleteKey();
      }
      if (HasNoSubkeys(familyHandle)) family.DeleteKey();
    }
  }

  PruneProductKeys(products);

  HKEY productsHandle = products.Open(false);
  char name[kNameBufferSize];
  for (DWORD index = 0; SubkeyAt(productsHandle, index, name); ++index)
    if (IsProductKeyName(name)) return false;
  products.DeleteKey();
  return true;
}

void PruneProductKeys(RegistryKey& productsKey) {
  HKEY productsHandle = productsKey.Open(false);
  char name[kNameBufferSize];
  {
    ScopedRegKey family;
    if (RegOpenKeyExA(productsHandle, kFamilyKey, 0, kFullAccess, family.Receive()) != ERROR_SUCCESS)
      return;
    bool anyInUse = false;
    DWORD index = 0;
    while (SubkeyAt(family.Get(), index, name)) {
      bool remove = false;
      if (IsProductKeyName(name)) {
        ScopedRegKey brand;
        if (RegOpenKeyExA(family.Get(), name, 0, kFullAccess, brand.Receive()) == ERROR_SUCCESS) {
          Emptiness state = KeyEmptiness(brand.Get());
          remove = state == Emptiness::Empty;
          anyInUse = anyInUse || state == Emptiness::InUse;
        }
      }
      // After a deletion the same index names the next key.
      if (!remove || RegDeleteKeyA(family.Get(), name) != ERROR_SUCCESS) ++index;
    }
    family.Reset();
    if (!anyInUse) RegDeleteKeyA(productsHandle, kFamilyKey);
  }

  // Entries of the older layout without a readable product name are stale.
  DWORD index = 0;
  while (SubkeyAt(productsHandle, index, name)) {
    bool stale = false;
    if (IsProductKeyName(name) && !EqualAsciiNoCase(name, kFamilyKey)) {
      RegistryKey older(productsKey, name, false);
      char recorded[kNameBufferSize];
      stale = !older.ReadString("ProductName", recorded, sizeof recorded);
    }
    if (!stale || RegDeleteKeyA(productsHandle, name) != ERROR_SUCCESS) ++index;
  }
}
