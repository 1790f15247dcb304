// The scan that finds recording places, on small made-up sources that use
// each way the library passes a site to RecordFailure or RecordOutcome.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "codes/recording_scan.h"
#include "codes/source_tokens.h"

namespace {

const char kCodes[] = R"src(
enum : uint16_t { kRestartNeeded = 1001, kInUse = 1002, kAccessDenied = 1007,
                  kOutcomeInstalled = 2003, kGenericCode = 0xFFFF };
bool RecordFailure(uint16_t site, uint16_t code);
bool RecordOutcome(uint16_t site, uint16_t code);
)src";

using Pair = std::tuple<int, int, bool>;  // site, code, outcome

std::set<Pair> Pairs(const ScanResult& result) {
  std::set<Pair> pairs;
  for (const RecordingPlace& p : result.places) pairs.insert({p.site, p.code, p.outcome});
  return pairs;
}

ScanResult Scan(const std::string& source) {
  return ScanRecordingPlaces({{"codes.h", kCodes}, {"x.cpp", source}});
}

TEST(RecordingScan, FindsDirectCallsButNotCommentsOrStrings) {
  ScanResult r = Scan(R"src(
    // RecordFailure(0x99, kInUse) in a comment
    bool A::Run() {
      const char* text = "RecordFailure(0x98, kInUse)";
      /* RecordFailure(0x97,
         kInUse) */
      if (!Open()) return RecordFailure(0x10C, kAccessDenied);
      return RecordOutcome(0x129, kOutcomeInstalled);
    }
  )src");
  EXPECT_TRUE(r.problems.empty()) << r.problems.front();
  EXPECT_EQ(Pairs(r), (std::set<Pair>{{0x10C, 1007, false}, {0x129, 2003, true}}));
  ASSERT_EQ(r.places.size(), 2u);
  EXPECT_EQ(r.places[0].where, "x.cpp:7");
}

TEST(RecordingScan, FollowsBothSidesOfAConditionalAndAVariableHoldingOne) {
  ScanResult r = Scan(R"src(
    bool Deploy(bool fromResource) {
      if (a) return RecordFailure(fromResource ? 0x1F3 : 0x20F, kRestartNeeded);
      uint16_t site = fromResource ? (0x1F6) : 0x211;
      return RecordFailure(site, kGenericCode);
    }
  )src");
  EXPECT_TRUE(r.problems.empty()) << r.problems.front();
  EXPECT_EQ(Pairs(r), (std::set<Pair>{{0x1F3, 1001, false},
                                      {0x20F, 1001, false},
                                      {0x1F6, 0xFFFF, false},
                                      {0x211, 0xFFFF, false}}));
}

TEST(RecordingScan, FollowsHelpersThatPassSitesAndCodesOn) {
  ScanResult r = Scan(R"src(
    inline bool RecordRefusal(DWORD error, uint16_t deniedSite, uint16_t otherSite,
                              uint16_t otherCode = kGenericCode) {
      if (error == ERROR_ACCESS_DENIED) return RecordFailure(deniedSite, kAccessDenied);
      return RecordFailure(otherSite, otherCode);
    }
    bool Outer(uint16_t site) { return Inner(site); }
    bool Inner(uint16_t where) { return RecordFailure(where, kInUse); }
    bool Busy(uint16_t code) { return RecordFailure(0x40, code); }
    bool Mutex::Acquire(uint16_t site) {
      if (Wait() == WAIT_TIMEOUT) return RecordFailure(site, kInUse);
      return true;
    }
    bool Driver::Stop() {
      if (!manager.IsOpen()) return RecordRefusal(GetLastError(), 0x1D3, 0x1D5);
      if (!service.IsOpen()) return RecordRefusal(error, 0x1E0, 0x1E6, kRestartNeeded);
      if (!mutex.Acquire(0x22E)) return Outer(0x50);
      return Busy(kAccessDenied);
    }
  )src");
  EXPECT_TRUE(r.problems.empty()) << r.problems.front();
  EXPECT_EQ(Pairs(r), (std::set<Pair>{{0x1D3, 1007, false},
                                      {0x1D5, 0xFFFF, false},
                                      {0x1E0, 1007, false},
                                      {0x1E6, 1001, false},
                                      {0x22E, 1002, false},
                                      {0x50, 1002, false},
                                      {0x40, 1007, false}}));
}

