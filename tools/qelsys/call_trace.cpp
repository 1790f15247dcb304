#include "call_trace.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "json_writer.h"
#include "text_encoding.h"

CallTrace* g_trace = nullptr;

namespace {

CallTrace& Trace() {
  static CallTrace idle;
  return g_trace ? *g_trace : idle;
}

const struct {
  HKEY key;
  const char* name;
} kRoots[] = {
    {HKEY_LOCAL_MACHINE, "HKLM"}, {HKEY_CURRENT_USER, "HKCU"},
    {HKEY_CLASSES_ROOT, "HKCR"},  {HKEY_USERS, "HKU"},
};

}  // namespace

void AppendFormat(std::string* text, const char* format, ...) {
  char buffer[1024];
  va_list values;
  va_start(values, format);
  int length = std::vsnprintf(buffer, sizeof buffer, format, values);
  va_end(values);
  // A longer line (a long path) is cut rather than lost.
  if (length > 0) text->append(buffer, length < static_cast<int>(sizeof buffer) ? length : sizeof buffer - 1);
}

uint64_t NowMicroseconds() {
  static LARGE_INTEGER frequency;
  static bool counter = QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0;
  LARGE_INTEGER now;
  // Without a counter every call shows 0 ms.
  if (!counter || !QueryPerformanceCounter(&now)) return 0;
  return static_cast<uint64_t>(now.QuadPart / frequency.QuadPart * 1000000 +
                               now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart);
}

std::string NameOf(const void* value) {
  for (const auto& root : kRoots)
    if (root.key == value) return root.name;
  for (auto it = Trace().held.rbegin(); it != Trace().held.rend(); ++it)
    if (it->value == value) return it->name;
  return std::string();
}

std::string ComponentOf(const std::string& text) {
  for (size_t i = 0; i + 8 <= text.size(); ++i) {
    const char* p = text.c_str() + i;
    if (_strnicmp(p, "qelc", 4) == 0 && std::isdigit(static_cast<unsigned char>(p[4])) &&
        std::isdigit(static_cast<unsigned char>(p[5])) && _strnicmp(p + 6, "ba", 2) == 0) {
      std::string stem(p, 8);
      for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return stem;
    }
  }
  return std::string();
}

TracedCall::TracedCall(const char* function)
    : function_(function), call_(++Trace().calls), lastError_(GetLastError()), errno_(errno),
      start_(NowMicroseconds()) {
  CallTrace& trace = Trace();
  if (trace.fault.nth == 0 || trace.faultedCall != 0) return;
  if (!trace.fault.function.empty() && trace.fault.function != function) return;
  if (++trace.planCount == trace.fault.nth) {
    planHit_ = true;
    planned_ = static_cast<DWORD>(trace.fault.error);
  }
}

TracedCall::~TracedCall() = default;

void TracedCall::Add(const char* name, size_t length, char type, const char* text, uint64_t number) {
  args_.push_back({std::string(name, length), type, type == 's' && text == nullptr, text ? text : "", number});
}

void TracedCall::Args(const char* format, ...) {
  va_list values;
  va_start(values, format);
  for (const char* p = format; *p != '\0';) {
    const char* colon = std::strchr(p, ':');
    char type = colon[1];
    if (type == 's') {
      Add(p, colon - p, 's', va_arg(values, const char*), 0);
    } else if (type == 'o') {
      const void* value = va_arg(values, const void*);
      std::string known = NameOf(value);
      if (known.empty()) Add(p, colon - p, 'x', nullptr, reinterpret_cast<uintptr_t>(value));
      else Add(p, colon - p, 's', known.c_str(), 0);
    } else {
      uint64_t value = type == 'z' ? va_arg(values, size_t) : va_arg(values, unsigned long);
      Add(p, colon - p, type == 'x' ? 'x' : 'n', nullptr, value);
    }
    p = colon[2] == ' ' ? colon + 3 : colon + 2;
  }
  va_end(values);
}

