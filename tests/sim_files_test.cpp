// The simulated file system keeps the Windows rules that the components'
// tests take for granted: error numbers, read-only files and share modes.
#include "platform/scoped_handle.h"
#include "platform/win_api.h"
#include "support/sim_test.h"

namespace {

using SimFilesTest = SimTest;

HANDLE OpenRead(const char* path, DWORD share = FILE_SHARE_READ) {
  return CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST_F(SimFilesTest, MissingPartsAndRefusedFilesGiveTheirErrors) {
  sim::PutFile("C:\\Data\\File.txt", "x");
  EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesA("c:\\DATA\\FILE.TXT"));
  const std::pair<const char*, DWORD> cases[] = {
      {"C:\\Data\\none.txt", ERROR_FILE_NOT_FOUND},
      {"C:\\Nowhere\\none.txt", ERROR_PATH_NOT_FOUND},
      {"C:\\Data\\File.txt\\x", ERROR_PATH_NOT_FOUND},
      {"relative.txt", ERROR_PATH_NOT_FOUND}};
  for (auto [path, error] : cases) {
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path)) << path;
    EXPECT_EQ(error, GetLastError()) << path;
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead(path)) << path;
    EXPECT_EQ(error, GetLastError()) << path;
  }

  // Read-only protects from replacement and deletion; hidden only from replacement.
  sim::PutFile("C:\\src.dll", "new");
  sim::PutFile("C:\\ro.dll", "old", FILE_ATTRIBUTE_READONLY);
  sim::PutFile("C:\\hidden.dll", "old", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  for (const char* target : {"C:\\ro.dll", "C:\\hidden.dll"}) {
    EXPECT_FALSE(CopyFileA("C:\\src.dll", target, FALSE)) << target;
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError()) << target;
    EXPECT_EQ(nullptr, CrtOpen(target, "wb")) << target;
  }
  EXPECT_FALSE(DeleteFileA("C:\\ro.dll"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_TRUE(DeleteFileA("C:\\hidden.dll"));

  // A denied file is still seen, but neither opened nor deleted.
  sim::DenyAccess("c:\\SRC.DLL");
  EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesA("C:\\src.dll"));
  EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead("C:\\src.dll"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_FALSE(DeleteFileA("C:\\src.dll"));
}

TEST_F(SimFilesTest, AFileHeldElsewhereConflictsByShareModeUntilLetGo) {
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

  sim::PutFile("C:\\brief.dll", "x");
  sim::HoldFileElsewhere("C:\\brief.dll", 0, GENERIC_READ, 300);
  Sleep(299);
  EXPECT_FALSE(DeleteFileA("C:\\brief.dll"));
  Sleep(1);  // the other process lets go on time
  EXPECT_TRUE(DeleteFileA("C:\\brief.dll"));
  sim::SimulateRestart();  // the other processes are gone
  EXPECT_TRUE(DeleteFileA("C:\\src.dll"));
  EXPECT_TRUE(DeleteFileA("C:\\held.dll"));
}

TEST_F(SimFilesTest, AFailingCloseStillLetsTheFileGo) {
  // As the C runtime does: the stream is freed whatever fclose reports.
  CrtFile* failing = CrtOpen("C:\\t.ini", "wt");
  ASSERT_NE(nullptr, failing);
  sim::FailCall("fclose", ERROR_INVALID_FUNCTION);
  EXPECT_EQ(EOF, CrtClose(failing));
  EXPECT_TRUE(DeleteFileA("C:\\t.ini"));
  EXPECT_EQ(0u, sim::OpenHandleCount());
}

}  // namespace
