#include "restart_work.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <fstream>

#include "registry.h"

namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string Trimmed(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r");
  size_t end = text.find_last_not_of(" \t\r");
  return begin == std::string::npos ? "" : text.substr(begin, end - begin + 1);
}

}  // namespace

std::optional<PathPairs> PendingRenames() {
  return ReadStringPairs(kSessionManagerKey, "PendingFileRenameOperations");
}

std::optional<PathPairs> WininitRenames(const std::string& path) {
  std::ifstream file(path);
  if (!file) return std::nullopt;
  PathPairs entries;
  bool inRename = false;
  std::string line;
  while (std::getline(file, line)) {
    line = Trimmed(line);
    if (!line.empty() && line[0] == '[') {
      inRename = Upper(line) == "[RENAME]";
    } else if (inRename && line.find('=') != std::string::npos) {
      size_t equals = line.find('=');
      entries.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
  }
  return entries;
}

bool ContainsPath(const std::string& text, const std::string& path) {
  return Upper(text).find(Upper(path)) != std::string::npos;
}

bool SamePath(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }
