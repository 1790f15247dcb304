#pragma once

#include <memory>
#include <vector>

// A small INI model, enough to read and rewrite WININIT.INI: sections in file
// order, each with its key=value entries in file order. Keys need not be
// unique; section names compare without regard to case.

class IniEntry {
 public:
  IniEntry(const char* keyText, const char* valueText);
  virtual ~IniEntry() = default;
  IniEntry(const IniEntry&) = delete;
  IniEntry& operator=(const IniEntry&) = delete;

  const char* Key() const { return key.get(); }      // null once cleared
  const char* Value() const { return value.get(); }  // null once cleared
  // Frees both texts; a cleared entry stays in its section but is not written.
  void Clear();

 private:
  std::unique_ptr<char[]> key;
  std::unique_ptr<char[]> value;
};

class IniSection {
 public:
  explicit IniSection(const char* name);
  virtual ~IniSection() = default;
  IniSection(const IniSection&) = delete;
  IniSection& operator=(const IniSection&) = delete;

  const char* Name() const { return sectionName.get(); }
  // Appends an entry; null when either text is null.
  IniEntry* AddEntry(const char* key, const char* value);
  const std::vector<std::unique_ptr<IniEntry>>& Entries() const { return entries; }

 private:
  std::unique_ptr<char[]> sectionName;
  std::vector<std::unique_ptr<IniEntry>> entries;
};

class IniDocument {
 public:
  IniDocument();
  virtual ~IniDocument() = default;
  IniDocument(const IniDocument&) = delete;
  IniDocument& operator=(const IniDocument&) = delete;

  // Replaces the content with what the file holds. A file that cannot be
  // read leaves the document empty but remembers its path, so that Save
  // creates it.
  void Load(const char* filePath);
  // Writes to filePath, or to the loaded path when it is null.
  bool Save(const char* filePath);
  IniSection* FindSection(const char* name);
  // Appends an empty section when there is none; null for a null name.
  IniSection* FindOrAddSection(const char* name);

  const char* Path() const { return path; }
  const std::vector<std::unique_ptr<IniSection>>& Sections() const { return sections; }

 private:
  void ReadLine(char* line, IniSection** current);

  char path[260];  // at most 259 characters
  std::vector<std::unique_ptr<IniSection>> sections;
};
