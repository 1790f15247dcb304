// The parts of qelsys that need no Windows (the Wine tests read its JSON).
#include <gtest/gtest.h>

#include <cstring>

#include "errors_report.h"
#include "exit_status.h"
#include "image_kind.h"
#include "image_version.h"
#include "options.h"
#include "pending_operations.h"

namespace {

Options Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "qelsys.exe");
  return ParseOptions(static_cast<int>(args.size()), args.data());
}

TEST(QelsysOptions, AcceptsCommandsOptionsAndEveryFormOfHelp) {
  const struct { std::vector<const char*> args; const char* command; bool json, help; } cases[] = {
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
      {"--dll", "x.dll", "errors"}, {"--dll", "a.dll", "--dll", "b.dll", "status"},
      {"trace", "install", "--fail", "1=5", "--fail", "2=5"},
      {"trace", "install", "--output", "a", "--output", "b"}};
  for (const auto& args : wrong)
    EXPECT_NE(Parse(args).error, "") << (args.empty() ? "(nothing)" : args[0]);

  // Only a clean decimal or hex error code from 1 to 0xFFFFFFFF.
  for (const char* plan : {"1=0", "1=-1", "1=4294967296", "1=032", "1=0x", "1=0x123456789", "1=5x",
                           "0=5", "1:=5", "1"})
    EXPECT_NE(Parse({"trace", "install", "--fail", plan}).error, "") << plan;
  // What each accepted plan reads as: "nth function error".
  for (auto [plan, read] : {std::pair{"3=32", "3  32"}, {"1:CreateServiceA=0x5", "1 CreateServiceA 5"},
                            {"2=4294967295", "2  4294967295"}, {"1=0XFFFFFFFF", "1  4294967295"}}) {
    Options o = Parse({"trace", "install", "--fail", plan});
    EXPECT_EQ(o.error + std::to_string(o.fault.nth) + " " + o.fault.function + " " +
                  std::to_string(o.fault.error), read) << plan;
  }
}

TEST(QelsysExitStatus, FollowsTheResultAndThePublicCode) {
  LastRun run;
  run.result = 1;
  run.lastError = 2003;
  EXPECT_EQ(RunExitStatus(run), kExitOk);
  run.tracked = {0x020F03E9};  // a held copy replaced at the restart
  EXPECT_EQ(RunExitStatus(run), kExitRestart);
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

// Each piece is in the text, after the one before it.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& pieces) {
  size_t at = 0;
  for (const std::string& piece : pieces) {
    size_t found = text.find(piece, at);
    ASSERT_NE(found, std::string::npos) << piece << " in\n" << text;
    at = found + piece.size();
  }
}

TEST_F(ErrorsReport, SaysSoWhenNothingWasRecordedOrTheRecordIsDamaged) {
  ExpectInOrder(ErrorsText(std::nullopt, table), {"No install or uninstall"});
  // Every key is there, null when nothing is known.
  EXPECT_EQ(ErrorsJson(std::nullopt, table, nullptr),
            "{\n  \"schemaVersion\": 1,\n  \"recorded\": false,\n  \"damaged\": false,\n"
            "  \"command\": null,\n  \"time\": null,\n  \"library\": {\n    \"path\": null\n  },\n"
            "  \"succeeded\": null,\n  \"result\": null,\n  \"lastError\": null,\n  \"errors\": []\n}\n");

  run.damaged = true;
  ExpectInOrder(ErrorsText(run, table), {"is damaged"});
  ExpectInOrder(ErrorsJson(run, table, nullptr), {"\"damaged\": true", "\"command\": null"});
}

TEST_F(ErrorsReport, DecodesEachTrackedCodeNewestFirst) {
  run.result = 0;
  run.lastError = 1010;
  run.tracked = {0x010F03EA, 0x028F03F2, 0x7FFF03EA};
  // The rewritten code is explained with the row first recorded.
  ExpectInOrder(ErrorsText(run, table),
                {"Result: failed (QelSysInstall returned 0)", "Public code: 1010 RESTART_PENDING",
                 "1. 0x010F03EA  site 0x10F, code 1002 IN_USE",
                 "operation: FileComponent.CanProceed (checking a file)", "advice:    close it.",
                 "2. 0x028F03F2  site 0x28F, code 1010 RESTART_PENDING",
                 "operation: NtServiceDriver.CheckUpdate", "note:      recorded as 1001",
                 "3. 0x7FFF03EA  site 0x7FFF, code 1002 IN_USE", "not in the decoding table"});

  // A success that recorded failures says so; a last error past 16 bits has no name.
  run.result = 1;
  run.lastError = 0x000103EA;
  run.tracked = {0x010F03EA};
  ExpectInOrder(ErrorsText(run, table), {"Result: succeeded, with 1 failure recorded",
                                         "Last outcome: 0x000103EA (not a public code)\n"});
  run.lastError = 2003;
  run.tracked = {};
  ExpectInOrder(ErrorsText(run, table), {"Result: succeeded (QelSysInstall returned 1)",
                                         "Last outcome: 2003 INSTALLED", "Tracked failures: none"});
}