TEST(RecordingScan, TakesSitesReturnedByAFunctionWithTheCodeSetOnTheWay) {
  ScanResult r = Scan(R"src(
    namespace {
    uint16_t FailureSite(DWORD error, uint16_t* code) {
      *code = kRestartNeeded;
      switch (error) {
        case 2: *code = kGenericCode; return 0x51F;
        case 5: { *code = kAccessDenied; return 0x51B; }
        case 317: return 0x525;
        default: return 0x52A;
      }
    }
    }
    bool Driver::Start() {
      uint16_t code = 0;
      uint16_t site = FailureSite(GetLastError(), &code);
      return RecordFailure(site, code);
    }
  )src");
  EXPECT_TRUE(r.problems.empty()) << r.problems.front();
  EXPECT_EQ(Pairs(r), (std::set<Pair>{{0x51F, 0xFFFF, false},
                                      {0x51B, 1007, false},
                                      {0x525, 1001, false},
                                      {0x52A, 1001, false}}));
}

TEST(RecordingScan, ReportsSitesItCannotFollow) {
  ScanResult r = Scan(R"src(
    const uint16_t kSites[] = {0x301, 0x302};
    bool A::Table(int i) { return RecordFailure(kSites[i], kInUse); }
    bool A::Sum(uint16_t base) { return RecordFailure(base + 1, kInUse); }
    bool A::Unknown() { return RecordFailure(0x303, computedCode()); }
  )src");
  EXPECT_TRUE(r.places.empty());
  ASSERT_EQ(r.problems.size(), 3u);
  EXPECT_NE(r.problems[0].find("x.cpp:3 in Table"), std::string::npos) << r.problems[0];
  // The table's literals still show up as looking like sites.
  std::set<uint32_t> literals;
  for (const HexLiteral& l : r.siteLikeLiterals) literals.insert(l.value);
  EXPECT_TRUE(literals.count(0x301) && literals.count(0x302));
}

TEST(RecordingScan, SiteLikeLiteralsAreTwoOrThreeHexDigitsOutsideComments) {
  ScanResult r = Scan(R"src(
    // 0x123 in a comment
    uint32_t KindFlags() override { return 0x13; }
    const REGSAM kFullAccess = 0xF003F;
    bool Mask(DWORD a) { return (a & 0xFF) != 0 && a != 0xFFFF && a != 0x1 && a != 0x8FF; }
  )src");
  std::set<uint32_t> literals;
  for (const HexLiteral& l : r.siteLikeLiterals) literals.insert(l.value);
  EXPECT_EQ(literals, (std::set<uint32_t>{0xFF, 0x8FF}));
}

TEST(SourceTokens, FindsConstructorsWithInitializersAndInlineMethods) {
  std::vector<Token> tokens = Tokenize(R"src(
    class A : public B {
     public:
      A(int x) : B(x), y_{x}, z_(Make(x)) { Body(); }
      ~A() override = default;
      uint32_t Flags() const override { return 1; }
     private:
      int y_, z_;
    };
    Outer::Outer(const char* name, uint32_t id = 7) noexcept : name_(name) {}
    auto lambda = [](int q) { return q; };
  )src");
  std::vector<Function> functions = FindFunctions(tokens);
  ASSERT_EQ(functions.size(), 3u);
  EXPECT_EQ(functions[0].name, "A");
  ASSERT_EQ(functions[0].parameters.size(), 1u);
  EXPECT_EQ(functions[0].parameters[0].name, "x");
  EXPECT_EQ(functions[1].name, "Flags");
  EXPECT_TRUE(functions[1].parameters.empty());
  EXPECT_EQ(functions[2].name, "Outer");
  ASSERT_EQ(functions[2].parameters.size(), 2u);
  EXPECT_EQ(functions[2].parameters[1].name, "id");
  ASSERT_EQ(functions[2].parameters[1].defaultValue.size(), 1u);
  EXPECT_EQ(functions[2].parameters[1].defaultValue[0].text, "7");
}

TEST(SourceTokens, KeepsLineNumbersAcrossCommentsStringsAndDirectives) {
  std::vector<Token> tokens = Tokenize(
      "#define X \\\n  0x10\n/* a\nb */ R\"d(\n)\" )d\" 'x' u8\"s\" 1'000 a::b\n");
  ASSERT_EQ(tokens.size(), 7u);
  EXPECT_EQ(tokens[0].kind, Token::kText);
  EXPECT_EQ(tokens[0].line, 4);
  EXPECT_EQ(tokens[3].text, "1000");
  EXPECT_EQ(tokens[3].line, 5);
  EXPECT_EQ(tokens[5].text, "::");
}

}  // namespace
