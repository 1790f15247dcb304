#include "json_writer.h"

#include <cstdio>

std::string JsonEscape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

void JsonWriter::Indent() {
  if (oneLine_) return;
  text_ += '\n';
  text_.append(2 * empty_.size(), ' ');
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (empty_.empty()) return;
  if (!empty_.back()) text_ += oneLine_ ? ", " : ",";
  empty_.back() = false;
  Indent();
}

JsonWriter& JsonWriter::Key(const std::string& name) {
  BeforeValue();
  text_ += '"' + JsonEscape(name) + "\": ";
  afterKey_ = true;
  return *this;
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  text_ += bracket;
  empty_.push_back(true);
}

void JsonWriter::Close(char bracket) {
  bool wasEmpty = empty_.back();
  empty_.pop_back();
  if (!wasEmpty) Indent();
  text_ += bracket;
  if (empty_.empty()) text_ += '\n';
}

void JsonWriter::String(const std::string& value) {
  BeforeValue();
  text_ += '"' + JsonEscape(value) + '"';
}

void JsonWriter::Number(uint64_t value) {
  BeforeValue();
  text_ += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  text_ += value ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  text_ += "null";
}

void JsonWriter::OptionalString(const std::optional<std::string>& value) {
  if (value)
    String(*value);
  else
    Null();
}
