#pragma once

#include <string>
#include <vector>

#include "core/installable.h"
#include "core/tracked_error_list.h"

// A node whose answers the test chooses; it writes what is asked of it to a
// shared journal.
struct ScriptedItem : Installable {
  ScriptedItem(std::string n, std::vector<std::string>& j) : name(std::move(n)), journal(j) {}
  ~ScriptedItem() override { journal.push_back("~" + name); }

  bool Install(uint32_t) override {
    if (installRecords != 0) RecordFailure(0x78, static_cast<uint16_t>(installRecords));
    if (outcome != 0) RecordOutcome(0x79, static_cast<uint16_t>(outcome));
    return Note("install", installResult);
  }
  bool Uninstall(uint32_t) override { return Note("uninstall", uninstallResult); }
  bool Validate() override { return Note("validate", validateResult); }
  bool Prepare(uint32_t) override {
    if (prepareRecords != 0) RecordFailure(0x77, static_cast<uint16_t>(prepareRecords));
    return Note("prepare", prepareResult);
  }
  uint32_t KindFlags() override { return 0x10; }

  bool Note(const char* what, bool result) {
    journal.push_back(std::string(what) + " " + name);
    return result;
  }

  std::string name;
  std::vector<std::string>& journal;
  bool installResult = true, uninstallResult = true, validateResult = true, prepareResult = true;
  uint32_t prepareRecords = 0;
  uint32_t installRecords = 0;
  uint32_t outcome = 0;
};

