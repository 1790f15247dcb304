#include "counts/json.h"

#include <cstdio>
#include <cstdlib>

namespace bench {
namespace {

class Parser {
 public:
  explicit Parser(const std::string& text) : s_(text) {}

  bool Document(Json& out, std::string& error) {
    bool ok = Value(out, 0);
    Space();
    if (ok && i_ != s_.size()) ok = Fail("trailing text");
    if (!ok) error = error_ + " at offset " + std::to_string(i_);
    return ok;
  }

 private:
  bool Fail(const char* what) {
    if (error_.empty()) error_ = what;
    return false;
  }
  void Space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t'))
      ++i_;
  }
  bool Eat(char c) {
    Space();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool Word(const char* w) {
    size_t n = std::char_traits<char>::length(w);
    if (s_.compare(i_, n, w) != 0) return false;
    i_ += n;
    return true;
  }

  bool StringValue(std::string& out) {
    if (!Eat('"')) return Fail("string expected");
    while (i_ < s_.size() && s_[i_] != '"') {
      char c = s_[i_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size()) return Fail("bad escape");
      char e = s_[i_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          if (i_ + 4 > s_.size()) return Fail("bad escape");
          unsigned long code = std::strtoul(s_.substr(i_, 4).c_str(), nullptr, 16);
          i_ += 4;
          if (code > 0xFF) return Fail("only single-byte escapes are read");
          out += static_cast<char>(code);
          break;
        }
        default: out += e;
      }
    }
    if (i_ >= s_.size()) return Fail("unterminated string");
    ++i_;
    return true;
  }

  bool Value(Json& out, int depth) {
    if (depth > 32) return Fail("nested too deep");
    Space();
    if (i_ >= s_.size()) return Fail("value expected");
    char c = s_[i_];
    if (c == '{') {
      ++i_;
      out.type = Json::Object;
      if (Eat('}')) return true;
      do {
        std::pair<std::string, Json> member;
        if (!StringValue(member.first) || !Eat(':') || !Value(member.second, depth + 1))
          return Fail("member expected");
        out.members.push_back(std::move(member));
      } while (Eat(','));
      return Eat('}') || Fail("} expected");
    }
    if (c == '[') {
      ++i_;
      out.type = Json::Array;
      if (Eat(']')) return true;
      do {
        out.items.emplace_back();
        if (!Value(out.items.back(), depth + 1)) return false;
      } while (Eat(','));
      return Eat(']') || Fail("] expected");
    }
    if (c == '"') {
      out.type = Json::String;
      return StringValue(out.text);
    }
    if (Word("true") || Word("false")) {
      out.type = Json::Bool;
      out.flag = s_[i_ - 1] == 'e' && s_[i_ - 2] == 'u';
      return true;
    }
    if (Word("null")) return true;
    const char* begin = s_.c_str() + i_;
    char* end = nullptr;
    out.number = std::strtod(begin, &end);
    if (end == begin) return Fail("value expected");
    out.type = Json::Number;
    i_ += static_cast<size_t>(end - begin);
    return true;
  }

  const std::string& s_;
  size_t i_ = 0;
  std::string error_;
};

}  // namespace

const Json* Json::Find(const std::string& name) const {
  for (const auto& m : members)
    if (m.first == name) return &m.second;
  return nullptr;
}

bool ParseJson(const std::string& text, Json& out, std::string& error) {
  out = Json();
  return Parser(text).Document(out, error);
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u > 0x7E) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace bench
