#include "codes/recording_scan.h"

#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "codes/source_tokens.h"

namespace {

using Tokens = std::vector<Token>;

// A function that records: where its site and its code come from.
struct Recorder {
  std::string name;
  std::optional<uint16_t> fixedSite;
  size_t siteParam = 0;
  std::optional<uint16_t> fixedCode;
  size_t codeParam = 0;
  Tokens codeDefault;
  bool outcome = false;

  auto Key() const {
    return std::make_tuple(name, fixedSite, fixedSite ? 0 : siteParam, fixedCode,
                           fixedCode ? 0 : codeParam, outcome);
  }
};

struct ParsedFile {
  const SourceFile* source;
  Tokens tokens;
  std::vector<Function> functions;
};

// Where a value comes from: a number, or a parameter of the function around.
struct Origin {
  std::optional<uint16_t> value;
  std::optional<size_t> parameter;
};

struct Context {
  const ParsedFile* file;
  const Function* function;
  size_t call;  // index of the recording call's name
};

Tokens StripParentheses(Tokens expr) {
  while (expr.size() >= 2 && expr.front().text == "(" && expr.back().text == ")") {
    size_t close = MatchingClose(expr, 0);
    if (close != expr.size() - 1) break;
    expr = Tokens(expr.begin() + 1, expr.end() - 1);
  }
  return expr;
}

// Splits `c ? a : b` at depth 0; false when the expression is no conditional.
bool SplitConditional(const Tokens& expr, Tokens* whenTrue, Tokens* whenFalse) {
  int depth = 0, nested = 0;
  size_t question = expr.size();
  for (size_t k = 0; k < expr.size(); ++k) {
    const std::string& t = expr[k].text;
    if (t == "(" || t == "[" || t == "{") ++depth;
    if (t == ")" || t == "]" || t == "}") --depth;
    if (depth != 0) continue;
    if (t == "?") {
      if (question == expr.size())
        question = k;
      else
        ++nested;
    } else if (t == ":" && question != expr.size()) {
      if (nested > 0) {
        --nested;
        continue;
      }
      whenTrue->assign(expr.begin() + static_cast<long>(question) + 1, expr.begin() + static_cast<long>(k));
      whenFalse->assign(expr.begin() + static_cast<long>(k) + 1, expr.end());
      return true;
    }
  }
  return false;
}

std::string Where(const ParsedFile& file, int line) {
  return file.source->name + ":" + std::to_string(line);
}

// The tokens of the expression that starts at `begin` and ends at the next
// top-level semicolon.
Tokens ExpressionAt(const Tokens& tokens, size_t begin, size_t limit) {
  Tokens expr;
  int depth = 0;
  for (size_t k = begin; k < limit; ++k) {
    const std::string& t = tokens[k].text;
    if (t == "(" || t == "[" || t == "{") ++depth;
    if (t == ")" || t == "]" || t == "}") --depth;
    if (depth < 0 || (depth == 0 && t == ";")) break;
    expr.push_back(tokens[k]);
  }
  return expr;
}

size_t EnclosingOpen(const Tokens& tokens, size_t from) {
  int depth = 0;
  for (size_t k = from; k-- > 0;) {
    if (tokens[k].text == "}") ++depth;
    if (tokens[k].text == "{" && depth-- == 0) return k;
  }
  return 0;
}

bool IsStatementStart(const Tokens& tokens, size_t k) {
  if (k == 0) return true;
  const std::string& t = tokens[k - 1].text;
  return t == ";" || t == "{" || t == "}" || t == ":";
}

class Scanner {
 public:
  explicit Scanner(const std::vector<SourceFile>& sources) {
    for (const SourceFile& source : sources) {
      ParsedFile file;
      file.source = &source;
      file.tokens = Tokenize(source.text);
      file.functions = FindFunctions(file.tokens);
      files_.push_back(std::move(file));
    }
    for (const ParsedFile& file : files_) {
      CollectConstants(file);
      CollectLiterals(file);
      for (const Function& f : file.functions) functionsByName_[f.name].push_back({&file, &f});
    }
  }

