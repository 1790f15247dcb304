#include "command_line.h"

#include <cstddef>

namespace {

// A line ending comes with some launchers' command lines; it is no argument.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

const char* SkipBlanks(const char* text) {
  while (IsBlank(*text)) ++text;
  return text;
}

// The text after prefix when text starts with it (ASCII case folded), else null.
const char* AfterPrefix(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix)
    if (Fold(*text) != Fold(*prefix)) return nullptr;
  return text;
}

// Takes one blank-delimited word when it is the expected one.
bool TakeWord(const char*& text, const char* word) {
  const char* rest = AfterPrefix(text, word);
  if (rest == nullptr || (*rest != '\0' && !IsBlank(*rest))) return false;
  text = SkipBlanks(rest);
  return true;
}

// Whether the text from `begin` to `end` ends with `suffix`, case folded.
bool EndsWith(const char* begin, const char* end, const char* suffix) {
  size_t length = 0;
  while (suffix[length] != '\0') ++length;
  if (static_cast<size_t>(end - begin) < length) return false;
  return AfterPrefix(end - length, suffix) == end;
}

const char* FileNameOf(const char* path) {
  const char* name = path;
  for (const char* p = path; *p != '\0'; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  return name;
}

// Add/Remove Programs runs the path unquoted, spaces and all, so the C
// runtime's argument split cannot find where the program ends. A quoted path
// ends at its quote; an unquoted one is the program's own path when the line
// starts with it, and otherwise (a short-name form, say) ends at the first
// blank after the program's file name (any ".exe" without a module path), so
// that no word between the program and its switch slips through.
const char* ArgumentTail(const char* line, const char* modulePath) {
  line = SkipBlanks(line);
  if (*line == '"') {
    const char* p = line + 1;
    while (*p != '\0' && *p != '"') ++p;
    return *p == '"' ? p + 1 : p;
  }
  if (modulePath != nullptr && *modulePath != '\0') {
    const char* rest = AfterPrefix(line, modulePath);
    if (rest != nullptr && (*rest == '\0' || IsBlank(*rest))) return rest;
  }
  const bool named = modulePath != nullptr && *FileNameOf(modulePath) != '\0';
  const char* name = named ? FileNameOf(modulePath) : ".exe";
  for (const char* p = line; *p != '\0'; ++p)
    if (IsBlank(*p) && EndsWith(line, p, name)) return p;
  while (*line != '\0') ++line;
  return line;
}

}  // namespace

UninstallRequest ParseUninstallCommand(const char* commandLine, const char* modulePath) {
  if (commandLine == nullptr) return UninstallRequest::kUsage;
  const char* tail = SkipBlanks(ArgumentTail(commandLine, modulePath));
  if (!TakeWord(tail, "/uninstall")) return UninstallRequest::kUsage;
  if (*tail == '\0') return UninstallRequest::kUninstall;
  if (TakeWord(tail, "/quiet") && *tail == '\0') return UninstallRequest::kUninstallQuiet;
  return UninstallRequest::kUsage;
}
