#include <cstring>

#include "platform/registry_key.h"
#include "support/sim_test.h"

namespace {

using RegistryKeyTest = SystemTest;

const char* const kKey = "SOFTWARE\\Ostravik\\Lumasett\\Installer";

TEST_F(RegistryKeyTest, ValuesOfTheWrongTypeCountAsMissing) {
  sim::SetRegistryString(kKey, "Expand", "%windir%", REG_EXPAND_SZ);
  sim::SetRegistryValue(kKey, "Binary", REG_BINARY, {1, 0, 0, 0});
  sim::SetRegistryValue(kKey, "Pending", REG_MULTI_SZ, {'a', 0, 'b', 0, 0});
  sim::SetRegistryString(kKey, "Long", std::string(300, 'x'));
  RegistryKey key(kKey, false);

  String text("kept");
  EXPECT_FALSE(key.ReadString("Expand", text));
  EXPECT_STREQ("kept", text.CStr());
  DWORD number = 7;
  EXPECT_FALSE(key.ReadDword("Binary", &number));

  std::unique_ptr<char[]> data;
  DWORD size = 99;
  EXPECT_TRUE(key.ReadMultiString("Pending", &data, &size));
  ASSERT_EQ(5u, size);
  EXPECT_EQ(0, std::memcmp("a\0b\0\0\0", data.get(), 6));  // one NUL added
  EXPECT_FALSE(key.ReadMultiString("Long", &data, &size));

  EXPECT_TRUE(key.ReadString("Long", text));
  EXPECT_EQ(300u, text.Length());
  char small[8] = "xxxxxxx";
  EXPECT_FALSE(key.ReadString("Long", small, sizeof small));
  EXPECT_EQ('\0', small[0]);  // the buffer is cleared before the read

  EXPECT_TRUE(key.WriteString("Blank", ""));
  EXPECT_EQ(1u, sim::GetRegistryValue(kKey, "Blank")->data.size());

  size_t calls = sim::CallLog().size();
  EXPECT_FALSE(key.ReadString(nullptr, text));
  EXPECT_FALSE(key.WriteString("Name", nullptr));
  EXPECT_FALSE(key.ReadMultiString("Pending", nullptr, &size));
  EXPECT_FALSE(key.DeleteValue(nullptr));
  EXPECT_EQ(calls, sim::CallLog().size());
}

TEST_F(RegistryKeyTest, DeleteKeyGoesThroughTheParent) {
  sim::CreateRegistryKey("A\\B\\C");
  RegistryKey trailing("A\\B\\C\\", false);
  EXPECT_TRUE(trailing.DeleteKey());
  EXPECT_STREQ("A\\B", trailing.Path());
  EXPECT_FALSE(sim::RegistryKeyExists("A\\B\\C"));
  EXPECT_TRUE(sim::RegistryKeyExists("A\\B"));

  RegistryKey top("A", false);
  EXPECT_FALSE(top.DeleteKey());  // directly below the root
  EXPECT_TRUE(sim::RegistryKeyExists("A"));

  RegistryKey missing("A\\X", false);
  EXPECT_FALSE(missing.DeleteKey());
}

TEST_F(RegistryKeyTest, ARefusedOpenIsTriedAgain) {
  sim::SetRegistryDword(kKey, "ComponentsInUseCount", 2);
  sim::DenyRegistryAccess(kKey, false, true);
  RegistryKey key(kKey, true);
  DWORD count = 0;
  EXPECT_FALSE(key.WriteDword("ComponentsInUseCount", 3));
  EXPECT_TRUE(key.ReadDword("ComponentsInUseCount", &count));
  EXPECT_EQ(2u, count);
  EXPECT_EQ(2u, sim::GetRegistryDword(kKey, "ComponentsInUseCount"));

  sim::FailCall("RegOpenKeyExA", ERROR_ACCESS_DENIED);
  RegistryKey other(kKey, false);
  EXPECT_EQ(nullptr, other.Open(true));
  EXPECT_NE(nullptr, other.Open(true));
}

}  // namespace