  ScanResult Run() {
    AddRecorder({"RecordFailure", std::nullopt, 0, std::nullopt, 1, {}, false});
    AddRecorder({"RecordOutcome", std::nullopt, 0, std::nullopt, 1, {}, true});
    // New helpers are found while calls are followed; each is then searched for in turn.
    for (size_t r = 0; r < recorders_.size(); ++r) {
      if (recorders_.size() > 200) {
        result_.problems.push_back("too many recording helpers; the scan went in circles");
        break;
      }
      Recorder recorder = recorders_[r];
      for (const ParsedFile& file : files_)
        for (const Function& f : file.functions) FollowCalls(recorder, {&file, &f, 0});
    }
    return std::move(result_);
  }

 private:
  // Named numbers outside function bodies: enumerators and constants.
  void CollectConstants(const ParsedFile& file) {
    const Tokens& t = file.tokens;
    std::vector<bool> inBody(t.size(), false);
    for (const Function& f : file.functions)
      for (size_t k = f.bodyOpen; k <= f.bodyClose && k < t.size(); ++k) inBody[k] = true;
    for (size_t k = 0; k + 3 < t.size(); ++k) {
      if (inBody[k]) continue;
      if (t[k].kind != Token::kIdent || t[k + 1].text != "=" || t[k + 2].kind != Token::kNumber)
        continue;
      const std::string& after = t[k + 3].text;
      if (after != "," && after != ";" && after != "}") continue;
      std::optional<uint64_t> value = LiteralValue(t[k + 2].text);
      if (!value || *value > 0xFFFF) continue;
      auto [it, inserted] = constants_.emplace(t[k].text, static_cast<uint16_t>(*value));
      if (!inserted && it->second != *value) ambiguous_.insert(t[k].text);
    }
  }

  void CollectLiterals(const ParsedFile& file) {
    for (const Token& token : file.tokens) {
      if (!IsHexLiteral(token)) continue;
      std::optional<uint64_t> value = LiteralValue(token.text);
      size_t digits = token.text.find_first_not_of("0123456789abcdefABCDEF", 2);
      digits = (digits == std::string::npos ? token.text.size() : digits) - 2;
      if (value && (digits == 2 || digits == 3) && *value >= 0x20)
        result_.siteLikeLiterals.push_back({static_cast<uint32_t>(*value), Where(file, token.line)});
    }
  }

  void AddRecorder(const Recorder& recorder) {
    if (recorderKeys_.insert(recorder.Key()).second) recorders_.push_back(recorder);
  }

  void Problem(const Context& at, int line, const std::string& what) {
    result_.problems.push_back(Where(*at.file, line) + " in " + at.function->name + ": " + what);
  }

  void FollowCalls(const Recorder& recorder, Context at) {
    const Tokens& t = at.file->tokens;
    for (size_t k = at.function->bodyOpen + 1; k + 1 < at.function->bodyClose; ++k) {
      if (t[k].kind != Token::kIdent || t[k].text != recorder.name || t[k + 1].text != "(") continue;
      at.call = k;
      std::vector<Tokens> args = SplitArguments(t, k + 1);
      Tokens codeExpr = recorder.codeDefault;
      if (!recorder.fixedCode) {
        if (recorder.codeParam < args.size()) codeExpr = args[recorder.codeParam];
        if (codeExpr.empty()) {
          Problem(at, t[k].line, "no code argument for " + recorder.name);
          continue;
        }
      }
      if (recorder.fixedSite) {
        RecordSite(at, *recorder.fixedSite, t[k].line, codeExpr, recorder);
        continue;
      }
      if (recorder.siteParam >= args.size()) {
        Problem(at, t[k].line, "no site argument for " + recorder.name);
        continue;
      }
      FollowSite(at, args[recorder.siteParam], codeExpr, recorder, 0);
    }
  }

  // Follows a site expression back to its literals.
  void FollowSite(const Context& at, Tokens siteExpr, const Tokens& codeExpr,
                  const Recorder& recorder, int depth) {
    int line = at.file->tokens[at.call].line;
    siteExpr = StripParentheses(siteExpr);
    Tokens whenTrue, whenFalse;
    if (depth > 8 || siteExpr.empty()) {
      Problem(at, line, "site expression not understood");
    } else if (SplitConditional(siteExpr, &whenTrue, &whenFalse)) {
      FollowSite(at, whenTrue, codeExpr, recorder, depth + 1);
      FollowSite(at, whenFalse, codeExpr, recorder, depth + 1);
    } else if (siteExpr.size() == 1 && IsHexLiteral(siteExpr[0])) {
      std::optional<uint64_t> value = LiteralValue(siteExpr[0].text);
      if (!value || *value == 0 || *value > 0xFFFF)
        Problem(at, siteExpr[0].line, "site out of range: " + siteExpr[0].text);
      else
        RecordSite(at, static_cast<uint16_t>(*value), siteExpr[0].line, codeExpr, recorder);
    } else if (siteExpr.size() == 1 && siteExpr[0].kind == Token::kIdent) {
      FollowSiteName(at, siteExpr[0], codeExpr, recorder, depth);
    } else {
      Problem(at, line, "site expression not understood");
    }
  }

