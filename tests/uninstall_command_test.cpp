// The uninstaller program's command line, in the forms Windows hands it over.
#include <gtest/gtest.h>

#include "command_line.h"

namespace {

const char kModule[] =
    "C:\\Program Files\\Common Files\\Ostravik Shared\\Lumasett\\Install\\QELC13BA.EXE";

TEST(UninstallCommandTest, AcceptsOnlyUninstallAfterTheProgramPath) {
  using R = UninstallRequest;
  const std::string extraWord = std::string(kModule) + " extra /uninstall";
  const struct {
    const char* line;
    const char* module;
    R expected;
  } cases[] = {
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
