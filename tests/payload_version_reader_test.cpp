#include "components/payload_version_reader.h"

#include <vector>

#include "components/item_descriptor.h"
#include "exports/module_state.h"
#include "support/sim_test.h"
#include "support/version_files.h"

namespace {

using Codes = std::vector<uint32_t>;

class PayloadVersionReaderTest : public SystemTest {
 protected:
  // A resource payload whose version text says 4.20.0.1 behind a version
  // resource whose fixed part says otherwise (the text is what counts).
  void SetUp() override {
    SystemTest::SetUp();
    testfiles::Version fixed{9, 9, 9, 9};
    sim::SetBinaryResource("QelC14BA.dll", 10001,
                           testfiles::ProgramImage(testfiles::VersionResource(&fixed, "4.20.0.1")));
    sim::SetBinaryResource("QelC14BA.dll", 112, testfiles::ProgramWithVersionText("4, 20, 0, 1"));
  }
};

TEST_F(PayloadVersionReaderTest, AResourcePayloadIsVersionedByItsText) {
  g_moduleHandle = nullptr;
  ItemDescriptor* item = CreateResourceItem("QELC11BA.EXE", 10001, "%%ntdrivers%%", nullptr);
  item->AddRef();
  {
    PayloadVersionReader reader(item);
    EXPECT_EQ(2u, item->refCount);
    ASSERT_TRUE(reader.IsValid());
    EXPECT_EQ(4u, reader.major);
    EXPECT_EQ(20u, reader.minor);
    EXPECT_EQ(0u, reader.build);
    EXPECT_EQ(module_, g_moduleHandle);  // looked up once, then kept
  }
  EXPECT_EQ(1u, item->refCount);
  // Only the low 16 bits of the id name the resource.
  item->resourceId = 0x10000 + 10001;
  EXPECT_TRUE(PayloadVersionReader(item).IsValid());
  EXPECT_TRUE(Failures().empty());

  // Commas do not parse; the empty source path then records why.
  item->resourceId = 112;
  EXPECT_FALSE(PayloadVersionReader(item).IsValid());
  EXPECT_EQ((Codes{TrackedCode(0x9A, 0xFFFF)}), Failures());
  item->Release();
}

TEST_F(PayloadVersionReaderTest, WithoutTheModuleNothingIsFound) {
  FreeLibrary(module_);
  g_moduleHandle = nullptr;
  ItemDescriptor* item = CreateResourceItem("QELC11BA.EXE", 10001, "%%ntdrivers%%", nullptr);
  item->AddRef();
  EXPECT_FALSE(PayloadVersionReader(item).IsValid());
  EXPECT_EQ((Codes{TrackedCode(0x9A, 0xFFFF), TrackedCode(0x78, 0xFFFF)}), Failures());
  EXPECT_EQ(nullptr, g_moduleHandle);

  // A set module handle is used as it is: a missing resource just reads nothing.
  module_ = LoadLibraryA("QelC14BA.dll");
  g_moduleHandle = module_;
  FailureList().ClearIfAutoClear();
  item->resourceId = 555;
  EXPECT_FALSE(PayloadVersionReader(item).IsValid());
  EXPECT_EQ((Codes{TrackedCode(0x9A, 0xFFFF)}), Failures());
  item->Release();
}

TEST_F(PayloadVersionReaderTest, AFilePayloadIsVersionedLikeAnInstalledFile) {
  sim::PutFile("C:\\Media\\QELC14BA.DLL", testfiles::ProgramWithVersion({4, 20, 5, 0}));
  ItemDescriptor* item = CreateModuleItem("QELC14BA.DLL", "C:\\Media\\", "C:\\T\\", nullptr);
  item->AddRef();
  PayloadVersionReader reader(item);
  ASSERT_TRUE(reader.IsValid());
  EXPECT_EQ(5u, reader.build);
  EXPECT_EQ(0u, sim::CallCount("FindResourceA"));  // no resource is looked at
  item->Release();
}

}  // namespace
