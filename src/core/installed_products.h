#pragma once

class RegistryKey;

// Which products rely on the shared components, filed under this build's
// branding code and product name.
extern const char* const kProductsKeyPath;

// Opens or creates the products key; records 0x34A/1007 when it cannot.
bool CheckProductsKey();
// Files this build's product; true when its value was written.
bool RegisterProduct();
// Removes this build's product; true when no product is left.
bool UnregisterProduct();
// Removes empty product keys and stale entries of the older layout.
void PruneProductKeys(RegistryKey& productsKey);
