#include "pending_operations.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  size_t last = text.find_last_not_of(" \t\r");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

}  // namespace

std::vector<PendingOperation> ParseRenamePairs(const std::vector<uint8_t>& data) {
  std::vector<std::string> strings;
  size_t start = 0;
  for (size_t k = 0; k < data.size(); ++k) {
    if (data[k] != 0) continue;
    strings.emplace_back(data.begin() + static_cast<long>(start), data.begin() + static_cast<long>(k));
    start = k + 1;
  }
  // A value written without its final NUL still holds its last string.
  if (start < data.size())
    strings.emplace_back(data.begin() + static_cast<long>(start), data.end());
  // The list ends with an empty string where a source would begin.
  std::vector<PendingOperation> operations;
  // A last source cut off from its target still waits for the restart: it is
  // shown, with the missing target read as empty.
  for (size_t k = 0; k < strings.size(); k += 2) {
    if (strings[k].empty()) break;
    operations.push_back({strings[k], k + 1 < strings.size() ? strings[k + 1] : std::string()});
  }
  return operations;
}

std::vector<PendingOperation> ParseWininitRenames(const std::string& text) {
  std::vector<PendingOperation> operations;
  bool inRename = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      inRename = Upper(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)) ==
                 "RENAME";
      continue;
    }
    size_t equals = line.find('=');
    if (!inRename || equals == std::string::npos) continue;
    std::string target = Trim(line.substr(0, equals));
    std::string source = Trim(line.substr(equals + 1));
    if (source.empty()) continue;
    operations.push_back({source, Upper(target) == "NUL" ? std::string() : target});
  }
  return operations;
}

std::vector<PendingOperation> ConcerningPaths(const std::vector<PendingOperation>& operations,
                                              const std::vector<std::string>& paths) {
  std::vector<PendingOperation> found;
  for (const PendingOperation& op : operations) {
    std::string source = Upper(op.source), target = Upper(op.target);
    for (const std::string& path : paths) {
      std::string p = Upper(path);
      if (!p.empty() && (source.find(p) != std::string::npos || target.find(p) != std::string::npos)) {
        found.push_back(op);
        break;
      }
    }
  }
  return found;
}
