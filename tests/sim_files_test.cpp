// The simulated file system behaves as Windows does where the system relies
// on it: errors, attributes, share modes, restart-time operations.
#include <cstring>
#include <string>
#include <vector>

#include "platform/scoped_handle.h"
#include "platform/win_api.h"
#include "support/sim_test.h"
#include "support/version_files.h"

namespace {

using SimFilesTest = SimTest;

HANDLE OpenRead(const char* path, DWORD share = FILE_SHARE_READ) {
  return CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST_F(SimFilesTest, PathsIgnoreCaseAndMissingPartsGiveTheirErrors) {
  sim::PutFile("C:\\Data\\Sub\\File.txt", "x");
  EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesA("c:\\DATA\\sub\\FILE.TXT"));
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA("C:\\data\\SUB\\"));
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA("\\??\\C:\\Data"));
  struct Case {
    const char* path;
    DWORD error;
  };
  for (Case c : {Case{"C:\\Data\\none.txt", ERROR_FILE_NOT_FOUND},
                 Case{"C:\\Nowhere\\none.txt", ERROR_PATH_NOT_FOUND},
                 Case{"C:\\Data\\Sub\\File.txt\\x", ERROR_PATH_NOT_FOUND},
                 Case{"Q:\\x.txt", ERROR_PATH_NOT_FOUND}, Case{"", ERROR_PATH_NOT_FOUND},
                 Case{"relative.txt", ERROR_PATH_NOT_FOUND}}) {
    SetLastError(0);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(c.path)) << c.path;
    EXPECT_EQ(c.error, GetLastError()) << c.path;
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead(c.path)) << c.path;
    EXPECT_EQ(c.error, GetLastError()) << c.path;
  }
}

