// Counts what each whole journey through the exports costs on the simulated
// Windows 98, NT 4 and XP: calls by kind, writes, bytes written and virtual
// wait time. The counts are deterministic, so they are compared with a
// checked-in baseline; any growth fails.
//
// Usage: journey_counts [--baseline FILE] [--json FILE] [--accept] [--details] [--calls]
//   --baseline FILE  compare with FILE (exit 1 on growth or a missing row)
//   --json FILE      write the figures to FILE
//   --accept         write the figures to the baseline file instead of failing
//   --details        print the calls by function and every write
//   --calls          print every call of every journey with its detail
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "counts/call_meter.h"
#include "counts/json.h"
#include "counts/machine.h"

namespace {

using bench::Kind;
using bench::Machine;
using bench::Payloads;
using bench::Tally;

struct Row {
  std::string platform;
  std::string journey;
  DWORD result = 0;
  DWORD lastError = 0;
  Tally tally;
  std::vector<std::string> calls;
};

// The compared figures of a row, in table order.
std::vector<std::pair<std::string, uint64_t>> Metrics(const Tally& t) {
  std::vector<std::pair<std::string, uint64_t>> m;
  m.emplace_back("calls", t.totalCalls);
  for (int k = 0; k < bench::kKindCount; ++k)
    m.emplace_back(std::string("calls_") + bench::KindName(static_cast<Kind>(k)), t.calls[k]);
  m.emplace_back("file_writes", t.fileWrites);
  m.emplace_back("file_bytes", t.fileBytes);
  m.emplace_back("registry_writes", t.registryWrites);
  m.emplace_back("registry_bytes", t.registryBytes);
  m.emplace_back("wait_ms", t.waitMs);
  m.emplace_back("sleeps", t.sleeps);
  return m;
}

bool Measure(sim::Platform platform, const char* journey, std::vector<Row>& rows) {
  Machine machine;
  if (!machine.Boot(platform)) {
    std::fprintf(stderr, "journey_counts: the library image did not load\n");
    return false;
  }
  LibraryHost& host = machine.Host();
  Row row;
  row.platform = bench::PlatformName(platform);
  row.journey = journey;
  std::function<DWORD()> run = [&] { return host.Install(); };
  if (std::strcmp(journey, "install again") == 0) {
    host.Install();
  } else if (std::strcmp(journey, "upgrade") == 0) {
    host.Install();
    // A newer main driver while the old one runs: the service on NT (started
    // by the install), the VxD on Windows 98 (loaded by another program).
    if (!machine.IsNt()) sim::HoldVxdElsewhere("QELC11BA");
    Payloads newer;
    newer.service = {4, 21, 0, 0};
    newer.vxd = {4, 17, 0, 0};
    Machine::Carry(newer);
  } else if (std::strcmp(journey, "uninstall") == 0) {
    host.Install();
    run = [&] { return host.UnInstall(); };
  }
  bench::BeginMeasure();
  row.result = run();
  row.tally = bench::EndMeasure();
  for (const std::string& call : bench::MeasuredCalls()) row.calls.push_back(call);
  row.lastError = host.GetLastErrorCode();
  rows.push_back(row);
  return true;
}

void PrintTable(const std::vector<Row>& rows) {
  std::printf("%-6s %-14s %6s %6s %5s %5s %5s %5s %5s %6s %7s %6s %6s %7s %6s  %s\n", "OS",
              "journey", "calls", "file", "reg", "svc", "pipe", "dev", "other", "f.wr", "f.bytes",
              "r.wr", "r.bytes", "wait_ms", "sleeps", "result");
  for (const Row& r : rows) {
    const Tally& t = r.tally;
    std::printf("%-6s %-14s %6llu %6llu %5llu %5llu %5llu %5llu %5llu %6llu %7llu %6llu %6llu "
                "%7llu %6llu  %lu/%lu\n",
                r.platform.c_str(), r.journey.c_str(),
                static_cast<unsigned long long>(t.totalCalls),
                static_cast<unsigned long long>(t.calls[0]),
                static_cast<unsigned long long>(t.calls[1]),
                static_cast<unsigned long long>(t.calls[2]),
                static_cast<unsigned long long>(t.calls[3]),
                static_cast<unsigned long long>(t.calls[4]),
                static_cast<unsigned long long>(t.calls[5]),
                static_cast<unsigned long long>(t.fileWrites),
                static_cast<unsigned long long>(t.fileBytes),
                static_cast<unsigned long long>(t.registryWrites),
                static_cast<unsigned long long>(t.registryBytes),
                static_cast<unsigned long long>(t.waitMs), static_cast<unsigned long long>(t.sleeps),
                static_cast<unsigned long>(r.result), static_cast<unsigned long>(r.lastError));
  }
  std::printf("(f.wr: calls that change files or folders; r.wr: registry values set or deleted "
              "and keys created or deleted; result: export result/QelSysGetLastError)\n");
}

void PrintCalls(const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    std::printf("\n%s, %s:\n", r.platform.c_str(), r.journey.c_str());
    for (const std::string& call : r.calls) std::printf("  %s\n", call.c_str());
  }
}

