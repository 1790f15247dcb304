// The decoded tracked codes of a run as qelsys prints them; the Wine tests
// in tools/qelsys/tests read its JSON.
#include <gtest/gtest.h>

#include "errors_report.h"

namespace {

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

TEST_F(ErrorsReport, ASuccessReportsItsLastOutcome) {
  run.result = 1;
  run.lastError = 2003;
  std::string text = ErrorsText(run, table);
  EXPECT_NE(text.find("Result: succeeded (QelSysInstall returned 1)"), std::string::npos) << text;
  EXPECT_NE(text.find("Last outcome: 2003 INSTALLED"), std::string::npos) << text;
  EXPECT_NE(text.find("Tracked failures: none"), std::string::npos) << text;
}

}  // namespace