TEST_F(ErrorsReport, EveryJsonTextGoesThroughTheConverter) {
  run.command = "uninstall";
  ExpectInOrder(ErrorsJson(run, table, [](const std::string& s) { return s + "!"; }),
                {"\"command\": \"uninstall!\"", "\"path\": \"C:\\\\setup\\\\QelC14BA.dll!\""});
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs SourcesAndTargets(const std::vector<PendingOperation>& ops) {
  Pairs pairs;
  for (const PendingOperation& op : ops) pairs.emplace_back(op.source, op.target);
  return pairs;
}

Pairs RenamePairs(const char* data, size_t size) {
  return SourcesAndTargets(ParseRenamePairs(std::vector<uint8_t>(data, data + size)));
}

TEST(PendingOperations, ReadsPairsOfTheRegistryValue) {
  const char data[] = "\\??\\C:\\A.tmp\0!\\??\\C:\\A.DLL\0\\??\\C:\\B.EXE\0\0";
  EXPECT_EQ((Pairs{{"\\??\\C:\\A.tmp", "!\\??\\C:\\A.DLL"}, {"\\??\\C:\\B.EXE", ""}}),
            RenamePairs(data, sizeof data));
  // Cut short: a source without its target is still shown, with or without its NUL.
  EXPECT_EQ((Pairs{{"C:\\A", ""}}), RenamePairs("C:\\A\0", 5));
  EXPECT_EQ(Pairs{}, RenamePairs("", 0));
  const char cut[] = "\\??\\C:\\A\0!\\??\\C:\\B\0C:\\C";
  EXPECT_EQ((Pairs{{"\\??\\C:\\A", "!\\??\\C:\\B"}, {"C:\\C", ""}}),
            RenamePairs(cut, sizeof cut - 1));
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
  EXPECT_EQ((Pairs{{"C:\\WINDOWS\\SYSTEM\\C14A.TMP", "C:\\WINDOWS\\SYSTEM\\QELC11BA.VXD"},
                   {"C:\\WINDOWS\\SYSTEM\\OLD.DLL", ""},
                   {"C:\\LATER.DLL", ""}}),
            SourcesAndTargets(ParseWininitRenames(ini)));
}

TEST(PendingOperations, KeepsThoseThatNameAComponentFileIgnoringCase) {
  std::vector<PendingOperation> ops = {
      {"\\??\\C:\\Install\\C14A.tmp", "!\\??\\C:\\Install\\QELC14BA.DLL"},
      {"\\??\\c:\\install\\qelc13ba.exe", ""},
      {"\\??\\C:\\Install\\OTHER.DLL", ""},
  };
  EXPECT_EQ(SourcesAndTargets({ops[0], ops[1]}),
            SourcesAndTargets(ConcerningPaths(
                ops, {"C:\\Install\\QELC14BA.DLL", "C:\\Install\\QELC13BA.EXE", ""})));
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

// What a real loader under Wine rarely leaves to see.
TEST(ImageKind, NamesWhyAFileDidNotLoad) {
  std::vector<uint8_t> image(0x80, 0);  // MZ, the PE header at 0x40
  image[0] = 'M', image[1] = 'Z', image[0x3C] = 0x40, image[0x40] = 'P', image[0x41] = 'E';
  image[0x44] = OwnMachine() & 0xFF, image[0x45] = OwnMachine() >> 8;
  EXPECT_EQ(LoadProblem(image, 193), "is a program, not a DLL");  // no IMAGE_FILE_DLL
  EXPECT_EQ(ImageMachine(image), OwnMachine());
  EXPECT_EQ(MachineName(0x01C4), "machine 0x01C4");
  image[0x3C] = 0x70;  // the header would run past the bytes read
  EXPECT_EQ(LoadProblem(image, 193), "is not a DLL");
}

}  // namespace