void PrintDetails(const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    std::printf("\n%s, %s:\n  calls:", r.platform.c_str(), r.journey.c_str());
    for (const auto& f : r.tally.functions)
      std::printf(" %s=%llu", f.first.c_str(), static_cast<unsigned long long>(f.second));
    std::printf("\n");
    for (const std::string& w : r.tally.fileWriteList) std::printf("  file write: %s\n", w.c_str());
    for (const std::string& w : r.tally.registryWriteList)
      std::printf("  registry write: %s\n", w.c_str());
  }
}

std::string ToJson(const std::vector<Row>& rows) {
  std::ostringstream out;
  out << "{\n  \"rows\": [";
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    out << (i ? ",\n" : "\n") << "    {\"platform\": " << bench::Quote(r.platform)
        << ", \"journey\": " << bench::Quote(r.journey) << ", \"result\": " << r.result
        << ", \"last_error\": " << r.lastError << ",\n      \"metrics\": {";
    bool first = true;
    for (const auto& m : Metrics(r.tally)) {
      out << (first ? "" : ", ") << bench::Quote(m.first) << ": " << m.second;
      first = false;
    }
    out << "},\n      \"functions\": {";
    first = true;
    for (const auto& f : r.tally.functions) {
      out << (first ? "" : ", ") << bench::Quote(f.first) << ": " << f.second;
      first = false;
    }
    out << "},\n      \"registry_writes\": [";
    first = true;
    for (const std::string& w : r.tally.registryWriteList) {
      out << (first ? "" : ", ") << bench::Quote(w);
      first = false;
    }
    out << "]}";
  }
  out << "\n  ]\n}\n";
  return out.str();
}

bool ReadFileText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

bool WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

const bench::Json* FindRow(const bench::Json& doc, const Row& row) {
  const bench::Json* list = doc.Find("rows");
  if (list == nullptr) return nullptr;
  for (const bench::Json& item : list->items) {
    const bench::Json* p = item.Find("platform");
    const bench::Json* j = item.Find("journey");
    if (p && j && p->text == row.platform && j->text == row.journey) return &item;
  }
  return nullptr;
}

