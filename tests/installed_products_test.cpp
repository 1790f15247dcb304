#include "core/installed_products.h"
#include "core/own_path.h"
#include "support/sim_test.h"

namespace {

const std::string kProducts = "SOFTWARE\\Ostravik\\Lumasett\\InstalledProducts";
const std::string kFamily = kProducts + "\\KV00220+";
const std::string kBrand = kFamily + "\\B241A000";

class InstalledProductsTest : public SystemTest {
 protected:
  // A fresh machine on which the library was loaded from `path`.
  void LoadFrom(const std::string& path) {
    sim::Reset();
    simmachine::RegisterLibrary(path.c_str());
    module_ = LoadLibraryA("QelC14BA.dll");
    Restart(sim::Platform::WinXP);
  }
};

TEST_F(InstalledProductsTest, RegisteringReplacesThisProductsOlderEntry) {
  sim::SetRegistryString(kProducts + "\\B241A000", "ProductName", "LUMASETT studio");
  sim::SetRegistryString(kProducts + "\\C0FFEE00", "ProductName", "Other Product");
  EXPECT_TRUE(RegisterProduct());
  EXPECT_FALSE(sim::RegistryKeyExists(kProducts + "\\B241A000"));
  EXPECT_TRUE(sim::RegistryKeyExists(kProducts + "\\C0FFEE00"));
  EXPECT_EQ("Installed", sim::GetRegistryString(kBrand, kProductName));

  sim::SetRegistryString(kProducts + "\\B241A000", "ProductName", "Lumasett Studio Pro");
  EXPECT_TRUE(RegisterProduct());
  EXPECT_TRUE(sim::RegistryKeyExists(kProducts + "\\B241A000"));

  sim::SetStringResource("QelC14BA.dll", 2, std::string(64, '\0'));
  EXPECT_FALSE(RegisterProduct());  // an entry without a product name names nothing
  EXPECT_EQ(0u, FailureList().Count());
}

TEST_F(InstalledProductsTest, PruningRemovesEmptyAndStaleEntriesOnly) {
  EXPECT_EQ(ProductsLeft::None, UnregisterProduct());  // nothing registered: the components go
  ASSERT_TRUE(RegisterProduct());
  sim::SetRegistryString(kFamily + "\\D0D0D0D0", "", "default only");
  sim::CreateRegistryKey(kFamily + "\\E0E0E0E0");
  sim::SetRegistryString(kFamily + "\\F0F0F0F0", "Somebody", "Installed");
  sim::SetRegistryString(kFamily + "\\SHORT", "Somebody", "Installed");
  sim::CreateRegistryKey(kProducts + "\\A1A1A1A1");  // older layout without a name
  sim::SetRegistryString(kProducts + "\\A2A2A2A2", "ProductName", "x", REG_EXPAND_SZ);
  sim::SetRegistryString(kProducts + "\\A3A3A3A3", "ProductName", "Old Product");
  sim::SetRegistryString(kProducts + "\\A4A4A4A4", "ProductName", "Unreadable Product");
  sim::DenyRegistryAccess(kProducts + "\\A4A4A4A4", true, false);
  // A name past the read buffer (ERROR_MORE_DATA) may be another product's: kept.
  sim::SetRegistryString(kProducts + "\\A5A5A5A5", "ProductName", std::string(300, 'n'));
  sim::CreateRegistryKey(kProducts + "\\ABCDEFG");
  sim::CreateRegistryKey(kProducts + "\\ABCDEFGHI");
  EXPECT_EQ(ProductsLeft::Some, UnregisterProduct());
  EXPECT_EQ((std::vector<std::string>{"F0F0F0F0", "SHORT"}), sim::RegistrySubkeys(kFamily));
  EXPECT_EQ((std::vector<std::string>{"A3A3A3A3", "A4A4A4A4", "A5A5A5A5", "ABCDEFG", "ABCDEFGHI",
                                      "KV00220+"}),
            sim::RegistrySubkeys(kProducts));
}

TEST_F(InstalledProductsTest, KeysOfOtherLengthsNeitherKeepTheComponentsNorArePruned) {
  ASSERT_TRUE(RegisterProduct());
  sim::CreateRegistryKey(kProducts + "\\ABCDEFG");
  sim::CreateRegistryKey(kProducts + "\\ABCDEFGHI");
  EXPECT_EQ(ProductsLeft::None, UnregisterProduct());
  // NT will not delete a key that has subkeys; nothing reports it.
  EXPECT_EQ((std::vector<std::string>{"ABCDEFG", "ABCDEFGHI"}), sim::RegistrySubkeys(kProducts));
  EXPECT_EQ(0u, FailureList().Count());

  Restart(sim::Platform::Win98);
  EXPECT_EQ(ProductsLeft::None, UnregisterProduct());
  EXPECT_FALSE(sim::RegistryKeyExists(kProducts));
}

TEST_F(InstalledProductsTest, ACopyInTheWindowsFolderKeepsItsProductEntry) {
  LoadFrom("c:\\windows\\qelc14ba.dll");
  sim::SetRegistryString(kBrand, kProductName, "Installed");
  sim::SetRegistryString(kFamily + "\\D0D0D0D0", "", "default only");
  EXPECT_EQ(ProductsLeft::Some, UnregisterProduct());
  EXPECT_EQ("Installed", sim::GetRegistryString(kBrand, kProductName));
  EXPECT_FALSE(sim::RegistryKeyExists(kFamily + "\\D0D0D0D0"));  // pruning still ran
}

TEST_F(InstalledProductsTest, TheOwnPathIsAskedWithAGrowingBuffer) {
  std::string longPath = "C:\\" + std::string(251, 'p') + ".dll";  // 255 characters
  LoadFrom(longPath);
  size_t before = sim::CallCount("GetModuleFileNameA");
  EXPECT_EQ(longPath, OwnModulePath().CStr());
  EXPECT_EQ(before + 2, sim::CallCount("GetModuleFileNameA"));
  LoadFrom(longPath + std::string(300, 'q'));
  EXPECT_EQ(longPath + std::string(300, 'q'), OwnModulePath().CStr());
}

}  // namespace
