#pragma once

#include "components/file_component.h"

// The shared uninstaller program with its Add/Remove Programs entry: the
// entry is written whenever the program is deployed and removed with it, and
// the program's file children are placed in the folder an earlier
// installation recorded.
class UninstallerComponent : public FileComponent {
 public:
  explicit UninstallerComponent(ItemDescriptor* program);
  ~UninstallerComponent() override;

  void AddChild(Installable* item, uint32_t flags) override;
  void AddChild(Installable* item) override;
  uint32_t KindFlags() override { return 0x19; }
  bool NeedsUpdate() override;
  bool Deploy(bool allowDeferral) override;
  bool Remove(uint32_t mode) override;

  // The command Add/Remove Programs runs: the program's path, a space and "/uninstall".
  String UninstallCommand();

  ItemDescriptor* programDescriptor;
  String installLocation;
};

extern const char* const kUninstallKeyPath;
