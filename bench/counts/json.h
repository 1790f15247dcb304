// Just enough JSON for the bench files: objects, arrays, strings, numbers.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace bench {

struct Json {
  enum Type { Null, Bool, Number, String, Array, Object } type = Null;
  double number = 0;
  bool flag = false;
  std::string text;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  // The member of an object by name, or null when there is none.
  const Json* Find(const std::string& name) const;
};

// Parses the whole text; on failure says where in `error`.
bool ParseJson(const std::string& text, Json& out, std::string& error);
// The text as a JSON string literal.
std::string Quote(const std::string& text);

}  // namespace bench
