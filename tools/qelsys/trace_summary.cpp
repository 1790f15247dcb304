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
    json.Key("summary").Bool(true);
    json.Key("calls").Number(trace.calls);
    json.Key("microseconds").Number(trace.microseconds);
    json.Key("sleeps").BeginObject();
    json.Key("count").Number(trace.sleeps);
    json.Key("milliseconds").Number(trace.sleptMs);
    json.EndObject();
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
  if (trace.fault.nth != 0 && trace.faultedCall == 0)
    out += "Fault not injected: the planned call was not reached or cannot fail\n";
  else if (trace.fault.nth != 0)
    AppendFormat(&out, "Fault injected: call %u (%s) failed with %lu\n", trace.faultedCall, trace.faultedFunction,
                 trace.fault.error);
  return out;
}
