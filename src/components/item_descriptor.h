#pragma once

#include <cstdint>

#include "platform/path_macro.h"
#include "platform/string.h"
#include "platform/version_number.h"

// What one component deploys: the file's name, where its payload comes from,
// where it is expected and where it is written, and the lowest version an
// installed copy must have. Shared by reference count between a component,
// its version readers and its driver; the last Release destroys it.
class ItemDescriptor {
 protected:
  // Only Release destroys a descriptor.
  virtual ~ItemDescriptor();

 public:
  ItemDescriptor(const char* fileName, const char* sourceText, const char* targetFolderText,
                 const char* installFolderText, uint32_t payloadResourceId);
  ItemDescriptor(const ItemDescriptor&) = delete;
  ItemDescriptor& operator=(const ItemDescriptor&) = delete;

  virtual const String& Name();
  virtual String TargetPath();
  virtual String InstallPath();
  virtual const String& TargetFolder();
  virtual const String& InstallFolder();
  virtual String SourcePath();
  virtual void SetTargetFolder(const char* text);
  // A null text stands for the current target folder.
  virtual void SetInstallFolder(const char* text);

  uint32_t AddRef();
  // The references left; 0 when the descriptor has been destroyed.
  uint32_t Release();
  void SetRequiredVersion(uint32_t majorPart, uint32_t minorPart, uint32_t buildPart);

  String name;
  PathMacro source;  // a file's path, or a folder ending in "\"; empty for a resource payload
  PathMacro targetFolder;
  PathMacro installFolder;
  uint32_t resourceId;  // of the "BINARY" payload; 0 for a file payload
  VersionNumber requiredVersion;
  uint32_t refCount = 0;
};

// Both return null when the descriptor cannot be allocated; a null install
// folder means the target folder.
ItemDescriptor* CreateResourceItem(const char* name, uint32_t resourceId, const char* targetFolder,
                                   const char* installFolder);
ItemDescriptor* CreateModuleItem(const char* name, const char* sourcePath,
                                 const char* targetFolder, const char* installFolder);