// Prints every change against the baseline; true when nothing grew.
bool Compare(const bench::Json& baseline, const std::vector<Row>& rows) {
  bool ok = true;
  int changes = 0;
  for (const Row& r : rows) {
    const bench::Json* base = FindRow(baseline, r);
    if (base == nullptr) {
      std::printf("NEW     %s, %s: not in the baseline\n", r.platform.c_str(), r.journey.c_str());
      ok = false;
      continue;
    }
    const bench::Json* metrics = base->Find("metrics");
    for (const auto& m : Metrics(r.tally)) {
      const bench::Json* was = metrics ? metrics->Find(m.first) : nullptr;
      if (was == nullptr || was->type != bench::Json::Number) {
        std::printf("NEW     %s, %s: %s = %llu (no baseline figure)\n", r.platform.c_str(),
                    r.journey.c_str(), m.first.c_str(), static_cast<unsigned long long>(m.second));
        ok = false;
        continue;
      }
      auto before = static_cast<unsigned long long>(was->number);
      auto now = static_cast<unsigned long long>(m.second);
      if (now == before) continue;
      ++changes;
      bool grew = now > before;
      if (grew) ok = false;
      std::printf("%s %s, %s: %s %llu -> %llu\n", grew ? "GROWTH " : "SHRANK ",
                  r.platform.c_str(), r.journey.c_str(), m.first.c_str(), before, now);
    }
    // Which functions moved, to say where a change came from.
    const bench::Json* functions = base->Find("functions");
    if (functions == nullptr) continue;
    for (const auto& f : r.tally.functions) {
      const bench::Json* was = functions->Find(f.first);
      unsigned long long before = was ? static_cast<unsigned long long>(was->number) : 0;
      if (before != f.second)
        std::printf("          %s: %llu -> %llu\n", f.first.c_str(), before,
                    static_cast<unsigned long long>(f.second));
    }
    for (const auto& f : functions->members)
      if (r.tally.functions.count(f.first) == 0)
        std::printf("          %s: %llu -> 0\n", f.first.c_str(),
                    static_cast<unsigned long long>(f.second.number));
  }
  if (ok && changes == 0) std::printf("baseline: no change\n");
  if (ok && changes > 0) std::printf("baseline: nothing grew (--accept records the new figures)\n");
  if (!ok) std::printf("baseline: figures grew (--accept records them if that is intended)\n");
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::string baselinePath, jsonPath;
  bool accept = false, details = false, calls = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--baseline" && i + 1 < argc) {
      baselinePath = argv[++i];
    } else if (a == "--json" && i + 1 < argc) {
      jsonPath = argv[++i];
    } else if (a == "--accept") {
      accept = true;
    } else if (a == "--details") {
      details = true;
    } else if (a == "--calls") {
      calls = true;
    } else {
      std::fprintf(stderr,
                   "usage: %s [--baseline FILE] [--json FILE] [--accept] [--details] [--calls]\n", argv[0]);
      return 2;
    }
  }
  if (accept && baselinePath.empty()) {
    std::fprintf(stderr, "journey_counts: --accept needs --baseline FILE\n");
    return 2;
  }

  std::vector<Row> rows;
  for (sim::Platform platform : {sim::Platform::Win98, sim::Platform::NT4, sim::Platform::WinXP})
    for (const char* journey : {"fresh install", "install again", "upgrade", "uninstall"})
      if (!Measure(platform, journey, rows)) return 2;
  if (!bench::InterposersActive()) {
    std::fprintf(stderr, "journey_counts: the library image bypassed the byte counters\n");
    return 2;
  }

  PrintTable(rows);
  if (details) PrintDetails(rows);
  if (calls) PrintCalls(rows);
  std::string json = ToJson(rows);
  if (!jsonPath.empty() && !WriteFileText(jsonPath, json)) {
    std::fprintf(stderr, "journey_counts: cannot write %s\n", jsonPath.c_str());
    return 2;
  }
  if (baselinePath.empty()) return 0;
  if (accept) {
    if (!WriteFileText(baselinePath, json)) {
      std::fprintf(stderr, "journey_counts: cannot write %s\n", baselinePath.c_str());
      return 2;
    }
    std::printf("baseline: %s written\n", baselinePath.c_str());
    return 0;
  }
  std::string text, error;
  bench::Json baseline;
  if (!ReadFileText(baselinePath, text) || !bench::ParseJson(text, baseline, error)) {
    std::fprintf(stderr, "journey_counts: cannot read %s %s\n", baselinePath.c_str(),
                 error.c_str());
    return 2;
  }
  return Compare(baseline, rows) ? 0 : 1;
}
