// The scan that finds recording places, on a made-up source that uses each
// way the library passes a site on. The real sources are checked against the
// decoding table in tracked_code_table_test.cpp.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "codes/recording_scan.h"

namespace {

const char kCodes[] = R"src(
enum : uint16_t { kRestartNeeded = 1001, kInUse = 1002, kAccessDenied = 1007,
                  kOutcomeInstalled = 2003, kGenericCode = 0xFFFF };
)src";

using Pair = std::tuple<int, int, bool>;  // site, code, outcome

ScanResult Scan(const std::string& source) {
  return ScanRecordingPlaces({{"codes.h", kCodes}, {"x.cpp", source}});
}

std::set<uint32_t> Literals(const ScanResult& r) {
  std::set<uint32_t> literals;
  for (const HexLiteral& l : r.siteLikeLiterals) literals.insert(l.value);
  return literals;
}

TEST(RecordingScan, FollowsEveryWayASiteIsPassedOnButNotCommentsOrStrings) {
  ScanResult r = Scan(R"src(
    // RecordFailure(0x99, kInUse) in a comment
    bool A::Run(bool fromResource) {
      const char* text = "RecordFailure(0x98, kInUse)";
      /* RecordFailure(0x97,
         kInUse) */
      if (!Open()) return RecordFailure(0x10C, kAccessDenied);
      if (a) return RecordFailure(fromResource ? 0x1F3 : 0x20F, kRestartNeeded);
      uint16_t site = fromResource ? (0x1F6) : 0x211;
      if (b) return RecordFailure(site, kGenericCode);
      return RecordOutcome(0x129, kOutcomeInstalled);
    }
    inline bool RecordRefusal(DWORD error, uint16_t deniedSite, uint16_t otherSite,
                              uint16_t otherCode = kGenericCode) {
      if (error == ERROR_ACCESS_DENIED) return RecordFailure(deniedSite, kAccessDenied);
      return RecordFailure(otherSite, otherCode);
    }
    bool Outer(uint16_t site) { return Inner(site); }
    bool Inner(uint16_t where) { return RecordFailure(where, kInUse); }
    bool Busy(uint16_t code) { return RecordFailure(0x40, code); }
    Driver::Driver(int x) : Base(x), y_{x} { Setup(); }
    bool Driver::Stop() {
      if (!manager.IsOpen()) return RecordRefusal(GetLastError(), 0x1D3, 0x1D5);
      if (!service.IsOpen()) return RecordRefusal(error, 0x1E0, 0x1E6, kRestartNeeded);
      if (!Ok()) return Outer(0x50);
      return Busy(kAccessDenied);
    }
    namespace {
    uint16_t FailureSite(DWORD error, uint16_t* code) {
      *code = kRestartNeeded;
      switch (error) {
        case 2: *code = kGenericCode; return 0x51F;
        case 5: { *code = kAccessDenied; return 0x51B; }
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
  std::set<Pair> pairs;
  for (const RecordingPlace& p : r.places) pairs.insert({p.site, p.code, p.outcome});
  EXPECT_EQ(pairs, (std::set<Pair>{{0x10C, 1007, false}, {0x1F3, 1001, false}, {0x20F, 1001, false},
                                   {0x1F6, 0xFFFF, false}, {0x211, 0xFFFF, false}, {0x129, 2003, true},
                                   {0x1D3, 1007, false}, {0x1D5, 0xFFFF, false}, {0x1E0, 1007, false},
                                   {0x1E6, 1001, false}, {0x50, 1002, false}, {0x40, 1007, false},
                                   {0x51F, 0xFFFF, false}, {0x51B, 1007, false}, {0x52A, 1001, false}}));
  EXPECT_EQ(r.places.at(0).where, "x.cpp:7");
  EXPECT_EQ(0u, Literals(r).count(0x99) + Literals(r).count(0x98) + Literals(r).count(0x97));
}

// What the scan cannot follow is reported, never skipped, and its literals
// still show up as looking like sites.
TEST(RecordingScan, ReportsSitesItCannotFollow) {
  ScanResult r = Scan(R"src(
    const uint16_t kSites[] = {0x301, 0x302};
    bool A::Table(int i) { return RecordFailure(kSites[i], kInUse); }
    bool A::Sum(uint16_t base) { return RecordFailure(base + 1, kInUse); }
    bool A::Unknown() { return RecordFailure(0x303, computedCode()); }
    const REGSAM kFullAccess = 0xF003F;
    bool Mask(DWORD a) { return (a & 0xFF) != 0 && a != 0xFFFF && a != 0x1 && a != 0x8FF; }
  )src");
  EXPECT_TRUE(r.places.empty());
  ASSERT_EQ(r.problems.size(), 3u);
  EXPECT_NE(r.problems[0].find("x.cpp:3 in Table"), std::string::npos) << r.problems[0];
  EXPECT_EQ(Literals(r), (std::set<uint32_t>{0x301, 0x302, 0x303, 0xFF, 0x8FF}));
}

}  // namespace