  void FollowSiteName(const Context& at, const Token& name, const Tokens& codeExpr,
                      const Recorder& recorder, int depth) {
    if (std::optional<size_t> p = ParameterIndex(*at.function, name.text)) {
      // The function around passes its own parameter on: it records too.
      Origin code = recorder.fixedCode ? Origin{recorder.fixedCode, std::nullopt}
                                       : CodeOrigin(at, codeExpr);
      if (!code.value && !code.parameter) {
        Problem(at, name.line, "code of a passed-on site not understood");
        return;
      }
      Recorder helper{at.function->name, std::nullopt, *p, code.value, code.parameter.value_or(0),
                      {}, recorder.outcome};
      if (code.parameter) helper.codeDefault = at.function->parameters[*code.parameter].defaultValue;
      AddRecorder(helper);
      return;
    }
    std::optional<size_t> assigned = LastAssignment(at, name.text);
    if (!assigned) {
      Problem(at, name.line, "site variable " + name.text + " not followed");
      return;
    }
    const Tokens& t = at.file->tokens;
    Tokens value = StripParentheses(ExpressionAt(t, *assigned + 2, at.call));
    if (value.size() >= 3 && value[0].kind == Token::kIdent && value[1].text == "(" &&
        MatchingClose(value, 1) == value.size() - 1) {
      FollowSiteFunction(at, value, codeExpr, recorder);
      return;
    }
    FollowSite(at, value, codeExpr, recorder, depth + 1);
  }

  // The site comes from a call: every value that function returns is a
  // site, and a code it hands back through a pointer is the one set on the
  // way to that return.
  void FollowSiteFunction(const Context& at, const Tokens& call, const Tokens& codeExpr,
                          const Recorder& recorder) {
    int line = call[0].line;
    auto found = functionsByName_.find(call[0].text);
    if (found == functionsByName_.end() || found->second.size() != 1) {
      Problem(at, line, "site function " + call[0].text + " not found once");
      return;
    }
    const auto [file, g] = found->second[0];
    std::optional<std::string> codePointer;
    Tokens code = StripParentheses(codeExpr);
    if (code.size() == 1 && code[0].kind == Token::kIdent && !Constant(code[0].text)) {
      std::vector<Tokens> args = SplitArguments(call, 1);
      for (size_t j = 0; j < args.size() && j < g->parameters.size(); ++j)
        if (args[j].size() == 2 && args[j][0].text == "&" && args[j][1].text == code[0].text)
          codePointer = g->parameters[j].name;
    }
    const Tokens& t = file->tokens;
    Context inside{file, g, 0};
    bool any = false;
    for (size_t k = g->bodyOpen + 1; k < g->bodyClose; ++k) {
      if (t[k].text != "return") continue;
      any = true;
      inside.call = k;
      Tokens returned = StripParentheses(ExpressionAt(t, k + 1, g->bodyClose));
      Tokens returnedCode = codeExpr;
      if (codePointer) {
        std::optional<Tokens> set = CodeSetBefore(t, *g, k, *codePointer);
        if (!set) {
          Problem(inside, t[k].line, "no code set through *" + *codePointer + " before this return");
          continue;
        }
        returnedCode = *set;
      }
      std::vector<Tokens> branches{returned};
      Tokens whenTrue, whenFalse;
      if (SplitConditional(returned, &whenTrue, &whenFalse)) branches = {whenTrue, whenFalse};
      for (const Tokens& branch : branches) {
        Tokens b = StripParentheses(branch);
        std::optional<uint64_t> value = b.size() == 1 && IsHexLiteral(b[0]) ? LiteralValue(b[0].text)
                                                                            : std::nullopt;
        if (!value || *value == 0 || *value > 0xFFFF) {
          Problem(inside, t[k].line, "returned site not understood");
          continue;
        }
        Context codeAt = codePointer ? inside : at;
        RecordSite(codeAt, static_cast<uint16_t>(*value), b[0].line, returnedCode, recorder);
      }
    }
    if (!any) Problem(at, line, "site function " + call[0].text + " returns nothing");
  }

