// The parts of qelsys that need no Windows: its command line and exit status,
// the decoded tracked codes of a run as it prints them (the Wine tests in
// tools/qelsys/tests read its JSON), and how it reads pending restart-time
// operations and carried versions.
#include <gtest/gtest.h>

#include <cstring>

#include "errors_report.h"
#include "exit_status.h"
#include "image_version.h"
#include "options.h"
#include "pending_operations.h"

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

class ErrorsReport : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(table.Parse(
        "site\tcode\tlist\toperation\taction\tcondition\tadvice\n"
        "0x10F\t1002\tfailure\tFileComponent.CanProceed\tchecking a file\tthe file is held\tclose it.\n"
        "0x28F\t1001\tfailure\tNtServiceDriver.CheckUpdate\tchecking a service\ta dependency goes\trestart.\n",
        &error))
        << error;
    run.command = "install";
    run.time = "2024-05-01 12:00:00";
    run.library = "C:\\setup\\QelC14BA.dll";
  }

  TrackedCodeTable table;
  LastRun run;
};

TEST_F(ErrorsReport, SaysSoWhenNothingWasRecorded) {
  EXPECT_NE(ErrorsText(std::nullopt, table).find("No install or uninstall"), std::string::npos);
  // Every key is there, null when nothing is known.
  EXPECT_EQ(ErrorsJson(std::nullopt, table, nullptr),
            "{\n  \"schemaVersion\": 1,\n  \"recorded\": false,\n  \"damaged\": false,\n"
            "  \"command\": null,\n  \"time\": null,\n  \"library\": {\n    \"path\": null\n  },\n"
            "  \"succeeded\": null,\n  \"result\": null,\n  \"lastError\": null,\n  \"errors\": []\n}\n");
}

TEST_F(ErrorsReport, DecodesEachTrackedCodeNewestFirst) {
  run.result = 0;
  run.lastError = 1010;
  run.tracked = {0x010F03EA, 0x028F03F2, 0x7FFF03EA};
  std::string text = ErrorsText(run, table);
  EXPECT_NE(text.find("Result: failed (QelSysInstall returned 0)"), std::string::npos) << text;
  EXPECT_NE(text.find("Public code: 1010 RESTART_PENDING"), std::string::npos) << text;
  size_t first = text.find("1. 0x010F03EA  site 0x10F, code 1002 IN_USE");
  size_t second = text.find("2. 0x028F03F2  site 0x28F, code 1010 RESTART_PENDING");
  size_t third = text.find("3. 0x7FFF03EA  site 0x7FFF, code 1002 IN_USE");
  ASSERT_TRUE(first != std::string::npos && second != std::string::npos && third != std::string::npos) << text;
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  EXPECT_NE(text.find("operation: FileComponent.CanProceed (checking a file)"), std::string::npos);
  EXPECT_NE(text.find("advice:    close it."), std::string::npos);
  // The rewritten code is explained with the row first recorded.
  EXPECT_NE(text.find("operation: NtServiceDriver.CheckUpdate", second), std::string::npos);
  EXPECT_NE(text.find("note:      recorded as 1001", second), std::string::npos);
  EXPECT_NE(text.find("not in the decoding table", third), std::string::npos);

  // A success that recorded failures says so; a last error past 16 bits has no name.
  run.result = 1;
  run.lastError = 0x000103EA;
  run.tracked = {0x010F03EA};
  text = ErrorsText(run, table);
  EXPECT_NE(text.find("Result: succeeded, with 1 failure recorded"), std::string::npos) << text;
  EXPECT_NE(text.find("Last outcome: 0x000103EA (not a public code)\n"), std::string::npos) << text;
  run.lastError = 2003;
  run.tracked = {};
  text = ErrorsText(run, table);
  EXPECT_NE(text.find("Result: succeeded (QelSysInstall returned 1)"), std::string::npos) << text;
  EXPECT_NE(text.find("Last outcome: 2003 INSTALLED"), std::string::npos) << text;
  EXPECT_NE(text.find("Tracked failures: none"), std::string::npos) << text;
}

TEST_F(ErrorsReport, ADamagedRecordIsSaidToBeDamaged) {
  run.damaged = true;
  EXPECT_NE(ErrorsText(run, table).find("is damaged"), std::string::npos);
  std::string json = ErrorsJson(run, table, nullptr);
  EXPECT_NE(json.find("\"damaged\": true"), std::string::npos) << json;
  EXPECT_NE(json.find("\"command\": null"), std::string::npos) << json;
}

