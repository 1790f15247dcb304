// Just enough of C++ to find the places that record tracked codes: tokens
// without comments, strings or preprocessor lines, and function definitions
// with their parameters and bodies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Token {
  enum Kind { kIdent, kNumber, kPunct, kText };
  Kind kind;
  std::string text;
  int line;
};

std::vector<Token> Tokenize(const std::string& source);

// The value of an integer literal (hexadecimal, octal or decimal, any suffix).
std::optional<uint64_t> LiteralValue(const std::string& text);
bool IsHexLiteral(const Token& token);

struct Parameter {
  std::string name;
  std::vector<Token> defaultValue;  // empty without a default
};

struct Function {
  std::string name;  // the last part of a qualified name
  std::vector<Parameter> parameters;
  size_t bodyOpen = 0;   // index of "{"
  size_t bodyClose = 0;  // index of the matching "}"
};

// Every function definition, in source order; nested lambdas belong to the
// function around them.
std::vector<Function> FindFunctions(const std::vector<Token>& tokens);

// Index of the bracket that closes the one at `open`, or tokens.size().
size_t MatchingClose(const std::vector<Token>& tokens, size_t open);
// Index of the bracket that opens the one at `close`, or tokens.size().
size_t MatchingOpen(const std::vector<Token>& tokens, size_t close);

// The arguments between the parenthesis at `open` and its match, split at
// top-level commas.
std::vector<std::vector<Token>> SplitArguments(const std::vector<Token>& tokens, size_t open);
