#include "components/ini_document.h"

#include <cstring>

#include "components/scoped_crt_file.h"
#include "platform/string.h"

namespace {

std::unique_ptr<char[]> Copy(const char* text) {
  if (text == nullptr) return nullptr;
  size_t size = std::strlen(text) + 1;
  std::unique_ptr<char[]> copy(new char[size]);
  std::memcpy(copy.get(), text, size);
  return copy;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

IniEntry::IniEntry(const char* keyText, const char* valueText)
    : key(Copy(keyText)), value(Copy(valueText)) {}

void IniEntry::Clear() {
  key.reset();
  value.reset();
}

IniSection::IniSection(const char* name) : sectionName(Copy(name)) {}

IniEntry* IniSection::AddEntry(const char* key, const char* value) {
  if (key == nullptr || value == nullptr) return nullptr;
  entries.push_back(std::make_unique<IniEntry>(key, value));
  return entries.back().get();
}

IniDocument::IniDocument() { path[0] = '\0'; }

void IniDocument::Load(const char* filePath) {
  sections.clear();
  if (filePath == nullptr) return;
  if (filePath != path) {
    std::strncpy(path, filePath, sizeof path - 1);
    path[sizeof path - 1] = '\0';
  }
  ScopedCrtFile file(CrtOpen(filePath, "rt"));
  if (!file.IsOpen()) return;
  IniSection* current = nullptr;
  char line[512];
  while (CrtReadLine(line, sizeof line, file.Get()) != nullptr) {
    char* newline = std::strchr(line, '\n');
    // A chunk of an over-long line is dropped; its rest reads as a line.
    if (newline == nullptr && !CrtAtEnd(file.Get())) continue;
    if (newline != nullptr) *newline = '\0';
    ReadLine(line, &current);
  }
}

void IniDocument::ReadLine(char* line, IniSection** current) {
  char* p = line;
  while (IsBlank(*p)) ++p;
  if (*p == '\0') return;
  if (*p == '[') {
    ++p;
    while (*p == ']') ++p;
    if (char* end = std::strchr(p, ']')) *end = '\0';
    if (*p != '\0') *current = FindOrAddSection(p);
    return;
  }
  if (*current == nullptr) return;
  while (IsBlank(*p) || *p == '=') ++p;
  char* separator = p + std::strcspn(p, " \t=");
  if (*separator == '\0' || separator[1] == '\0') return;  // a line without a value
  *separator = '\0';
  (*current)->AddEntry(p, separator + 1);
}

bool IniDocument::Save(const char* filePath) {
  if (filePath == nullptr) {
    if (path[0] == '\0') return false;
    filePath = path;
  }
  ScopedCrtFile file(CrtOpen(filePath, "wt"));
  if (!file.IsOpen()) return false;
  for (const auto& section : sections) {
    if (section->Name() == nullptr) continue;
    CrtPrint(file.Get(), "[%s]\n", section->Name());
    for (const auto& entry : section->Entries())
      if (entry->Key() != nullptr && entry->Value() != nullptr)
        CrtPrint(file.Get(), "%s=%s\n", entry->Key(), entry->Value());
  }
  return true;
}

IniSection* IniDocument::FindSection(const char* name) {
  if (name == nullptr) return nullptr;
  for (const auto& section : sections)
    if (section->Name() != nullptr && EqualNoCase(section->Name(), name)) return section.get();
  return nullptr;
}

IniSection* IniDocument::FindOrAddSection(const char* name) {
  if (name == nullptr) return nullptr;
  if (IniSection* found = FindSection(name)) return found;
  sections.push_back(std::make_unique<IniSection>(name));
  return sections.back().get();
}
