#include "machine_status.h"

#include "file_version.h"
#include "library_image.h"
#include "owned_handles.h"
#include "registry_reader.h"

namespace {

LibraryState ReadLibrary(const LibraryImage& image) {
  LibraryState library;
  library.path = image.Path();
  library.found = image.IsOpen();
  library.exists = GetFileAttributesA(library.path.c_str()) != INVALID_FILE_ATTRIBUTES;
  library.version = image.Version();
  library.brandingCode = image.BrandingCode();
  library.productName = image.ProductName();
  library.machine = image.Machine();
  return library;
}

std::vector<ComponentState> ReadComponents(const Platform& platform, const Folders& folders,
                                           const LibraryState& library, const LibraryImage& image) {
  std::vector<ComponentState> components;
  for (const ComponentFile& file : ComponentFiles(platform, folders)) {
    ComponentState state;
    state.file = file;
    state.present = GetFileAttributesA(file.path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (state.present) state.version = FileVersion(file.path);
    state.carried = file.resource != 0 ? image.PayloadVersion(file.resource) : library.version;
    components.push_back(state);
  }
  return components;
}

std::string ReadWholeFile(const std::string& path) {
  OwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
  std::string text;
  char block[4096];
  DWORD got = 0;
  while (file.IsValid() && ReadFile(file.Get(), block, sizeof block, &got, nullptr) && got > 0)
    text.append(block, got);
  return text;
}

std::vector<PendingOperation> ReadPending(const MachineStatus& status, std::string* source,
                                          std::string* problem) {
  std::vector<PendingOperation> all;
  if (status.platform.family == Family::kNt) {
    *source = std::string("HKLM\\") + kSessionManagerKey + " PendingFileRenameOperations";
    RegistryReader key(HKEY_LOCAL_MACHINE, kSessionManagerKey);
    // Windows reads only a REG_MULTI_SZ; another type is no "none".
    auto type = key.Type("PendingFileRenameOperations");
    if (type && *type != REG_MULTI_SZ)
      *problem = "the value is of type " + std::to_string(*type) + ", not REG_MULTI_SZ (7)";
    if (auto data = key.Bytes("PendingFileRenameOperations", REG_MULTI_SZ))
      all = ParseRenamePairs(std::vector<uint8_t>(data->begin(), data->end()));
  } else if (status.platform.family == Family::kWindows9x) {
    std::string wininit = status.folders.windows + "WININIT.INI";
    *source = wininit + " [rename]";
    all = ParseWininitRenames(ReadWholeFile(wininit));
  }
  std::vector<std::string> paths;
  for (const ComponentState& c : status.components) paths.push_back(c.file.path);
  return ConcerningPaths(all, paths);
}

UninstallEntryState ReadUninstallEntry() {
  RegistryReader key(HKEY_LOCAL_MACHINE, kUninstallKey);
  UninstallEntryState entry;
  entry.present = key.IsOpen();
  entry.displayName = key.String("DisplayName");
  entry.uninstallString = key.String("UninstallString");
  entry.applet = key.String("Applet");
  entry.installLocation = key.String("InstallLocation");
  entry.publisher = key.String("Publisher");
  entry.installer = key.String("Installer");
  entry.versionMajor = key.Dword("VersionMajor");
  entry.versionMinor = key.Dword("VersionMinor");
  return entry;
}

// Only keys with eight-character names count as products, as for the library.
std::vector<ProductState> ReadProducts(const RegistryReader& products) {
  std::vector<ProductState> found;
  for (const std::string& name : products.SubkeyNames()) {
    if (name.size() != 8) continue;
    std::string path = std::string(kProductsKey) + "\\" + name;
    if (lstrcmpiA(name.c_str(), kProductFamilyKey) == 0) {
      RegistryReader family(HKEY_LOCAL_MACHINE, path);
      for (const std::string& code : family.SubkeyNames()) {
        if (code.size() != 8) continue;
        RegistryReader brand(HKEY_LOCAL_MACHINE, path + "\\" + code);
        for (const std::string& product : brand.ValueNames())
          if (!product.empty()) found.push_back({code, product, false});
      }
    } else if (auto product = RegistryReader(HKEY_LOCAL_MACHINE, path).String("ProductName", 256)) {
      found.push_back({name, *product, true});
    }
  }
  return found;
}

}  // namespace

MachineStatus CollectStatus(const std::string& libraryPath) {
  MachineStatus status;
  status.platform = CurrentPlatform();
  status.folders = ResolveFolders();
  LibraryImage image(libraryPath);
  status.library = ReadLibrary(image);
  status.components = ReadComponents(status.platform, status.folders, status.library, image);
  for (const ServiceName& service : kServices) status.services.push_back(ProbeService(service.name));
  status.serviceAnswer = AskServiceVersion();
  status.knownVxd = RegistryReader(HKEY_LOCAL_MACHINE, kKnownVxdsKey).String(kVxdName, 260);
  status.pending = ReadPending(status, &status.pendingSource, &status.pendingProblem);
  status.uninstallEntry = ReadUninstallEntry();
  RegistryReader products(HKEY_LOCAL_MACHINE, kProductsKey);
  status.productsKey = products.IsOpen();
  status.products = ReadProducts(products);
  status.inUseCount = RegistryReader(HKEY_LOCAL_MACHINE, kInstallerKey).Dword(kInUseCountValue);
  if (status.platform.family != Family::kUnsupported) {
    status.sharedPath = MainDriverPath(status.platform, status.folders);
    status.sharedCount = RegistryReader(HKEY_LOCAL_MACHINE, kSharedDllsKey).Dword(status.sharedPath.c_str());
  }
  status.verdict = Judge(status, [](const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  });
  return status;
}
