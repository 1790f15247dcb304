#include "codes/source_tokens.h"

#include <cctype>
#include <cstdlib>
#include <set>

namespace {

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

const char* const kTwoCharPuncts[] = {"::", "->", "&&", "||", "==", "!=", "<=", ">=",
                                      "<<", ">>", "++", "--", "+=", "-=", "|=", "&="};

bool IsOpen(const std::string& t) { return t == "(" || t == "[" || t == "{"; }
bool IsClose(const std::string& t) { return t == ")" || t == "]" || t == "}"; }

// Keywords that put parentheses before a block without being a function.
const std::set<std::string>& ControlWords() {
  static const std::set<std::string> words = {"if",    "while",  "for",      "switch",
                                              "catch", "sizeof", "decltype", "alignas"};
  return words;
}

const std::set<std::string>& Qualifiers() {
  static const std::set<std::string> words = {"const", "override", "final", "noexcept",
                                              "volatile", "&", "&&"};
  return words;
}

class Lexer {
 public:
  explicit Lexer(const std::string& source) : s_(source) {}

  std::vector<Token> Run() {
    bool lineStart = true;
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == '\n') {
        ++line_;
        ++i_;
        lineStart = true;
        continue;
      }
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++i_;
        continue;
      }
      if (c == '#' && lineStart) {
        SkipDirective();
        continue;
      }
      lineStart = false;
      if (c == '/' && Next() == '/') {
        while (i_ < s_.size() && s_[i_] != '\n') ++i_;
      } else if (c == '/' && Next() == '*') {
        SkipBlockComment();
      } else if (IsRawStringStart()) {
        SkipRawString();
      } else if (c == '"' || c == '\'') {
        SkipQuoted(c);
      } else if (IsIdentStart(c)) {
        size_t start = i_;
        while (i_ < s_.size() && IsIdentChar(s_[i_])) ++i_;
        // An encoding prefix belongs to the literal after it.
        if (i_ < s_.size() && (s_[i_] == '"' || s_[i_] == '\'') && IsEncodingPrefix(start)) continue;
        Emit(Token::kIdent, s_.substr(start, i_ - start));
      } else if (std::isdigit(static_cast<unsigned char>(c))) {
        size_t start = i_;
        while (i_ < s_.size() && (IsIdentChar(s_[i_]) || s_[i_] == '.' || s_[i_] == '\'')) ++i_;
        std::string text;
        for (size_t k = start; k < i_; ++k)
          if (s_[k] != '\'') text += s_[k];  // digit separators
        Emit(Token::kNumber, text);
      } else {
        std::string two = s_.substr(i_, 2);
        bool pair = false;
        for (const char* p : kTwoCharPuncts) pair = pair || two == p;
        Emit(Token::kPunct, pair ? two : std::string(1, c));
        i_ += pair ? 2 : 1;
      }
    }
    return std::move(tokens_);
  }

 private:
  char Next() const { return i_ + 1 < s_.size() ? s_[i_ + 1] : '\0'; }

  void Emit(Token::Kind kind, std::string text) { tokens_.push_back({kind, std::move(text), line_}); }

  bool IsEncodingPrefix(size_t start) const {
    std::string prefix = s_.substr(start, i_ - start);
    return prefix == "L" || prefix == "u" || prefix == "U" || prefix == "u8";
  }

  void SkipDirective() {
    while (i_ < s_.size() && s_[i_] != '\n') {
      if (s_[i_] == '\\' && Next() == '\n') {
        ++line_;
        ++i_;
      } else if (s_[i_] == '/' && Next() == '*') {
        SkipBlockComment();
        continue;
      }
      ++i_;
    }
  }

  void SkipBlockComment() {
    i_ += 2;
    while (i_ < s_.size() && !(s_[i_] == '*' && Next() == '/')) {
      if (s_[i_] == '\n') ++line_;
      ++i_;
    }
    i_ += 2;
  }

  bool IsRawStringStart() const {
    size_t k = i_;
    while (k < s_.size() && k < i_ + 2 && (s_[k] == 'u' || s_[k] == 'U' || s_[k] == 'L' || s_[k] == '8'))
      ++k;
    return k + 1 < s_.size() && s_[k] == 'R' && s_[k + 1] == '"' &&
           (i_ == 0 || !IsIdentChar(s_[i_ - 1]));
  }

  void SkipRawString() {
    size_t quote = s_.find('"', i_);
    size_t paren = s_.find('(', quote);
    std::string end = ")" + s_.substr(quote + 1, paren - quote - 1) + "\"";
    size_t close = s_.find(end, paren);
    size_t stop = close == std::string::npos ? s_.size() : close + end.size();
    Emit(Token::kText, "\"\"");
    for (size_t k = i_; k < stop; ++k)
      if (s_[k] == '\n') ++line_;
    i_ = stop;
  }

  void SkipQuoted(char quote) {
    ++i_;
    while (i_ < s_.size() && s_[i_] != quote && s_[i_] != '\n') i_ += s_[i_] == '\\' ? 2 : 1;
    ++i_;
    Emit(Token::kText, std::string(2, quote));
  }

  const std::string& s_;
  size_t i_ = 0;
  int line_ = 1;
  std::vector<Token> tokens_;
};

