#include "errors_report.h"

#include <cstdio>

#include "json_writer.h"
#include "public_codes.h"

namespace {

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
  return text;
}

std::string CodeText(uint16_t code) {
  const PublicCode* known = FindPublicCode(code);
  std::string text = code == 0xFFFF ? "0xFFFF" : std::to_string(code);
  return known ? text + " " + known->name : text;
}

// A last error above 16 bits is no public code, whatever its low bits say.
const PublicCode* LastErrorCode(uint32_t lastError) {
  return lastError <= 0xFFFF ? FindPublicCode(static_cast<uint16_t>(lastError)) : nullptr;
}

std::string LastErrorText(uint32_t lastError) {
  if (lastError == 0) return "0 (none)";
  if (lastError > 0xFFFF) return Hex(lastError, 8) + " (not a public code)";
  return CodeText(static_cast<uint16_t>(lastError));
}

const char* ExportName(const LastRun& run) {
  return run.command == "uninstall" ? "QelSysUnInstall" : "QelSysInstall";
}

std::string Same(const std::string& text) { return text; }

const char kDamaged[] =
    "The record of the last run (HKEY_CURRENT_USER\\Software\\QelSys\\LastRun) is damaged; "
    "run the install or uninstall again to see its codes.\n";

}  // namespace

std::string ErrorsText(const std::optional<LastRun>& run, const TrackedCodeTable& table) {
  if (!run) return "No install or uninstall has been run by qelsys for this user yet.\n";
  if (run->damaged) return kDamaged;
  std::string out = "Run: " + run->command + ", " + run->time + ", " + run->library + "\n";
  bool succeeded = run->result == 1;
  // A success can still carry failures (a copy kept because it was good enough).
  std::string outcome = !succeeded              ? "failed"
                        : run->tracked.empty() ? "succeeded"
                                               : "succeeded, with " + std::to_string(run->tracked.size()) +
                                                     (run->tracked.size() == 1 ? " failure" : " failures") +
                                                     " recorded";
  out += "Result: " + outcome + " (" + ExportName(*run) + " returned " + std::to_string(run->result) +
         ")\n";
  const PublicCode* code = LastErrorCode(run->lastError);
  out += std::string(succeeded ? "Last outcome: " : "Public code: ") + LastErrorText(run->lastError) +
         (code ? std::string(": ") + code->meaning : std::string()) + "\n";
  if (run->tracked.empty()) return out + "Tracked failures: none\n";
  out += "Tracked failures, newest first: " + std::to_string(run->tracked.size()) + "\n";
  int n = 0;
  for (uint32_t tracked : run->tracked) {
    DecodedCode d = table.Decode(tracked);
    out += "  " + std::to_string(++n) + ". " + Hex(tracked, 8) + "  site " + Hex(d.site, 0) +
           ", code " + CodeText(d.code) + "\n";
    if (d.row == nullptr) {
      out += "     not in the decoding table of this qelsys\n";
      continue;
    }
    out += "     operation: " + d.row->operation + " (" + d.row->action + ")\n";
    out += "     condition: " + d.row->condition + "\n";
    if (d.rewrite) out += std::string("     note:      ") + d.rewrite + "\n";
    out += "     advice:    " + d.row->advice + "\n";
  }
  return out;
}

std::string ErrorsJson(const std::optional<LastRun>& run, const TrackedCodeTable& table,
                       TextConverter toUtf8) {
  JsonWriter json;
  WriteErrorsJson(&json, run, table, toUtf8);
  return json.Text();
}

void WriteErrorsJson(JsonWriter* writer, const std::optional<LastRun>& run, const TrackedCodeTable& table,
                     TextConverter toUtf8) {
  if (toUtf8 == nullptr) toUtf8 = Same;
  JsonWriter& json = *writer;
  json.BeginObject();
  json.Key("schemaVersion").Number(kJsonSchemaVersion);
  json.Key("recorded").Bool(run.has_value());
  json.Key("damaged").Bool(run && run->damaged);
  // Every key is there in every answer; what is not known is null.
  const bool known = run && !run->damaged;
  json.Key("command").OptionalString(known ? std::optional<std::string>(toUtf8(run->command)) : std::nullopt);
  json.Key("time").OptionalString(known ? std::optional<std::string>(toUtf8(run->time)) : std::nullopt);
  json.Key("library").BeginObject();
  json.Key("path").OptionalString(known ? std::optional<std::string>(toUtf8(run->library)) : std::nullopt);
  json.EndObject();
  json.Key("succeeded");
  if (known) json.Bool(run->result == 1); else json.Null();
  json.Key("result");
  if (known) json.Number(run->result); else json.Null();
  json.Key("lastError");
  if (!known) json.Null();
  if (known) {
    json.BeginObject();
    json.Key("code").Number(run->lastError);
    const PublicCode* code = LastErrorCode(run->lastError);
    json.Key("name").OptionalString(code ? std::optional<std::string>(code->name) : std::nullopt);
    json.Key("meaning").OptionalString(code ? std::optional<std::string>(code->meaning) : std::nullopt);
    json.EndObject();
  }
  json.Key("errors").BeginArray();
  if (known) {
    for (uint32_t tracked : run->tracked) {
      DecodedCode d = table.Decode(tracked);
      const PublicCode* name = FindPublicCode(d.code);
      json.BeginObject();
      json.Key("tracked").String(Hex(tracked, 8));
      json.Key("site").String(Hex(d.site, 0));
      json.Key("code").Number(d.code);
      json.Key("name").OptionalString(name ? std::optional<std::string>(name->name) : std::nullopt);
      json.Key("known").Bool(d.row != nullptr);
      auto column = [&](const std::string* text) {
        return text ? std::optional<std::string>(*text) : std::nullopt;
      };
      json.Key("operation").OptionalString(column(d.row ? &d.row->operation : nullptr));
      json.Key("action").OptionalString(column(d.row ? &d.row->action : nullptr));
      json.Key("condition").OptionalString(column(d.row ? &d.row->condition : nullptr));
      json.Key("advice").OptionalString(column(d.row ? &d.row->advice : nullptr));
      json.Key("rewrite").OptionalString(d.rewrite ? std::optional<std::string>(d.rewrite) : std::nullopt);
      json.EndObject();
    }
  }
  json.EndArray();
  json.EndObject();
}
