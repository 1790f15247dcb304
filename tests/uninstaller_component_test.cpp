#include "components/uninstaller_component.h"

#include <memory>

#include "command_line.h"
#include "support/sim_test.h"
#include "machine/version_files.h"

namespace {

const std::string kEntry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QelC13Ba";
const std::string kInstall = "C:\\Program Files\\Common Files\\Ostravik Shared\\Lumasett\\Install\\";
const char* const kFolderMacro = "%%commonfiles%%Ostravik Shared\\Lumasett\\Install\\";
const std::string kLibrarySource = "C:\\Program Files\\Lumasett Studio\\QelC14BA.dll";

class UninstallerComponentTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    sim::PutFile(kLibrarySource, testfiles::ProgramWithVersion({4, 20, 0, 1}));
  }

  // The program with the library copy as its child, as the component set builds them.
  std::unique_ptr<UninstallerComponent> Program() {
    auto program = std::make_unique<UninstallerComponent>(
        CreateResourceItem("QELC13BA.EXE", 112, kFolderMacro, kFolderMacro));
    program->AddChild(new FileComponent(
        CreateModuleItem("QELC14BA.DLL", kLibrarySource.c_str(), kFolderMacro, kFolderMacro)));
    return program;
  }

  void WriteEntry(DWORD major, DWORD minor, const std::string& command) {
    sim::SetRegistryDword(kEntry, "VersionMajor", major);
    sim::SetRegistryDword(kEntry, "VersionMinor", minor);
    sim::SetRegistryString(kEntry, "UninstallString", command);
  }

  static std::string Value(const std::string& name) {
    return sim::GetRegistryString(kEntry, name).value_or("<none>");
  }
};

// The journeys cover a fresh entry, its removal and one left while its program runs.
TEST_F(UninstallerComponentTest, AnOlderOrForeignEntryAsksForAnUpdate) {
  EXPECT_TRUE(Program()->NeedsUpdate());
  ASSERT_TRUE(Program()->Install(0));
  std::string command = kInstall + "QELC13BA.EXE /uninstall";
  EXPECT_EQ(command, Value("UninstallString"));
  EXPECT_FALSE(Program()->NeedsUpdate());
  struct Case {
    DWORD major, minor;
    std::string command;
    bool needsUpdate;
  } cases[] = {{2, 19, command, true},
               {2, 20, command, false},
               {2, 21, command, false},
               {3, 0, command, false},
               {2, 20, "c:\\PROGRAM FILES\\common files\\ostravik shared\\lumasett\\install\\qelc13ba.exe /UNINSTALL", false},
               {2, 20, "D:\\Elsewhere\\QELC13BA.EXE /uninstall", true}};
  for (const Case& c : cases) {
    WriteEntry(c.major, c.minor, c.command);
    EXPECT_EQ(c.needsUpdate, Program()->NeedsUpdate()) << c.major << "." << c.minor << " " << c.command;
  }
  WriteEntry(2, 20, command);
  sim::SetRegistryString(kEntry, "VersionMajor", "3");  // not a number: counts as 0
  EXPECT_TRUE(Program()->NeedsUpdate());
  WriteEntry(2, 20, command);
  sim::SetRegistryValue(kEntry, "UninstallString", REG_BINARY, {'x', 0});
  EXPECT_TRUE(Program()->NeedsUpdate());
}

TEST_F(UninstallerComponentTest, AReplacementLeftToTheRestartStillWritesTheEntry) {
  sim::PutFile(kInstall + "QELC13BA.EXE", OldProgram());
  sim::HoldFileElsewhere(kInstall + "QELC13BA.EXE", FILE_SHARE_READ);
  auto program = Program();
  EXPECT_FALSE(program->Deploy(true));
  EXPECT_EQ(kRestartNeeded, FailureList().NewestCode());
  EXPECT_EQ(kInstall + "QELC13BA.EXE /uninstall", Value("UninstallString"));

  // Failing for any other reason leaves the entry alone.
  sim::DeleteRegistryTree(kEntry);
  WriteEntry(2, 0, "old command");
  EXPECT_FALSE(Program()->Deploy(false));
  EXPECT_EQ("old command", Value("UninstallString"));
  EXPECT_EQ(0u, *sim::GetRegistryDword(kEntry, "VersionMinor"));
}

// The scenarios cover a removal that waits for the restart; its entry goes at once.
TEST_F(UninstallerComponentTest, TheEntryGoesWhileTheProgramWaitsForTheRestart) {
  ASSERT_TRUE(Program()->Install(0));
  sim::LoadImageElsewhere(kInstall + "QELC13BA.EXE");
  EXPECT_FALSE(Program()->Remove(0));
  EXPECT_EQ((Codes{TrackedCode(0x253, kRestartNeeded)}), Failures());
  EXPECT_FALSE(sim::RegistryKeyExists(kEntry));
}

