#include "components/restart_operations.h"

#include "components/file_component.h"
#include "support/sim_test.h"

namespace {

using RestartOperationsTest = SystemTest;

const char kWininit[] = "C:\\WINDOWS\\WININIT.INI";

TEST_F(RestartOperationsTest, Windows9xAppendsToTheRenameSectionOfWininit) {
  Restart(sim::Platform::Win98);
  EXPECT_TRUE(ScheduleMoveAtRestart("C:\\W\\S\\C141.TMP", "C:\\W\\S\\F.DLL"));
  EXPECT_EQ("[rename]\r\nC:\\W\\S\\F.DLL=C:\\W\\S\\C141.TMP\r\n", sim::FileText(kWininit));
  EXPECT_TRUE(ScheduleMoveAtRestart("C:\\W\\S\\F.DLL", nullptr));
  EXPECT_EQ("[rename]\r\nC:\\W\\S\\F.DLL=C:\\W\\S\\C141.TMP\r\nNUL=C:\\W\\S\\F.DLL\r\n",
            sim::FileText(kWininit));

  sim::PutFile(kWininit, "[Rename]\r\nA=B\r\n[Other]\r\nX=Y\r\n[rename]\r\nC=D\r\n");
  EXPECT_TRUE(ScheduleMoveAtRestart("E", nullptr));
  EXPECT_EQ("[Rename]\r\nA=B\r\nC=D\r\nNUL=E\r\n[Other]\r\nX=Y\r\n", sim::FileText(kWininit));

  sim::SetWindowsFolders("C:\\WIN\\", "C:\\WIN\\SYSTEM");  // a folder ending in "\" gets no second one
  sim::MakeFolder("C:\\WIN");
  EXPECT_TRUE(ScheduleMoveAtRestart("F", nullptr));
  EXPECT_EQ("[rename]\r\nNUL=F\r\n", sim::FileText("C:\\WIN\\WININIT.INI"));
  EXPECT_EQ(0u, sim::CallCount("MoveFileExA"));

  // Not written, not scheduled: the caller records the outcome.
  sim::DenyAccess("C:\\WIN\\WININIT.INI");
  EXPECT_FALSE(ScheduleMoveAtRestart("G", nullptr));
  EXPECT_EQ("[rename]\r\nNUL=F\r\n", sim::FileText("C:\\WIN\\WININIT.INI"));
  EXPECT_TRUE(Failures().empty());
}

// A component whose file is expected at C:\T\F.DLL and written to C:\I\F.DLL.
class CancelTest : public RestartOperationsTest {
 protected:
  void SetUp() override {
    RestartOperationsTest::SetUp();
    component_ = std::make_unique<FileComponent>(
        CreateResourceItem("F.DLL", 115, "C:\\T\\", "C:\\I\\"));
    for (const char* staged : {"C:\\T\\C141.TMP", "C:\\I\\C142.TMP", "C:\\O\\A1.TMP", "C:\\T\\F.DLL"})
      sim::PutFile(staged, "staged");
  }
  // The staged copies of the component's file went; a move of the file itself only goes.
  static void ExpectOnlyOwnStagedCopiesGone() {
    for (const char* gone : {"C:\\T\\C141.TMP", "C:\\I\\C142.TMP"}) EXPECT_FALSE(sim::FileExists(gone));
    for (const char* kept : {"C:\\O\\A1.TMP", "C:\\T\\F.DLL"}) EXPECT_TRUE(sim::FileExists(kept));
  }
  std::unique_ptr<FileComponent> component_;
};

TEST_F(CancelTest, Windows9xClearsTheLinesOfTheFileAndDeletesItsStagedCopies) {
  Restart(sim::Platform::Win98);
  const std::string wininit =
      "[rename]\r\n"
      "C:\\O\\A.DLL=C:\\O\\A1.TMP\r\n"
      "NUL=C:\\T\\F.DLL\r\n"
      "C:\\T\\F.DLL=C:\\T\\C141.TMP\r\n"
      "c:\\i\\f.dll=C:\\I\\C142.TMP\r\n"
      "C:\\I\\F.DLL.BAK=C:\\I\\F.DLL\r\n"
      "C:\\I\\F.DLL=C:\\T\\F.DLL\r\n"
      "NUL=C:\\O\\B.DLL\r\n";
  sim::PutFile(kWininit, wininit);
  EXPECT_TRUE(component_->CancelPendingOperations(true));
  EXPECT_EQ(wininit, sim::FileText(kWininit));
  EXPECT_TRUE(sim::FileExists("C:\\T\\C141.TMP"));
  EXPECT_TRUE(sim::FileExists("C:\\I\\C142.TMP"));

  EXPECT_TRUE(component_->CancelPendingOperations(false));
  EXPECT_EQ("[rename]\r\nC:\\O\\A.DLL=C:\\O\\A1.TMP\r\nNUL=C:\\O\\B.DLL\r\n", sim::FileText(kWininit));
  ExpectOnlyOwnStagedCopiesGone();

  EXPECT_FALSE(component_->CancelPendingOperations(false));  // nothing left: not rewritten
  sim::PutFile(kWininit, "[Other]\r\nNUL=C:\\T\\F.DLL\r\n[rename]\r\n");
  EXPECT_FALSE(component_->CancelPendingOperations(false));
  EXPECT_EQ("[Other]\r\nNUL=C:\\T\\F.DLL\r\n[rename]\r\n", sim::FileText(kWininit));
  EXPECT_EQ(0u, sim::CallCount("RegOpenKeyExA"));
}

TEST_F(CancelTest, NtDropsThePairsOfTheFileAndKeepsTheOthersInOrder) {
  const char data[] =
      "\\??\\C:\\O\\A1.TMP\0!\\??\\C:\\O\\A.DLL\0"
      "\\??\\C:\\T\\C141.TMP\0!\\??\\C:\\T\\F.DLL\0"
      "\\??\\C:\\T\\F.DLL\0\0"
      "\\??\\C:\\O\\B.DLL\0\0"
      "\\??\\c:\\i\\f.dll.old\0\0"
      "\\??\\C:\\I\\C142.TMP\0!\\??\\c:\\I\\F.DLL\0"
      "\\??\\C:\\T\\F.DLL\0!\\??\\C:\\I\\F.DLL\0";
  const std::string pending(data, sizeof data);
  SetPendingRenames(pending);
  EXPECT_TRUE(component_->CancelPendingOperations(true));
  EXPECT_EQ(pending, PendingRenames());
  EXPECT_TRUE(sim::FileExists("C:\\T\\C141.TMP"));

  EXPECT_TRUE(component_->CancelPendingOperations(false));
  const char kept[] = "\\??\\C:\\O\\A1.TMP\0!\\??\\C:\\O\\A.DLL\0\\??\\C:\\O\\B.DLL\0\0";
  EXPECT_EQ(std::string(kept, sizeof kept), PendingRenames());
  ExpectOnlyOwnStagedCopiesGone();

  EXPECT_FALSE(component_->CancelPendingOperations(false));
  EXPECT_EQ(std::string(kept, sizeof kept), PendingRenames());
}

TEST_F(CancelTest, PendingValuesAreReadWithinTheirBytesAndDeletedWhenEmptied) {
  struct Case { const char* what; std::string value; DWORD type; bool found; std::string after; };
  const std::string none = "<none>";
  const Case cases[] = {
      {"empty", std::string(), REG_MULTI_SZ, false, std::string()},
      {"one byte", std::string(1, '\0'), REG_MULTI_SZ, false, std::string(1, '\0')},
      {"a string value", std::string("\\??\\C:\\T\\F.DLL\0\0\0", 18), REG_SZ, false,
       std::string("\\??\\C:\\T\\F.DLL\0\0\0", 18)},
      {"no NUL at all", "\\??\\C:\\T\\F.DLL", REG_MULTI_SZ, true, none},
      {"no closing NUL", std::string("\\??\\C:\\T\\F.DLL\0", 15), REG_MULTI_SZ, true, none},
      {"kept pair without its NULs",
       std::string("\\??\\C:\\T\\F.DLL\0\0\\??\\C:\\O\\X\0\\??\\C:\\O\\Y", 38), REG_MULTI_SZ, true,
       std::string("\\??\\C:\\O\\X\0\\??\\C:\\O\\Y\0\0", 23)},
      {"odd size, target last", std::string("\\??\\C:\\O\\X\0\\??\\C:\\T\\F.DLL", 25), REG_MULTI_SZ,
       true, none},
      {"only NULs", std::string(5, '\0'), REG_MULTI_SZ, false, std::string(5, '\0')},
      {"only the file's pairs",
       std::string("\\??\\C:\\T\\C141.TMP\0!\\??\\C:\\T\\F.DLL\0\\??\\C:\\I\\F.DLL\0\0", 51),
       REG_MULTI_SZ, true, none},
  };
  for (const Case& c : cases) {
    SetPendingRenames(c.value, c.type);
    EXPECT_EQ(c.found, component_->CancelPendingOperations(false)) << c.what;
    EXPECT_EQ(c.after, PendingRenames()) << c.what;
  }
  EXPECT_FALSE(sim::FileExists("C:\\T\\C141.TMP"));
  EXPECT_FALSE(sim::FileExists(kWininit));
  EXPECT_TRUE(Failures().empty());

  Restart(sim::Platform::Win32s);  // other platforms have nothing to cancel
  EXPECT_FALSE(component_->CancelPendingOperations(true));
  EXPECT_EQ((Codes{TrackedCode(0x3A2, 0xFFFF)}), Failures());
}

}  // namespace
