#include "status_report.h"

#include <cstdio>

#include "image_kind.h"
#include "json_writer.h"
#include "text_encoding.h"

namespace {

std::string Or(const std::optional<std::string>& value, const char* otherwise) {
  return value ? *value : otherwise;
}

std::string Padded(const std::string& text, size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string PlatformLine(const Platform& p) {
  char text[160];
  std::snprintf(text, sizeof text, "Windows: platform %lu, version %lu.%lu build %lu",
                static_cast<unsigned long>(p.id), static_cast<unsigned long>(p.major),
                static_cast<unsigned long>(p.minor), static_cast<unsigned long>(p.build));
  std::string line = text;
  if (p.wow64) line += "; 32-bit process on 64-bit Windows (WOW64): the library refuses, use the x86_64 build";
  return line + "; component set: " + ComponentSetName(p) + "\n";
}

std::string ComponentLine(const ComponentState& c) {
  std::string state = !c.present ? "absent" : c.version ? "present " + *c.version : "present, unreadable";
  return "  " + Padded(c.file.role, 16) + Padded(state, 24) + Padded("carries " + Or(c.carried, "?"), 16) +
         c.file.path + "\n";
}

std::string ServiceLine(const ServiceState& s) {
  std::string text = "  " + Padded(s.name, 17);
  if (!s.registered) return text + (s.accessDenied ? "access denied\n" : "not registered\n");
  text += "registered, " + (s.state.empty() ? std::string("state unknown") : s.state);
  if (!s.startType.empty()) text += ", " + s.startType + " start, " + s.type;
  return text + ": " + s.binaryPath + "\n";
}

std::string EntryText(const UninstallEntryState& e) {
  if (!e.present) return "Add/Remove Programs entry QelC13Ba: absent\n";
  std::string version = e.versionMajor && e.versionMinor
                            ? std::to_string(*e.versionMajor) + "." + std::to_string(*e.versionMinor)
                            : "unknown";
  std::string text = "Add/Remove Programs entry QelC13Ba: present, version " + version + "\n";
  const struct {
    const char* name;
    const std::optional<std::string>& value;
  } values[] = {{"DisplayName", e.displayName},         {"UninstallString", e.uninstallString},
                {"InstallLocation", e.installLocation}, {"Installer", e.installer}};
  for (const auto& v : values) text += "  " + Padded(v.name, 17) + Or(v.value, "(not set)") + "\n";
  return text;
}

std::string Count(const std::optional<DWORD>& value) {
  return value ? std::to_string(*value) : std::string("not set");
}

}  // namespace

std::string StatusText(const MachineStatus& s) {
  std::string out = PlatformLine(s.platform);
  out += "Library: " + s.library.path;
  if (!s.library.found) {
    if (s.library.path.size() >= MAX_PATH)
      out += " (a path longer than Windows opens)\n";
    else
      out += s.library.exists ? " (not a library this qelsys can read)\n" : " (not found)\n";
  } else {
    out += ", version " + Or(s.library.version, "unknown") + ", branding " + Or(s.library.brandingCode, "?") +
           " \"" + Or(s.library.productName, "?") + "\"\n";
    // Read as data it shows all the same, but this qelsys could not run it.
    if (s.library.machine != 0 && s.library.machine != OwnMachine())
      out += "  built for " + MachineName(s.library.machine) + ": this qelsys (" + MachineName(OwnMachine()) +
             ") cannot install or uninstall with it\n";
  }
  out += "\nComponent files:\n";
  if (s.components.empty()) out += "  none: the library installs nothing on this Windows\n";
  for (const ComponentState& c : s.components) out += ComponentLine(c);
  out += s.platform.family == Family::kNt ? "\nServices:\n"
                                          : "\nServices (the library registers them on the NT family only):\n";
  for (const ServiceState& service : s.services) out += ServiceLine(service);
  out += "  Version answered on the service's pipe: " + Or(s.serviceAnswer, "none") + "\n";
  out += "\nKnownVxDs value QELC11BA: " + Or(s.knownVxd, "not set") + "\n";
  if (s.pendingSource.empty()) {
    out += "Restart-time file operations: not read on this Windows\n";
  } else {
    out += "Restart-time file operations on these files (" + s.pendingSource + "): " +
           (!s.pendingProblem.empty() ? "unreadable, " + s.pendingProblem
            : s.pending.empty()       ? std::string("none")
                                      : std::to_string(s.pending.size())) +
           "\n";
    for (const PendingOperation& op : s.pending)
      out += "  " + op.source + (op.target.empty() ? " -> deleted" : " -> " + op.target) + "\n";
  }
  out += EntryText(s.uninstallEntry);
  out += "Registered products: " + (s.productsKey ? std::to_string(s.products.size()) : "none (no products key)") + "\n";
  for (const ProductState& p : s.products)
    out += "  " + p.brandingCode + "  " + p.name + (p.olderLayout ? "  (older layout)" : "") + "\n";
  out += "Components in use counter (ComponentsInUseCount): " + Count(s.inUseCount) + "\n";
  if (!s.sharedPath.empty()) out += "Shared count of " + s.sharedPath + ": " + Count(s.sharedCount) + "\n";
  out += std::string("\nVerdict: ") + VerdictName(s.verdict.kind) + ": " + s.verdict.reason + "\n";
  return out;
}

namespace {

void OptionalNumber(JsonWriter& json, const std::optional<DWORD>& value) {
  if (value)
    json.Number(*value);
  else
    json.Null();
}

std::optional<std::string> Utf8(const std::optional<std::string>& value) {
  return value ? std::optional<std::string>(AnsiToUtf8(*value)) : std::nullopt;
}

}  // namespace

std::string StatusJson(const MachineStatus& s) {
  JsonWriter json;
  json.BeginObject();
  json.Key("schemaVersion").Number(kJsonSchemaVersion);
  json.Key("platform").BeginObject();
  json.Key("id").Number(s.platform.id);
  json.Key("major").Number(s.platform.major);
  json.Key("minor").Number(s.platform.minor);
  json.Key("build").Number(s.platform.build);
  json.Key("wow64").Bool(s.platform.wow64);
  json.Key("componentSet").String(ComponentSetName(s.platform));
  json.EndObject();

  json.Key("library").BeginObject();
  json.Key("path").String(AnsiToUtf8(s.library.path));
  json.Key("found").Bool(s.library.found);
  json.Key("exists").Bool(s.library.exists);
  json.Key("version").OptionalString(s.library.version);
  json.Key("brandingCode").OptionalString(Utf8(s.library.brandingCode));
  json.Key("productName").OptionalString(Utf8(s.library.productName));
  json.Key("machine").OptionalString(s.library.machine != 0 ? std::optional<std::string>(MachineName(s.library.machine))
                                                           : std::nullopt);
  json.EndObject();

  json.Key("folders").BeginObject();
  json.Key("windows").String(AnsiToUtf8(s.folders.windows));
  json.Key("system").String(AnsiToUtf8(s.folders.system));
  json.Key("drivers").String(AnsiToUtf8(s.folders.drivers));
  json.Key("install").String(AnsiToUtf8(s.folders.install));
  json.EndObject();

  json.Key("components").BeginArray();
  for (const ComponentState& c : s.components) {
    json.BeginObject();
    json.Key("role").String(c.file.role);
    json.Key("name").String(c.file.name);
    json.Key("path").String(AnsiToUtf8(c.file.path));
    json.Key("present").Bool(c.present);
    json.Key("version").OptionalString(c.version);
    json.Key("carried").OptionalString(c.carried);
    json.EndObject();
  }
  json.EndArray();

  json.Key("services").BeginArray();
  for (const ServiceState& service : s.services) {
    json.BeginObject();
    json.Key("name").String(service.name);
    json.Key("registered").Bool(service.registered);
    json.Key("accessDenied").Bool(service.accessDenied);
    json.Key("state").OptionalString(service.state.empty() ? std::nullopt : std::optional<std::string>(service.state));
    json.Key("startType").OptionalString(service.startType.empty() ? std::nullopt : std::optional<std::string>(service.startType));
    json.Key("type").OptionalString(service.type.empty() ? std::nullopt : std::optional<std::string>(service.type));
    json.Key("binaryPath").OptionalString(service.registered ? Utf8(service.binaryPath) : std::nullopt);
    json.EndObject();
  }
  json.EndArray();
  json.Key("serviceAnswer").OptionalString(s.serviceAnswer);

  json.Key("knownVxd").BeginObject();
  json.Key("name").String(kVxdName);
  json.Key("value").OptionalString(Utf8(s.knownVxd));
  json.EndObject();

  json.Key("pendingOperations").BeginObject();
  json.Key("source").OptionalString(s.pendingSource.empty() ? std::nullopt : Utf8(s.pendingSource));
  json.Key("problem").OptionalString(s.pendingProblem.empty() ? std::nullopt : Utf8(s.pendingProblem));
  json.Key("operations").BeginArray();
  for (const PendingOperation& op : s.pending) {
    json.BeginObject();
    json.Key("source").String(AnsiToUtf8(op.source));
    json.Key("target").OptionalString(op.target.empty() ? std::nullopt : Utf8(op.target));
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();

  const UninstallEntryState& e = s.uninstallEntry;
  json.Key("uninstallEntry").BeginObject();
  json.Key("present").Bool(e.present);
  json.Key("displayName").OptionalString(Utf8(e.displayName));
  json.Key("uninstallString").OptionalString(Utf8(e.uninstallString));
  json.Key("applet").OptionalString(Utf8(e.applet));
  json.Key("installLocation").OptionalString(Utf8(e.installLocation));
  json.Key("publisher").OptionalString(Utf8(e.publisher));
  json.Key("installer").OptionalString(Utf8(e.installer));
  json.Key("versionMajor");
  OptionalNumber(json, e.versionMajor);
  json.Key("versionMinor");
  OptionalNumber(json, e.versionMinor);
  json.EndObject();

  json.Key("productsKey").Bool(s.productsKey);
  json.Key("products").BeginArray();
  for (const ProductState& p : s.products) {
    json.BeginObject();
    json.Key("brandingCode").String(AnsiToUtf8(p.brandingCode));
    json.Key("name").String(AnsiToUtf8(p.name));
    json.Key("layout").String(p.olderLayout ? "older" : "current");
    json.EndObject();
  }
  json.EndArray();

  json.Key("inUseCount");
  OptionalNumber(json, s.inUseCount);
  json.Key("sharedCount").BeginObject();
  json.Key("path").OptionalString(s.sharedPath.empty() ? std::nullopt : Utf8(s.sharedPath));
  json.Key("value");
  OptionalNumber(json, s.sharedCount);
  json.EndObject();
  json.Key("verdict").BeginObject();
  json.Key("state").String(VerdictName(s.verdict.kind));
  json.Key("reason").String(Utf8(s.verdict.reason).value_or(""));
  json.EndObject();
  json.EndObject();
  return json.Text();
}