  // The value assigned through `*pointer` that holds at the return at `at`:
  // the last one in the same case of a switch, else the last before the switch.
  std::optional<Tokens> CodeSetBefore(const Tokens& t, const Function& g, size_t at,
                                      const std::string& pointer) {
    for (size_t k = at; k-- > g.bodyOpen + 1;) {
      const Token& token = t[k];
      if (token.text == "}") {
        k = MatchingOpen(t, k);  // a block closed before: not on the way here
        if (k == t.size()) return std::nullopt;
        continue;
      }
      if (token.text == "case" || token.text == "default") {
        k = EnclosingOpen(t, k);  // another case lies before: leave the switch
        continue;
      }
      if (token.text == "*" && k + 2 < at && t[k + 1].text == pointer && t[k + 2].text == "=" &&
          IsStatementStart(t, k))
        return ExpressionAt(t, k + 3, at);
    }
    return std::nullopt;
  }

  void RecordSite(const Context& at, uint16_t site, int line, const Tokens& codeExpr,
                  const Recorder& recorder) {
    if (recorder.fixedCode) {
      result_.places.push_back({site, *recorder.fixedCode, recorder.outcome, Where(*at.file, line)});
      return;
    }
    Origin code = CodeOrigin(at, codeExpr);
    if (code.value) {
      result_.places.push_back({site, *code.value, recorder.outcome, Where(*at.file, line)});
    } else if (code.parameter) {
      // A fixed site with a code chosen by the caller.
      Recorder helper{at.function->name, site, 0, std::nullopt, *code.parameter,
                      at.function->parameters[*code.parameter].defaultValue, recorder.outcome};
      AddRecorder(helper);
    } else {
      Problem(at, line, "code not understood");
    }
  }

  // A code is a number, a named constant, a parameter, or a variable set to one of those.
  Origin CodeOrigin(const Context& at, const Tokens& expr) {
    Tokens code = StripParentheses(expr);
    if (code.size() != 1) return {};
    const Token& token = code[0];
    if (token.kind == Token::kNumber) {
      std::optional<uint64_t> value = LiteralValue(token.text);
      if (value && *value <= 0xFFFF) return {static_cast<uint16_t>(*value), std::nullopt};
      return {};
    }
    if (token.kind != Token::kIdent) return {};
    if (std::optional<uint16_t> value = Constant(token.text)) return {value, std::nullopt};
    if (std::optional<size_t> p = ParameterIndex(*at.function, token.text)) return {std::nullopt, p};
    if (std::optional<size_t> assigned = LastAssignment(at, token.text)) {
      Tokens value = ExpressionAt(at.file->tokens, *assigned + 2, at.call);
      if (value.size() == 1 && value[0].text != token.text) return CodeOrigin(at, value);
    }
    return {};
  }

  std::optional<uint16_t> Constant(const std::string& name) const {
    auto it = constants_.find(name);
    if (it == constants_.end() || ambiguous_.count(name)) return std::nullopt;
    return it->second;
  }

  static std::optional<size_t> ParameterIndex(const Function& f, const std::string& name) {
    for (size_t p = 0; p < f.parameters.size(); ++p)
      if (f.parameters[p].name == name) return p;
    return std::nullopt;
  }

  // The last `name = ...` before the call, inside the same function.
  std::optional<size_t> LastAssignment(const Context& at, const std::string& name) {
    const Tokens& t = at.file->tokens;
    for (size_t k = at.call; k-- > at.function->bodyOpen + 1;)
      if (t[k].kind == Token::kIdent && t[k].text == name && t[k + 1].text == "=") return k;
    return std::nullopt;
  }

  std::vector<ParsedFile> files_;
  std::map<std::string, uint16_t> constants_;
  std::set<std::string> ambiguous_;
  std::map<std::string, std::vector<std::pair<const ParsedFile*, const Function*>>> functionsByName_;
  std::vector<Recorder> recorders_;
  std::set<decltype(Recorder().Key())> recorderKeys_;
  ScanResult result_;
};

}  // namespace

ScanResult ScanRecordingPlaces(const std::vector<SourceFile>& files) { return Scanner(files).Run(); }
