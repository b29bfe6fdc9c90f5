#include "registration/bar_id.h"

#include <gtest/gtest.h>

#include <set>

namespace quillbay {
namespace {

TEST(BarIdTest, FormatsFieldsInOrderUpperCaseZeroPadded) {
  const Guid guid{0x0000ABCD, 0x00EF, 0x4A0B, {0x8C, 0x0D, 0x00, 0x01, 0x02, 0x03, 0xFE, 0xFF}};
  EXPECT_EQ(FormatBarId(guid), "{0000ABCD-00EF-4A0B-8C0D-00010203FEFF}");
  EXPECT_EQ(FormatBarId(Guid{}), "{00000000-0000-0000-0000-000000000000}");
}

TEST(BarIdTest, SystemSourceGivesDistinctVersion4Ids) {
  SystemGuidSource source;
  std::set<BarId> seen;
  for (int i = 0; i < 100; ++i) {
    const std::optional<BarId> id = NewBarId(source);
    ASSERT_TRUE(id);
    EXPECT_TRUE(IsWellFormedBarId(*id)) << *id;
    EXPECT_EQ((*id)[15], '4') << *id;                                          // version nibble
    EXPECT_NE(std::string("89AB").find((*id)[20]), std::string::npos) << *id;  // variant
    seen.insert(*id);
  }
  EXPECT_EQ(seen.size(), 100u);
}

TEST(BarIdTest, WellFormedMeansBracedGuidOfEitherCase) {
  EXPECT_TRUE(IsWellFormedBarId("{4d5c8c2a-D075-11d0-B416-00C04FB90376}"));
  for (const char* bad :
       {"", "x\\..", "{4D5C8C2A-D075-11d0-B416-00C04FB9037}",
        "{4D5C8C2A-D075-11d0-B416-00C04FB90376", "4D5C8C2A-D075-11d0-B416-00C04FB90376",
        "{4D5C8C2A-D075-11d0-B416-00C04FB9037G}", "{4D5C8C2A-D075-11d0-B416\\00C04FB90376}",
        "{4D5C8C2A-D075-11d0-B416-00C04FB90376}\\.."}) {
    EXPECT_FALSE(IsWellFormedBarId(bad)) << bad;
  }
}

}  // namespace
}  // namespace quillbay
