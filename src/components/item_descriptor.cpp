#include "components/item_descriptor.h"

#include <new>

ItemDescriptor::ItemDescriptor(const char* fileName, const char* sourceText,
                               const char* targetFolderText, const char* installFolderText,
                               uint32_t payloadResourceId)
    : name(fileName),
      source(sourceText),
      targetFolder(targetFolderText),
      installFolder(installFolderText != nullptr ? installFolderText : targetFolderText),
      resourceId(payloadResourceId) {}

ItemDescriptor::~ItemDescriptor() = default;

const String& ItemDescriptor::Name() { return name; }

String ItemDescriptor::TargetPath() { return targetFolder.Expand() + name; }

String ItemDescriptor::InstallPath() {
  if (installFolder.Expand().IsEmpty()) return TargetPath();
  return installFolder.Expand() + name;
}

const String& ItemDescriptor::TargetFolder() { return targetFolder.Expand(); }

const String& ItemDescriptor::InstallFolder() { return installFolder.Expand(); }

String ItemDescriptor::SourcePath() {
  const String& expanded = source.Expand();
  if (EndsWithBackslash(expanded)) return expanded + name;
  return expanded;
}

void ItemDescriptor::SetTargetFolder(const char* text) { targetFolder.Assign(text); }

void ItemDescriptor::SetInstallFolder(const char* text) {
  if (text != nullptr) {
    installFolder.Assign(text);
    return;
  }
  String current = TargetFolder();
  installFolder.Assign(current.CStr());
}

uint32_t ItemDescriptor::AddRef() { return ++refCount; }

uint32_t ItemDescriptor::Release() {
  if (refCount != 0 && --refCount != 0) return refCount;
  delete this;
  return 0;
}

void ItemDescriptor::SetRequiredVersion(uint32_t majorPart, uint32_t minorPart,
                                        uint32_t buildPart) {
  requiredVersion.Set(majorPart, minorPart, buildPart);
}

ItemDescriptor* CreateResourceItem(const char* name, uint32_t resourceId, const char* targetFolder,
                                   const char* installFolder) {
  return new (std::nothrow) ItemDescriptor(name, nullptr, targetFolder, installFolder, resourceId);
}

ItemDescriptor* CreateModuleItem(const char* name, const char* sourcePath,
                                 const char* targetFolder, const char* installFolder) {
  return new (std::nothrow) ItemDescriptor(name, sourcePath, targetFolder, installFolder, 0);
}
