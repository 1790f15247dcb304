// Writes JSON text with two-space indentation. Strings must be UTF-8.
#pragma once

// The version of the JSON that status and errors write: raised when a key
// changes its meaning or type or goes away.
constexpr int kJsonSchemaVersion = 1;

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class JsonWriter {
 public:
  // One line, for JSON lines output.
  explicit JsonWriter(bool oneLine = false) : oneLine_(oneLine) {}
  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // The name of the next member of an object.
  JsonWriter& Key(const std::string& name);

  void String(const std::string& value);
  void Number(uint64_t value);
  void Bool(bool value);
  void Null();
  // A string, or null when there is none.
  void OptionalString(const std::optional<std::string>& value);

  // The text written so far, ending in a newline once the outer value is closed.
  const std::string& Text() const { return text_; }

 private:
  void Open(char bracket);
  void Close(char bracket);
  void BeforeValue();
  void Indent();

  std::string text_;
  std::vector<bool> empty_;  // per open level: nothing written into it yet
  bool afterKey_ = false;
  bool oneLine_;
};

// `text` with the characters JSON requires escaped.
std::string JsonEscape(const std::string& text);
