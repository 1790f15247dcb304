#include "trace_summary.h"

#include "errors_report.h"
#include "json_writer.h"
#include "text_encoding.h"

namespace {

const char* KindName(Held kind) {
  switch (kind) {
    case Held::kHandle: return "handle";
    case Held::kKey: return "registry key";
    case Held::kService: return "service handle";
    case Held::kCrtFile: return "C runtime file";
    case Held::kModule: return "library";
  }
  return "?";
}

}  // namespace

std::string TraceSummary(const CallTrace& trace, const LastRun& run, const TrackedCodeTable& table) {
  if (trace.json) {
    JsonWriter json(true);
    json.BeginObject();
    json.Key("schemaVersion").Number(1);
    json.Key("summary").Bool(true);
    json.Key("calls").Number(trace.calls);
    json.Key("microseconds").Number(trace.microseconds);
    json.Key("sleeps").BeginObject();
    json.Key("count").Number(trace.sleeps);
    json.Key("milliseconds").Number(trace.sleptMs);
    json.Key("microseconds").Number(trace.sleptMicroseconds);
    json.EndObject();
    // The export's time splits into the waits, the other traced calls and
    // the rest: the library's own work and the imports not traced.
    json.Key("exportMicroseconds").Number(trace.exportMicroseconds);
    json.Key("leftOpen").BeginArray();
    for (const HeldObject& h : trace.held) {
      json.BeginObject();
      json.Key("kind").String(KindName(h.kind));
      json.Key("name").String(AnsiToUtf8(h.name));
      json.Key("call").Number(h.call);
      json.EndObject();
    }
    json.EndArray();
    if (trace.fault.nth == 0 || trace.faultedCall == 0) {
      json.Key("fault").Null();
    } else {
      json.Key("fault").BeginObject();
      json.Key("call").Number(trace.faultedCall);
      json.Key("function").String(trace.faultedFunction);
      json.Key("error").Number(trace.fault.error);
      json.EndObject();
    }
    json.Key("run");
    WriteErrorsJson(&json, run, table, AnsiToUtf8);
    json.EndObject();
    return json.Text();
  }
  std::string out;
  AppendFormat(&out, "Calls traced: %u, %llu.%03llu ms inside them\nWaits: %u Sleep calls, %llu ms in all\n"
               "Left open by the library: %u\n", trace.calls,
               static_cast<unsigned long long>(trace.microseconds / 1000),
               static_cast<unsigned long long>(trace.microseconds % 1000), trace.sleeps,
               static_cast<unsigned long long>(trace.sleptMs), static_cast<unsigned>(trace.held.size()));
  for (const HeldObject& h : trace.held)
    AppendFormat(&out, "  %s \"%s\" from call %u\n", KindName(h.kind), h.name.c_str(), h.call);
  const uint64_t inside = trace.microseconds < trace.exportMicroseconds ? trace.microseconds : trace.exportMicroseconds;
  const uint64_t slept = trace.sleptMicroseconds < inside ? trace.sleptMicroseconds : inside;
  const uint64_t own = trace.exportMicroseconds - inside;
  AppendFormat(&out, "Time in the export: %llu ms: waits %llu ms, other Windows calls %llu ms, the library's own %llu ms",
               static_cast<unsigned long long>(trace.exportMicroseconds / 1000),
               static_cast<unsigned long long>(slept / 1000),
               static_cast<unsigned long long>((inside - slept) / 1000),
               static_cast<unsigned long long>(own / 1000));
  if (trace.exportMicroseconds > 0)
    AppendFormat(&out, " (%llu.%llu%%)", static_cast<unsigned long long>(own * 100 / trace.exportMicroseconds),
                 static_cast<unsigned long long>(own * 1000 / trace.exportMicroseconds % 10));
  out += "\n";
  if (trace.fault.nth != 0 && trace.faultedCall == 0)
    out += "Fault not injected: the planned call was not reached or cannot fail\n";
  else if (trace.fault.nth != 0)
    AppendFormat(&out, "Fault injected: call %u (%s) failed with %lu\n", trace.faultedCall, trace.faultedFunction,
                 trace.fault.error);
  return out;
}
