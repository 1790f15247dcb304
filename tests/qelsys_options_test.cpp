// The command line and exit status of qelsys.
#include <gtest/gtest.h>

#include <vector>

#include "exit_status.h"
#include "options.h"

namespace {

Options Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "qelsys.exe");
  return ParseOptions(static_cast<int>(args.size()), args.data());
}

TEST(QelsysOptions, AcceptsCommandsOptionsAndEveryFormOfHelp) {
  const struct {
    std::vector<const char*> args;
    const char* command;
    bool json, help;
  } cases[] = {
      {{"status", "--json"}, "status", true, false},
      {{"--help"}, "", false, true},
      {{"-h"}, "", false, true},
      {{"/?"}, "", false, true},
      {{"help"}, "", false, true},
      {{"help", "errors"}, "errors", false, true},
      {{"errors", "-h", "--json"}, "errors", true, true},
      {{"help", "--help"}, "help", false, true},
  };
  for (const auto& c : cases) {
    Options o = Parse(c.args);
    SCOPED_TRACE(c.args[0]);
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.command, c.command);
    EXPECT_EQ(o.json, c.json);
    EXPECT_EQ(o.help, c.help);
  }
  Options install = Parse({"--dll", "C:\\setup\\QelC14BA.dll", "install"});
  EXPECT_EQ(install.error, "");
  EXPECT_EQ(install.command, "install");
  EXPECT_EQ(install.dll, "C:\\setup\\QelC14BA.dll");

  const std::vector<std::vector<const char*>> wrong = {
      {}, {"frobnicate"}, {"-x", "status"}, {"status", "extra"}, {"help", "nothing"},
      {"install", "--json"},  // JSON only for status and errors
      {"branding", "--json"}, {"status", "--dll"}, {"--dll", "", "status"},
      {"--dll", "x.dll", "errors"}};
  for (const auto& args : wrong)
    EXPECT_NE(Parse(args).error, "") << (args.empty() ? "(nothing)" : args[0]);
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