// A half-written entry passes neither for a good install nor as current later.
TEST_F(UninstallerComponentTest, AValueThatCannotBeWrittenFailsTheDeployAndIsRepairedNextTime) {
  for (unsigned nth : {1u, 4u, 7u, 8u}) {  // DisplayName, InstallLocation, VersionMinor, Installer
    sim::DeleteRegistryTree(kEntry);
    FailureList().ClearIfAutoClear();
    ASSERT_TRUE(Program()->Install(0));
    sim::FailCall("RegSetValueExA", ERROR_NOT_ENOUGH_MEMORY, nth);
    EXPECT_FALSE(Program()->Deploy(false)) << nth;
    EXPECT_EQ(TrackedCode(0x604, kGenericCode), Failures().back()) << nth;
    EXPECT_EQ(std::nullopt, sim::GetRegistryDword(kEntry, "VersionMajor")) << nth;
    EXPECT_TRUE(Program()->NeedsUpdate()) << nth;
    EXPECT_TRUE(Program()->Install(0)) << nth;
    for (const char* value : {"DisplayName", "InstallLocation", "Installer", "Applet"})
      EXPECT_NE("<none>", Value(value)) << nth << " " << value;
    EXPECT_EQ(2u, sim::GetRegistryDword(kEntry, "VersionMajor")) << nth;
  }
}

// The uninstaller program's command line, in the forms Windows hands it over.
const char kModule[] =
    "C:\\Program Files\\Common Files\\Ostravik Shared\\Lumasett\\Install\\QELC13BA.EXE";

TEST(UninstallCommandTest, AcceptsOnlyUninstallAfterTheProgramPath) {
  using R = UninstallRequest;
  const std::string extraWord = std::string(kModule) + " extra /uninstall";
  const struct { const char* line; const char* module; R expected; } cases[] = {
      // As Add/Remove Programs runs the entry: unquoted, with spaces.
      {"C:\\Program Files\\Common Files\\Ostravik Shared\\Lumasett\\Install\\QELC13BA.EXE /uninstall",
       kModule, R::kUninstall},
      {"\"C:\\Program Files\\Common Files\\Ostravik Shared\\Lumasett\\Install\\QELC13BA.EXE\" /uninstall",
       kModule, R::kUninstall},
      {"  c:\\program files\\COMMON FILES\\ostravik shared\\lumasett\\install\\qelc13ba.exe   "
       "/UNINSTALL  ", kModule, R::kUninstall},
      {"\"C:\\Odd /x\\QELC13BA.EXE\"/Uninstall\t/Quiet", kModule, R::kUninstallQuiet},
      {"QELC13BA.EXE /uninstall /quiet", kModule, R::kUninstallQuiet},
      // Started through a short name: the path is not the module's own.
      {"C:\\PROGRA~1\\COMMON~1\\OSTRAV~1\\LUMASETT\\INSTALL\\QELC13BA.EXE /uninstall", kModule,
       R::kUninstall},
      {"C:\\PROGRA~1\\COMMON~1\\OSTRAV~1\\LUMASETT\\INSTALL\\QELC13BA.EXE extra /uninstall", kModule,
       R::kUsage},
      {"C:\\Program Files\\x\\QELC13BA.EXE /uninstall /quiet\r\n", kModule, R::kUninstallQuiet},
      {"C:\\Program Files\\x\\QELC13BA.EXE /uninstall", nullptr, R::kUninstall},
      {"C:\\Program Files\\x\\QELC13BA.EXE /uninstall", "", R::kUninstall},
      // Everything else is a usage error.
      {kModule, kModule, R::kUsage},
      {"", kModule, R::kUsage},
      {"\"C:\\Program Files\\x\\QELC13BA.EXE /uninstall", kModule, R::kUsage},  // quote not closed
      {"C:\\Program Files\\x\\QELC13BA.EXE /install", kModule, R::kUsage},
      {"C:\\Program Files\\x\\QELC13BA.EXE /uninstallx", kModule, R::kUsage},
      {"C:\\Program Files\\x\\QELC13BA.EXE /uninstall /quietly", kModule, R::kUsage},
      {"C:\\Program Files\\x\\QELC13BA.EXE /uninstall/quiet", kModule, R::kUsage},
      {"C:\\Program Files\\x\\QELC13BA.EXE /uninstall /quiet /quiet", kModule, R::kUsage},
      {"C:\\Program Files\\x\\QELC13BA.EXE /quiet /uninstall", kModule, R::kUsage},
      {"QELC13BA.EXE uninstall", kModule, R::kUsage},
      {extraWord.c_str(), kModule, R::kUsage},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, ParseUninstallCommand(c.line, c.module)) << c.line;
  EXPECT_EQ(R::kUsage, ParseUninstallCommand(nullptr, kModule));
}

}  // namespace