TEST_F(SimFilesTest, ReadOnlyAndHiddenFilesRefuseToBeReplaced) {
  sim::PutFile("C:\\src.dll", "new");
  sim::PutFile("C:\\ro.dll", "old", FILE_ATTRIBUTE_READONLY);
  sim::PutFile("C:\\hidden.dll", "old", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  for (const char* target : {"C:\\ro.dll", "C:\\hidden.dll"}) {
    EXPECT_FALSE(CopyFileA("C:\\src.dll", target, FALSE)) << target;
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError()) << target;
    EXPECT_EQ(nullptr, CrtOpen(target, "wb")) << target;
    EXPECT_EQ("old", sim::FileText(target));
  }
  EXPECT_FALSE(DeleteFileA("C:\\ro.dll"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_TRUE(DeleteFileA("C:\\hidden.dll"));  // only read-only protects from deletion
  EXPECT_EQ(INVALID_HANDLE_VALUE,
            CreateFileA("C:\\ro.dll", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));

  EXPECT_TRUE(SetFileAttributesA("C:\\ro.dll", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), GetFileAttributesA("C:\\ro.dll"));
  EXPECT_TRUE(CopyFileA("C:\\src.dll", "C:\\ro.dll", FALSE));
  EXPECT_EQ("new", sim::FileText("C:\\ro.dll"));
  EXPECT_FALSE(CopyFileA("C:\\src.dll", "C:\\ro.dll", TRUE));
  EXPECT_EQ(ERROR_FILE_EXISTS, GetLastError());
  EXPECT_FALSE(SetFileAttributesA("C:\\none.dll", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
}

TEST_F(SimFilesTest, AFileHeldElsewhereConflictsByShareMode) {
  sim::PutFile("C:\\held.dll", "data");
  sim::PutFile("C:\\src.dll", "new");
  sim::HoldFileElsewhere("C:\\HELD.DLL", FILE_SHARE_READ);
  {
    ScopedHandle reader(OpenRead("C:\\held.dll", FILE_SHARE_READ));
    EXPECT_TRUE(reader.IsValid());  // readers share with readers
    ScopedHandle exclusive(OpenRead("C:\\held.dll", 0));
    EXPECT_FALSE(exclusive.IsValid());
    EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
  }
  EXPECT_FALSE(CopyFileA("C:\\src.dll", "C:\\held.dll", FALSE));
  EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
  EXPECT_FALSE(DeleteFileA("C:\\held.dll"));
  EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
  EXPECT_TRUE(CopyFileA("C:\\held.dll", "C:\\copy.dll", FALSE));  // read with share-read

  sim::HoldFileElsewhere("C:\\src.dll", 0);
  EXPECT_FALSE(CopyFileA("C:\\src.dll", "C:\\other.dll", FALSE));
  EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
  EXPECT_FALSE(CopyFileA("C:\\copy.dll", "C:\\copy.dll", FALSE));  // a file cannot overwrite itself

  sim::ReleaseFileElsewhere("C:\\held.dll");
  EXPECT_TRUE(DeleteFileA("C:\\held.dll"));
  sim::PutFile("C:\\brief.dll", "x");
  sim::HoldFileElsewhere("C:\\brief.dll", 0, GENERIC_READ, 300);
  EXPECT_FALSE(DeleteFileA("C:\\brief.dll"));
  Sleep(299);
  EXPECT_FALSE(DeleteFileA("C:\\brief.dll"));
  Sleep(1);  // the other process lets go on time
  EXPECT_TRUE(DeleteFileA("C:\\brief.dll"));
  sim::SimulateRestart();  // the other process is gone
  EXPECT_TRUE(DeleteFileA("C:\\src.dll"));
}

TEST_F(SimFilesTest, DeniedPathsAndFailingOpens) {
  sim::PutFile("C:\\f.dll", "x");
  sim::DenyAccess("c:\\F.DLL");
  EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesA("C:\\f.dll"));  // still visible
  EXPECT_FALSE(SetFileAttributesA("C:\\f.dll", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_FALSE(DeleteFileA("C:\\f.dll"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead("C:\\f.dll"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  sim::DenyAccess("C:\\f.dll", false);

  sim::FailOpens("C:\\f.dll", ERROR_SHARING_VIOLATION, 2);
  EXPECT_TRUE(SetFileAttributesA("C:\\f.dll", FILE_ATTRIBUTE_NORMAL));  // counts no attempt
  EXPECT_FALSE(DeleteFileA("C:\\f.dll"));
  EXPECT_EQ(nullptr, CrtOpen("C:\\f.dll", "rb"));
  EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
  EXPECT_TRUE(DeleteFileA("C:\\f.dll"));

  sim::FailOpens("C:\\later.dll", ERROR_ACCESS_DENIED, 1);
  EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead("C:\\later.dll"));  // not there: no attempt counted
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  sim::PutFile("C:\\later.dll", "x");
  EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead("C:\\later.dll"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  ScopedHandle opened(OpenRead("C:\\later.dll"));
  EXPECT_TRUE(opened.IsValid());
}

TEST_F(SimFilesTest, TextStreamsWriteCrLfAndReadLinesLikeFgets) {
  CrtFile* out = CrtOpen("C:\\t.ini", "wt");
  ASSERT_NE(nullptr, out);
  EXPECT_EQ(6, CrtPrint(out, "[%s]\n", "abc"));
  EXPECT_EQ(1u, CrtWrite("k=v", 3, 1, out));
  EXPECT_EQ(0, CrtClose(out));
  EXPECT_EQ("[abc]\r\nk=v", sim::FileText("C:\\t.ini"));

  sim::PutFile("C:\\t.ini", "one\r\nlonger line\r\nlast");
  CrtFile* in = CrtOpen("C:\\t.ini", "rt");
  ASSERT_NE(nullptr, in);
  char line[8];
  std::vector<std::string> lines;
  while (CrtReadLine(line, sizeof line, in) != nullptr) lines.push_back(line);
  EXPECT_TRUE(CrtAtEnd(in));
  CrtClose(in);
  EXPECT_EQ((std::vector<std::string>{"one\n", "longer ", "line\n", "last"}), lines);

  CrtFile* binary = CrtOpen("C:\\t.ini", "rb");
  ASSERT_NE(nullptr, binary);
  EXPECT_STREQ("one\r\n", CrtReadLine(line, sizeof line, binary));
  EXPECT_FALSE(CrtAtEnd(binary));
  CrtClose(binary);
  EXPECT_EQ(nullptr, CrtOpen("C:\\none.ini", "rt"));
  EXPECT_EQ(nullptr, CrtOpen("C:\\t.ini", "r+"));

  // A close that reports an error still lets the file go, as the C runtime does.
  CrtFile* failing = CrtOpen("C:\\t.ini", "wt");
  ASSERT_NE(nullptr, failing);
  sim::FailCall("fclose", ERROR_INVALID_FUNCTION);
  EXPECT_EQ(EOF, CrtClose(failing));
  EXPECT_TRUE(DeleteFileA("C:\\t.ini"));
  EXPECT_EQ(0u, sim::OpenHandleCount());
}

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";

std::string PendingValue() {
  auto value = sim::GetRegistryValue(kSessionManager, "PendingFileRenameOperations");
  if (!value) return "<none>";
  return std::string(value->data.begin(), value->data.end());
}

TEST_F(SimFilesTest, DelayedMovesAreRecordedInTheWindowsFormAndRunAtRestart) {
  sim::PutFile("C:\\W\\new.tmp", "new");
  sim::PutFile("C:\\W\\old.dll", "old");
  sim::PutFile("C:\\W\\gone.dll", "gone");
  sim::HoldFileElsewhere("C:\\W\\old.dll", 0);
  EXPECT_TRUE(MoveFileExA("C:\\W\\new.tmp", "C:\\W\\old.dll",
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_TRUE(MoveFileExA("C:\\W\\gone.dll", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  const char expected[] = "\\??\\C:\\W\\new.tmp\0!\\??\\C:\\W\\old.dll\0\\??\\C:\\W\\gone.dll\0\0";
  EXPECT_EQ(std::string(expected, sizeof expected), PendingValue());
  EXPECT_EQ(REG_MULTI_SZ,
            sim::GetRegistryValue(kSessionManager, "PendingFileRenameOperations")->type);
  EXPECT_EQ("old", sim::FileText("C:\\W\\old.dll"));  // nothing happens before the restart

  sim::SimulateRestart();
  EXPECT_EQ("new", sim::FileText("C:\\W\\old.dll"));
  EXPECT_FALSE(sim::FileExists("C:\\W\\new.tmp"));
  EXPECT_FALSE(sim::FileExists("C:\\W\\gone.dll"));
  EXPECT_EQ("<none>", PendingValue());

  sim::SetPlatform(sim::Platform::Win98);
  EXPECT_FALSE(MoveFileExA("C:\\W\\old.dll", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_EQ(ERROR_CALL_NOT_IMPLEMENTED, GetLastError());
}

TEST_F(SimFilesTest, Windows9xRunsTheRenameSectionOfWininitAtRestart) {
  sim::SetPlatform(sim::Platform::Win98);
  sim::PutFile("C:\\WINDOWS\\SYSTEM\\C141.TMP", "new");
  sim::PutFile("C:\\WINDOWS\\SYSTEM\\F.VXD", "old");
  sim::PutFile("C:\\WINDOWS\\SYSTEM\\G.DLL", "g");
  sim::PutFile("C:\\WINDOWS\\SYSTEM\\KEEP.DLL", "keep");
  sim::PutFile("C:\\WINDOWS\\WININIT.INI",
               "[Other]\r\nNUL=C:\\WINDOWS\\SYSTEM\\KEEP.DLL\r\n"
               "[Rename]\r\nC:\\WINDOWS\\SYSTEM\\F.VXD=C:\\WINDOWS\\SYSTEM\\C141.TMP\r\n"
               "nul=C:\\WINDOWS\\SYSTEM\\G.DLL\r\n");
  sim::SimulateRestart();
  EXPECT_EQ("new", sim::FileText("C:\\WINDOWS\\SYSTEM\\F.VXD"));
  EXPECT_FALSE(sim::FileExists("C:\\WINDOWS\\SYSTEM\\C141.TMP"));
  EXPECT_FALSE(sim::FileExists("C:\\WINDOWS\\SYSTEM\\G.DLL"));
  EXPECT_TRUE(sim::FileExists("C:\\WINDOWS\\SYSTEM\\KEEP.DLL"));
  EXPECT_FALSE(sim::FileExists("C:\\WINDOWS\\WININIT.INI"));
  EXPECT_TRUE(sim::FileExists("C:\\WINDOWS\\WININIT.BAK"));
}

TEST_F(SimFilesTest, VersionFunctionsReadTheFixedInformationOfAProgram) {
  sim::PutFile("C:\\v.dll", testfiles::ProgramWithVersion({5, 0, 2195, 1}));
  DWORD handle = 7;
  DWORD size = GetFileVersionInfoSizeA("C:\\v.dll", &handle);
  EXPECT_EQ(0u, handle);
  ASSERT_GT(size, 92u);
  std::vector<uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoA("C:\\v.dll", 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length));
  EXPECT_EQ(sizeof(VS_FIXEDFILEINFO), length);
  EXPECT_EQ(0x00050000u, fixed->dwFileVersionMS);
  EXPECT_EQ((2195u << 16) | 1, fixed->dwFileVersionLS);
  EXPECT_FALSE(GetFileVersionInfoA("C:\\v.dll", 0, size - 1, block.data()));

  // Text without a version resource, a version resource without fixed
  // information, a file held exclusively, a missing file.
  sim::PutFile("C:\\text.dll", testfiles::ProgramWithVersionText("1.2.3"));
  EXPECT_EQ(0u, GetFileVersionInfoSizeA("C:\\text.dll", &handle));
  EXPECT_EQ(ERROR_RESOURCE_TYPE_NOT_FOUND, GetLastError());
  sim::PutFile("C:\\nofixed.dll",
               testfiles::ProgramImage(testfiles::VersionResource(nullptr, "1.2.3")));
  size = GetFileVersionInfoSizeA("C:\\nofixed.dll", &handle);
  ASSERT_NE(0u, size);
  block.assign(size, 0);
  ASSERT_TRUE(GetFileVersionInfoA("C:\\nofixed.dll", 0, size, block.data()));
  EXPECT_FALSE(VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length));
  sim::HoldFileElsewhere("C:\\v.dll", 0);
  EXPECT_EQ(0u, GetFileVersionInfoSizeA("C:\\v.dll", &handle));
  EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
  EXPECT_EQ(0u, GetFileVersionInfoSizeA("C:\\none.dll", &handle));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
}

}  // namespace
