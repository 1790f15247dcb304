#pragma once

class RegistryKey;

// Which products rely on the shared components, filed under this build's
// branding code and product name.
extern const char* const kProductsKeyPath;

// Opens or creates the products key; records 0x34A/1007 when it cannot.
bool CheckProductsKey();
// Files this build's product; true when its value was written.
bool RegisterProduct();
enum class ProductsLeft { None, Some, Unknown };
// Removes this build's product and says whether any product is left;
// Unknown (with a failure recorded) when the products key cannot be read.
ProductsLeft UnregisterProduct();
// Removes empty product keys and stale entries of the older layout.
void PruneProductKeys(RegistryKey& productsKey);