TEST_F(ErrorsReport, JsonTextGoesThroughTheConverterTheCommandToo) {
  run.command = "uninstall";
  std::string json = ErrorsJson(run, table, [](const std::string& s) { return s + "!"; });
  EXPECT_NE(json.find("\"command\": \"uninstall!\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"path\": \"C:\\\\setup\\\\QelC14BA.dll!\""), std::string::npos) << json;
}

std::vector<uint8_t> Bytes(const char* data, size_t size) {
  return std::vector<uint8_t>(data, data + size);
}

TEST(PendingOperations, ReadsPairsOfTheRegistryValue) {
  const char data[] = "\\??\\C:\\A.tmp\0!\\??\\C:\\A.DLL\0\\??\\C:\\B.EXE\0\0";
  std::vector<PendingOperation> ops = ParseRenamePairs(Bytes(data, sizeof data));
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[0].source, "\\??\\C:\\A.tmp");
  EXPECT_EQ(ops[0].target, "!\\??\\C:\\A.DLL");
  EXPECT_EQ(ops[1].source, "\\??\\C:\\B.EXE");
  EXPECT_EQ(ops[1].target, "");
  // Cut short: a source without its target is no pair.
  EXPECT_TRUE(ParseRenamePairs(Bytes("C:\\A\0", 5)).empty());
  EXPECT_TRUE(ParseRenamePairs({}).empty());
  // Without its final NUL the last target is still read.
  const char cut[] = "\\??\\C:\\A\0!\\??\\C:\\B";
  ops = ParseRenamePairs(Bytes(cut, sizeof cut - 1));
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].target, "!\\??\\C:\\B");
}

TEST(PendingOperations, ReadsOnlyTheRenameSectionOfWininit) {
  std::string ini =
      "NUL=C:\\OUTSIDE.DLL\r\n"
      "[Other]\r\nNUL=C:\\OTHER.DLL\r\n"
      "[Rename]\r\n"
      "C:\\WINDOWS\\SYSTEM\\QELC11BA.VXD=C:\\WINDOWS\\SYSTEM\\C14A.TMP\r\n"
      "  nul= C:\\WINDOWS\\SYSTEM\\OLD.DLL\r\n"
      "novalue=\r\n"
      "[rename]\nNUL=C:\\LATER.DLL\n";
  std::vector<PendingOperation> ops = ParseWininitRenames(ini);
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(ops[0].source, "C:\\WINDOWS\\SYSTEM\\C14A.TMP");
  EXPECT_EQ(ops[0].target, "C:\\WINDOWS\\SYSTEM\\QELC11BA.VXD");
  EXPECT_EQ(ops[1].source, "C:\\WINDOWS\\SYSTEM\\OLD.DLL");
  EXPECT_EQ(ops[1].target, "");
  EXPECT_EQ(ops[2].source, "C:\\LATER.DLL");
}

TEST(PendingOperations, KeepsThoseThatNameAComponentFileIgnoringCase) {
  std::vector<PendingOperation> ops = {
      {"\\??\\C:\\Install\\C14A.tmp", "!\\??\\C:\\Install\\QELC14BA.DLL"},
      {"\\??\\c:\\install\\qelc13ba.exe", ""},
      {"\\??\\C:\\Install\\OTHER.DLL", ""},
  };
  std::vector<PendingOperation> found =
      ConcerningPaths(ops, {"C:\\Install\\QELC14BA.DLL", "C:\\Install\\QELC13BA.EXE", ""});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].source, ops[0].source);
  EXPECT_EQ(found[1].source, ops[1].source);
}

TEST(ImageVersion, ReadsTheFirstFixedFileInformationWhereverItLies) {
  uint8_t image[64] = {};
  const uint8_t fixed[] = {0xBD, 0x04, 0xEF, 0xFE, 0x00, 0x00, 0x01, 0x00,  // signature, layout
                           0x14, 0x00, 0x04, 0x00, 0x01, 0x00, 0x07, 0x00};  // 4.20, build 7, rev 1
  std::memcpy(image + 21, fixed, sizeof fixed);
  EXPECT_EQ(ImageVersion(image, sizeof image), "4.20.7");
  EXPECT_EQ(ImageVersion(image, 21 + 15), std::nullopt);  // cut inside the structure
  image[27] = 0x02;  // a signature without the structure's layout version is no match
  EXPECT_EQ(ImageVersion(image, sizeof image), std::nullopt);
  EXPECT_EQ(ImageVersion(nullptr, 100), std::nullopt);
}

}  // namespace