void TracedCall::Text(const char* name, const char* value) { Add(name, std::strlen(name), 's', value, 0); }

void TracedCall::Number(const char* name, uint64_t value) { Add(name, std::strlen(name), 'n', nullptr, value); }

bool TracedCall::Fails() {
  if (planHit_) {
    injected_ = true;
    Trace().faultedCall = call_;
    Trace().faultedFunction = function_;
  } else {
    start_ = NowMicroseconds();
  }
  return planHit_;
}

void TracedCall::After() {
  lastError_ = GetLastError();
  errno_ = errno;
  elapsed_ = NowMicroseconds() - start_;
  Trace().microseconds += elapsed_;
}

void TracedCall::Opened(Held kind, const void* value, const char* name) {
  Trace().held.push_back({kind, value, name ? name : "", call_});
}

void TracedCall::Closed(Held kind, const void* value) {
  auto& held = Trace().held;
  for (auto it = held.rbegin(); it != held.rend(); ++it) {
    if (it->kind == kind && it->value == value) {
      held.erase(std::next(it).base());
      return;
    }
  }
}

void TracedCall::Done(uint64_t result, bool failed, Report report) {
  if (Trace().out == nullptr) {
    errno = errno_;
    SetLastError(lastError_);
    return;
  }
  std::string component;
  for (const Arg& arg : args_)
    if (arg.type == 's' && component.empty()) component = ComponentOf(arg.value);
  std::string line;
  if (Trace().json) {
    JsonWriter json(true);
    json.BeginObject();
    json.Key("schemaVersion").Number(1);
    json.Key("call").Number(call_);
    json.Key("function").String(function_);
    json.Key("args").BeginObject();
    for (const Arg& arg : args_) {
      json.Key(arg.name);
      if (arg.null) json.Null();
      else if (arg.type == 's') json.String(AnsiToUtf8(arg.value));
      else json.Number(arg.number);
    }
    json.EndObject();
    json.Key("result").Number(result);
    json.Key("failed").Bool(failed);
    // A Windows error, not the library's public code; only a failure has one
    // (a registry call's own result is its error).
    json.Key("windowsError");
    if ((injected_ || failed) && report != kStatus) json.Number(lastError_);
    else json.Null();
    json.Key("injected").Bool(injected_);
    json.Key("microseconds").Number(elapsed_);
    json.Key("component").OptionalString(component.empty() ? std::nullopt
                                                            : std::optional<std::string>(component));
    json.EndObject();
    line = json.Text();
  } else {
    AppendFormat(&line, "%5u %s", call_, function_);
    for (const Arg& arg : args_) {
      if (arg.null) AppendFormat(&line, " %s=NULL", arg.name.c_str());
      else if (arg.type == 's') AppendFormat(&line, " %s=\"%s\"", arg.name.c_str(), arg.value.c_str());
      else AppendFormat(&line, arg.type == 'x' ? " %s=0x%llX" : " %s=%llu", arg.name.c_str(),
                        static_cast<unsigned long long>(arg.number));
    }
    AppendFormat(&line, report == kHex ? " -> 0x%llX" : " -> %llu", static_cast<unsigned long long>(result));
    if (injected_ || failed) {
      AppendFormat(&line, " (%s", injected_ ? "injected failure" : "failed");
      if (report != kStatus) AppendFormat(&line, ", last error %lu", lastError_);
      line += ")";
    }
    AppendFormat(&line, "  %llu.%03llu ms", static_cast<unsigned long long>(elapsed_ / 1000),
                 static_cast<unsigned long long>(elapsed_ % 1000));
    if (!component.empty()) AppendFormat(&line, "  [%s]", component.c_str());
    line += "\n";
  }
  std::fputs(line.c_str(), Trace().out);
  std::fflush(Trace().out);
  errno = errno_;
  SetLastError(lastError_);
}
