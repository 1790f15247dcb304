#include "components/payload_version_reader.h"

#include "components/item_descriptor.h"
#include "core/module_state.h"
#include "support/driver_sim.h"
#include "support/sim_test.h"
#include "machine/version_files.h"

namespace {

using PayloadVersionReaderTest = SystemTest;

TEST_F(PayloadVersionReaderTest, AResourcePayloadIsVersionedByItsText) {
  // The version text says 4.20.0.1; the fixed part says otherwise and does not count.
  testfiles::Version fixed{9, 9, 9, 9};
  sim::SetBinaryResource("QelC14BA.dll", 10001,
                         testfiles::ProgramImage(testfiles::VersionResource(&fixed, "4.20.0.1")));
  sim::SetBinaryResource("QelC14BA.dll", 112, testfiles::ProgramWithVersionText("4, 20, 0, 1"));
  g_moduleHandle = nullptr;
  ItemDescriptor* item = CreateResourceItem("QELC11BA.EXE", 10001, "%%ntdrivers%%", nullptr);
  item->AddRef();
  {
    PayloadVersionReader reader(item);
    ASSERT_TRUE(reader.IsValid());
    EXPECT_EQ("4.20.0", VersionText(reader));
    EXPECT_EQ(module_, g_moduleHandle);  // looked up once, then kept
  }
  // Only the low 16 bits of the id name the resource.
  item->resourceId = 0x10000 + 10001;
  EXPECT_TRUE(PayloadVersionReader(item).IsValid());
  EXPECT_TRUE(Failures().empty());

  // Commas do not parse; the empty source path then records why.
  item->resourceId = 112;
  EXPECT_FALSE(PayloadVersionReader(item).IsValid());
  EXPECT_EQ((Codes{TrackedCode(0x9A, 0xFFFF)}), TakeFailures());
  // A missing resource just reads nothing.
  item->resourceId = 555;
  EXPECT_FALSE(PayloadVersionReader(item).IsValid());
  EXPECT_EQ((Codes{TrackedCode(0x9A, 0xFFFF)}), TakeFailures());

  FreeLibrary(module_);  // without the module nothing is found
  g_moduleHandle = nullptr;
  item->resourceId = 10001;
  EXPECT_FALSE(PayloadVersionReader(item).IsValid());
  EXPECT_EQ((Codes{TrackedCode(0x9A, 0xFFFF), TrackedCode(0x78, 0xFFFF)}), Failures());
  EXPECT_EQ(nullptr, g_moduleHandle);
  item->Release();
}

}  // namespace
