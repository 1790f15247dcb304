#include "components/file_operations.h"

#include "support/driver_sim.h"
#include "support/sim_test.h"

namespace {

using FileOperationsTest = SystemTest;

TEST_F(FileOperationsTest, ExtractResourceToFileFindsTheModuleByName) {
  sim::ClearCallLog();  // the process objects' own lookups
  EXPECT_FALSE(ExtractResourceToFile(module_, "QelC14Ba.dll", 115, "BINARY", nullptr));
  EXPECT_EQ(0u, sim::CallCount("fopen"));
  sim::PutFile("C:\\x.dll", "old", FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(ExtractResourceToFile(nullptr, "QelC14Ba.dll", 115, "BINARY", "C:\\x.dll"));
  EXPECT_EQ(NewPayload(), sim::FileBytes("C:\\x.dll"));
  EXPECT_EQ((std::vector<std::string>{"QelC14Ba.dll"}), CallDetails("GetModuleHandleA"));
  EXPECT_EQ(1u, sim::CallCount("fwrite"));

  FreeLibrary(module_);  // not loaded: nothing to extract from
  EXPECT_FALSE(ExtractResourceToFile(nullptr, "QelC14Ba.dll", 115, "BINARY", "C:\\y.dll"));
  EXPECT_FALSE(sim::FileExists("C:\\y.dll"));
  EXPECT_TRUE(Failures().empty());
}

}  // namespace