// The identifier before the parenthesis group that ends at `close`, skipping
// back over a constructor's initializer list; npos when there is none.
size_t FunctionNameBefore(const std::vector<Token>& tokens, size_t close) {
  while (true) {
    size_t open = MatchingOpen(tokens, close);
    if (open == tokens.size() || open == 0) return std::string::npos;
    size_t name = open - 1;
    size_t first = name;  // start of a qualified name
    if (name >= 1 && tokens[name].kind == Token::kPunct && tokens[name - 1].text == "operator")
      first = name - 1;  // an operator: its name is its symbol
    else if (tokens[name].kind != Token::kIdent || ControlWords().count(tokens[name].text))
      return std::string::npos;
    while (first >= 2 && tokens[first - 1].text == "::" && tokens[first - 2].kind == Token::kIdent)
      first -= 2;
    if (first < 2) return tokens[open].text == "(" ? name : std::string::npos;
    const std::string& before = tokens[first - 1].text;
    size_t previous = first - 2;
    if (before == ":") {
      // After a parameter list the colon starts an initializer list; after
      // anything else it ends a label such as "public:".
      while (previous > 0 && Qualifiers().count(tokens[previous].text)) --previous;
      if (tokens[previous].text != ")") return tokens[open].text == "(" ? name : std::string::npos;
      close = previous;
    } else if (before == ",") {
      if (!IsClose(tokens[previous].text)) return std::string::npos;
      close = previous;  // the initializer before this one
    } else {
      return tokens[open].text == "(" ? name : std::string::npos;
    }
  }
}

std::vector<Parameter> ParseParameters(const std::vector<Token>& tokens, size_t open) {
  std::vector<Parameter> parameters;
  for (std::vector<Token>& piece : SplitArguments(tokens, open)) {
    if (piece.empty() || (piece.size() == 1 && piece[0].text == "void")) continue;
    Parameter p;
    size_t end = piece.size();
    for (size_t k = 0; k < piece.size(); ++k) {
      if (piece[k].text == "=") {
        end = k;
        p.defaultValue.assign(piece.begin() + static_cast<long>(k) + 1, piece.end());
        break;
      }
    }
    for (size_t k = end; k-- > 0;) {
      if (piece[k].kind == Token::kIdent) {
        p.name = piece[k].text;
        break;
      }
    }
    parameters.push_back(p);
  }
  return parameters;
}

}  // namespace

std::vector<Token> Tokenize(const std::string& source) { return Lexer(source).Run(); }

std::optional<uint64_t> LiteralValue(const std::string& text) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return std::nullopt;
  char* end = nullptr;
  uint64_t value = std::strtoull(text.c_str(), &end, 0);
  for (; *end != '\0'; ++end)
    if (*end != 'u' && *end != 'U' && *end != 'l' && *end != 'L') return std::nullopt;
  return value;
}

bool IsHexLiteral(const Token& token) {
  return token.kind == Token::kNumber && token.text.size() > 2 && token.text[0] == '0' &&
         (token.text[1] == 'x' || token.text[1] == 'X') && LiteralValue(token.text).has_value();
}

size_t MatchingClose(const std::vector<Token>& tokens, size_t open) {
  int depth = 0;
  for (size_t k = open; k < tokens.size(); ++k) {
    if (tokens[k].kind != Token::kPunct) continue;
    if (IsOpen(tokens[k].text)) ++depth;
    if (IsClose(tokens[k].text) && --depth == 0) return k;
  }
  return tokens.size();
}

size_t MatchingOpen(const std::vector<Token>& tokens, size_t close) {
  int depth = 0;
  for (size_t k = close + 1; k-- > 0;) {
    if (tokens[k].kind != Token::kPunct) continue;
    if (IsClose(tokens[k].text)) ++depth;
    if (IsOpen(tokens[k].text) && --depth == 0) return k;
  }
  return tokens.size();
}

std::vector<std::vector<Token>> SplitArguments(const std::vector<Token>& tokens, size_t open) {
  std::vector<std::vector<Token>> arguments;
  size_t close = MatchingClose(tokens, open);
  if (close == tokens.size() || close == open + 1) return arguments;
  arguments.emplace_back();
  int depth = 0;
  for (size_t k = open + 1; k < close; ++k) {
    const Token& t = tokens[k];
    if (t.kind == Token::kPunct && IsOpen(t.text)) ++depth;
    if (t.kind == Token::kPunct && IsClose(t.text)) --depth;
    if (depth == 0 && t.text == ",")
      arguments.emplace_back();
    else
      arguments.back().push_back(t);
  }
  return arguments;
}

std::vector<Function> FindFunctions(const std::vector<Token>& tokens) {
  std::vector<Function> functions;
  for (size_t k = 0; k < tokens.size(); ++k) {
    if (tokens[k].text != "{" || tokens[k].kind != Token::kPunct || k == 0) continue;
    size_t close = k - 1;
    while (close > 0 && Qualifiers().count(tokens[close].text)) --close;
    if (tokens[close].text == ")" && close > 0) {
      // `noexcept(...)` before the body is a qualifier too.
      size_t open = MatchingOpen(tokens, close);
      if (open != tokens.size() && open > 0 && tokens[open - 1].text == "noexcept") close = open - 2;
    }
    if (tokens[close].text != ")") continue;
    size_t name = FunctionNameBefore(tokens, close);
    if (name == std::string::npos) continue;
    Function f;
    f.name = tokens[name].text;
    f.parameters = ParseParameters(tokens, name + 1);
    f.bodyOpen = k;
    f.bodyClose = MatchingClose(tokens, k);
    functions.push_back(f);
    k = f.bodyClose;  // what lies inside belongs to this function
  }
  return functions;
}
