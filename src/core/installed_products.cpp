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
const REGSAM kReadAccess = 0x20019;
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

// The subkey name at index into name; ERROR_NO_MORE_ITEMS past the last one.
LONG SubkeyAt(HKEY key, DWORD index, char (&name)[kNameBufferSize]) {
  std::memset(name, 0, sizeof name);
  DWORD size = kNameBufferSize;
  return RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
}

// An entry of the older layout is stale only when it surely has no product
// name; one that cannot be read may still be another product's.
bool LacksProductName(HKEY products, const char* name) {
  ScopedRegKey older;
  if (RegOpenKeyExA(products, name, 0, kReadAccess, older.Receive()) != ERROR_SUCCESS) return false;
  char recorded[kNameBufferSize];
  DWORD type = 0;
  DWORD size = sizeof recorded;
  LONG read = RegQueryValueExA(older.Get(), "ProductName", nullptr, &type,
                               reinterpret_cast<LPBYTE>(recorded), &size);
  return read == ERROR_FILE_NOT_FOUND || (read == ERROR_SUCCESS && type != REG_SZ);
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
  // Without both, the entry would name no product.
  if (name.IsEmpty() || code.IsEmpty()) return false;

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

ProductsLeft UnregisterProduct() {
  // A copy running from the Windows folder leaves every product entry alone.
  PathMacro windowsCopy("%%win%%QELC14BA.DLL");
  bool ownEntry = !EqualAsciiNoCase(OwnModulePath().CStr(), windowsCopy.Expand().CStr());

  // Only a products key that is surely absent means no product is left.
  RegistryKey products(kProductsKeyPath, false);
  if (products.Open(false) == nullptr) {
    // A registry function returns its error and leaves the thread's alone.
    LONG error = products.OpenResult();
    if (error == ERROR_FILE_NOT_FOUND) return ProductsLeft::None;
    if (error == ERROR_ACCESS_DENIED)
      RecordFailure(0x600, kAccessDenied);
    else
      RecordFailure(0x600, kGenericCode);
    return ProductsLeft::Unknown;
  }

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
  for (DWORD index = 0;; ++index) {
    LONG listed = SubkeyAt(productsHandle, index, name);
    if (listed == ERROR_NO_MORE_ITEMS) break;
    if (listed != ERROR_SUCCESS) {
      if (listed == ERROR_ACCESS_DENIED)
        RecordFailure(0x601, kAccessDenied);
      else
        RecordFailure(0x601, kGenericCode);
      return ProductsLeft::Unknown;
    }
    if (IsProductKeyName(name)) return ProductsLeft::Some;
  }
  products.DeleteKey();
  return ProductsLeft::None;
}

void PruneProductKeys(RegistryKey& productsKey) {
  HKEY productsHandle = productsKey.Open(false);
  char name[kNameBufferSize];
  {
    ScopedRegKey family;
    if (RegOpenKeyExA(productsHandle, kFamilyKey, 0, kFullAccess, family.Receive()) != ERROR_SUCCESS)
      return;
    // Deleting the family key takes every product under it along on Windows
    // 9x, so it goes only when each of them was seen to be empty.
    bool anyInUse = false;
    DWORD index = 0;
    LONG listed;
    while ((listed = SubkeyAt(family.Get(), index, name)) == ERROR_SUCCESS) {
      bool remove = false;
      if (IsProductKeyName(name)) {
        ScopedRegKey brand;
        Emptiness state = Emptiness::Unknown;
        if (RegOpenKeyExA(family.Get(), name, 0, kFullAccess, brand.Receive()) == ERROR_SUCCESS)
          state = KeyEmptiness(brand.Get());
        remove = state == Emptiness::Empty;
        anyInUse = anyInUse || state != Emptiness::Empty;
      }
      // After a deletion the same index names the next key.
      if (!remove || RegDeleteKeyA(family.Get(), name) != ERROR_SUCCESS) ++index;
    }
    family.Reset();
    if (!anyInUse && listed == ERROR_NO_MORE_ITEMS) RegDeleteKeyA(productsHandle, kFamilyKey);
  }

  // Entries of the older layout without a readable product name are stale.
  DWORD index = 0;
  while (SubkeyAt(productsHandle, index, name) == ERROR_SUCCESS) {
    bool stale = IsProductKeyName(name) && !EqualAsciiNoCase(name, kFamilyKey) &&
                 LacksProductName(productsHandle, name);
    if (!stale || RegDeleteKeyA(productsHandle, name) != ERROR_SUCCESS) ++index;
  }
}
