// What RegisterBar and UnregisterBar write is checked through real stores (the store suite,
// the reference files); here, bar identifiers and how the steps carry on when a store fails.
#include "registration/bar_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/support/registration_fakes.h"

namespace quillbay {
namespace {

using testing::MemoryRegistryStore;

constexpr const char* kId = "{11111111-2222-4333-8444-555555555555}";

// Fresh version-4 GUIDs, upper-case and zero-padded; a hand-edited id is told apart.
TEST(BarIdTest, MakesAndRecognisesIdentifiers) {
  const Guid guid{0x0000ABCD, 0x00EF, 0x4A0B, {0x8C, 0x0D, 0x00, 0x01, 0x02, 0x03, 0xFE, 0xFF}};
  EXPECT_EQ(FormatBarId(guid), "{0000ABCD-00EF-4A0B-8C0D-00010203FEFF}");
  SystemGuidSource source;
  std::set<BarId> seen;
  for (int i = 0; i < 50; ++i) seen.insert(NewBarId(source).value());
  EXPECT_EQ(seen.size(), 50u);
  EXPECT_TRUE(std::ranges::all_of(seen, [](const BarId& id) { return id[15] == '4'; }));
  EXPECT_TRUE(IsWellFormedBarId("{4d5c8c2a-D075-11d0-B416-00C04FB90376}"));
  for (const char* bad : {"", "x\\..", "{4D5C8C2A-D075-11d0-B416-00C04FB9037}",
                          "{4D5C8C2A-D075-11d0-B416\\00C04FB90376}"}) {
    EXPECT_FALSE(IsWellFormedBarId(bad)) << bad;
  }
}

// Also fails to drop the browser's cached bar lists.
class CacheFailingStore : public MemoryRegistryStore {
 public:
  RegResult BarsChanged() override { return {RegStatus::kAccessDenied, "cache denied"}; }
};

// Every step is tried and each failure reported; a key another removal took is none.
TEST(BarRegistryTest, FailuresOfEveryStepAreReported) {
  MemoryRegistryStore denied;
  denied.fail_with = RegStatus::kAccessDenied;
  MemoryRegistryStore fine;
  CacheFailingStore cache;
  struct Row {
    RegistryStore* store;
    bool registering;
    std::size_t failures;
    RegRoot first_root;
  };
  for (const Row& row :
       {Row{&denied, true, 7, RegRoot::kClassesRoot}, Row{&denied, false, 8, RegRoot::kClassesRoot},
        Row{&fine, false, 0, {}}, Row{&cache, true, 1, RegRoot::kCurrentUser},
        Row{&cache, false, 1, RegRoot::kCurrentUser}}) {
    const auto failures = row.registering
                              ? RegisterBar(*row.store, kId, "n", "l", BarKind::kVertical)
                              : UnregisterBar(*row.store, kId);
    ASSERT_EQ(failures.size(), row.failures);
    if (!failures.empty()) {
      EXPECT_EQ(failures[0].root, row.first_root);
    }
  }
  EXPECT_EQ(denied.calls.size(), 7u + 8u);
  EXPECT_FALSE(denied.HasKey(RegRoot::kClassesRoot, std::string("CLSID\\") + kId));
  EXPECT_FALSE(cache.HasKey(RegRoot::kClassesRoot, std::string("CLSID\\") + kId));
}

}  // namespace
}  // namespace quillbay
