#include "tracked_code_table.h"

#include <cstdlib>

namespace {

const char kHeader[] = "site\tcode\tlist\toperation\taction\tcondition\tadvice";
const int kColumns = 7;

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == '\t')
      fields.emplace_back();
    else
      fields.back() += c;
  }
  return fields;
}

// A number of at most 16 bits, in hexadecimal with "0x" or in decimal.
bool ParseNumber(const std::string& text, bool hexRequired, uint16_t* value) {
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hexRequired && !hex) return false;
  const char* digits = text.c_str() + (hex ? 2 : 0);
  if (*digits == '\0' || *digits == '+' || *digits == '-' || *digits == ' ') return false;
  char* end = nullptr;
  unsigned long parsed = std::strtoul(digits, &end, hex ? 16 : 10);
  if (*end != '\0' || parsed > 0xFFFF) return false;
  *value = static_cast<uint16_t>(parsed);
  return true;
}

std::string LineError(int line, const std::string& what) {
  return "line " + std::to_string(line) + ": " + what;
}

}  // namespace

bool TrackedCodeTable::Parse(const std::string& text, std::string* error) {
  rows_.clear();
  bool headerSeen = false;
  int lineNumber = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (!headerSeen) {
      if (line != kHeader) {
        *error = LineError(lineNumber, "the header row is missing");
        return false;
      }
      headerSeen = true;
      continue;
    }
    std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() != kColumns) {
      *error = LineError(lineNumber, "expected 7 tab-separated columns, found " +
                                         std::to_string(fields.size()));
      return false;
    }
    for (const std::string& field : fields) {
      if (field.empty()) {
        *error = LineError(lineNumber, "a column is empty");
        return false;
      }
    }
    TrackedCodeRow row;
    if (!ParseNumber(fields[0], true, &row.site) || row.site == 0) {
      *error = LineError(lineNumber, "the site is not a non-zero hexadecimal number: " + fields[0]);
      return false;
    }
    if (!ParseNumber(fields[1], false, &row.code) || row.code == 0) {
      *error = LineError(lineNumber, "the code is not a non-zero 16-bit number: " + fields[1]);
      return false;
    }
    if (fields[2] != "failure" && fields[2] != "outcome") {
      *error = LineError(lineNumber, "the list is neither failure nor outcome: " + fields[2]);
      return false;
    }
    row.outcome = fields[2] == "outcome";
    if (Find(row.site, row.code) != nullptr) {
      *error = LineError(lineNumber, "the pair " + fields[0] + "/" + fields[1] + " is listed twice");
      return false;
    }
    row.operation = fields[3];
    row.action = fields[4];
    row.condition = fields[5];
    row.advice = fields[6];
    rows_.push_back(row);
  }
  if (!headerSeen) {
    *error = "the table is empty";
    return false;
  }
  return true;
}

const TrackedCodeRow* TrackedCodeTable::Find(uint16_t site, uint16_t code) const {
  for (const TrackedCodeRow& row : rows_)
    if (row.site == site && row.code == code) return &row;
  return nullptr;
}

DecodedCode TrackedCodeTable::Decode(uint32_t tracked) const {
  DecodedCode decoded;
  decoded.site = static_cast<uint16_t>(tracked >> 16);
  decoded.code = static_cast<uint16_t>(tracked & 0xFFFF);
  decoded.row = Find(decoded.site, decoded.code);
  if (decoded.row != nullptr) return decoded;
  // A failed preparation turns restart-needed entries into 1010, and the run
  // that goes ahead after three in-use refusals turns in-use entries into 0.
  if (decoded.code == 1010) {
    decoded.row = Find(decoded.site, 1001);
    if (decoded.row != nullptr)
      decoded.rewrite = "recorded as 1001 while setup checked the components; the checks failed, so nothing was changed";
  } else if (decoded.code == 0) {
    decoded.row = Find(decoded.site, 1002);
    if (decoded.row != nullptr)
      decoded.rewrite = "recorded as 1002; after three refused runs in a row this run went ahead and left the file to the next restart";
  }
  return decoded;
}
