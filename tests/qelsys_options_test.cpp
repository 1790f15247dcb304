// The command line and help of qelsys.
#include <gtest/gtest.h>

#include <vector>

#include "exit_status.h"
#include "options.h"
#include "usage.h"

namespace {

Options Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "qelsys.exe");
  return ParseOptions(static_cast<int>(args.size()), args.data());
}

TEST(QelsysOptions, AcceptsCommandsWithTheirOptions) {
  Options status = Parse({"status", "--json"});
  EXPECT_EQ(status.error, "");
  EXPECT_EQ(status.command, "status");
  EXPECT_TRUE(status.json);
  EXPECT_FALSE(status.help);

  Options install = Parse({"--dll", "C:\\setup\\QelC14BA.dll", "install"});
  EXPECT_EQ(install.error, "");
  EXPECT_EQ(install.command, "install");
  EXPECT_EQ(install.dll, "C:\\setup\\QelC14BA.dll");
}

TEST(QelsysOptions, HelpComesInEveryForm) {
  const std::vector<std::vector<const char*>> forms = {
      {"--help"},           {"-h"},           {"/?"},
      {"help"},             {"help", "errors"}, {"errors", "--help"},
      {"errors", "-h", "--json"}, {"help", "--help"}};
  const char* topics[] = {"", "", "", "", "errors", "errors", "errors", "help"};
  for (size_t k = 0; k < forms.size(); ++k) {
    Options o = Parse(forms[k]);
    EXPECT_EQ(o.error, "") << k;
    EXPECT_TRUE(o.help) << k;
    EXPECT_EQ(o.command, topics[k]) << k;
  }
}

TEST(QelsysOptions, RejectsWhatItDoesNotKnow) {
  const std::vector<std::vector<const char*>> wrong = {
      {},                     // no command
      {"frobnicate"},         // unknown command
      {"-x", "status"},       // unknown option
      {"status", "extra"},    // a second argument
      {"help", "nothing"},    // help on no command
      {"install", "--json"},  // JSON only for status and errors
      {"branding", "--json"},
      {"status", "--dll"},  // --dll without its path
  };
  for (const auto& args : wrong) {
    Options o = Parse(args);
    EXPECT_NE(o.error, "") << (args.empty() ? "(nothing)" : args[0]);
  }
}

TEST(QelsysHelp, EachCommandHasItsOwnUsageLine) {
  for (const char* command : {"install", "uninstall", "status", "errors", "branding", "help"}) {
    std::string help = HelpText(command);
    EXPECT_EQ(help.rfind("Usage: qelsys ", 0), 0u) << command;
    EXPECT_NE(help.find(std::string(" ") + command), std::string::npos) << command;
    EXPECT_NE(help, HelpText("")) << command;
  }
}

TEST(QelsysHelp, GeneralHelpListsEveryCommandAndExitStatus) {
  std::string help = HelpText("");
  for (const char* command : {"install", "uninstall", "status", "errors", "branding", "help"})
    EXPECT_NE(help.find(std::string("\n  ") + command + " "), std::string::npos) << command;
  const struct {
    ExitStatus status;
    const char* words;
  } statuses[] = {{kExitOk, "done"},
                  {kExitFailed, "failed"},
                  {kExitUsage, "unknown command or option"},
                  {kExitRestart, "next restart"},
                  {kExitUnsupported, "does not support this Windows"},
                  {kExitNoLibrary, "could not be loaded"}};
  for (const auto& s : statuses) {
    std::string line = "\n  " + std::to_string(s.status) + "  ";
    size_t at = help.find(line);
    ASSERT_NE(at, std::string::npos) << s.status;
    EXPECT_NE(help.substr(at, help.find('\n', at + 1) - at).find(s.words), std::string::npos) << s.status;
  }
}

TEST(QelsysExitStatus, FollowsTheResultAndThePublicCode) {
  LastRun run;
  run.result = 1;
  run.lastError = 2003;
  EXPECT_EQ(RunExitStatus(run), kExitOk);
  run.result = 0;
  const struct {
    uint32_t code;
    ExitStatus status;
  } cases[] = {{1001, kExitRestart}, {1100, kExitUnsupported}, {1010, kExitFailed},
               {1002, kExitFailed},  {0xFFFF, kExitFailed},    {0, kExitFailed}};
  for (const auto& c : cases) {
    run.lastError = c.code;
    EXPECT_EQ(RunExitStatus(run), c.status) << c.code;
  }
}

}  // namespace
