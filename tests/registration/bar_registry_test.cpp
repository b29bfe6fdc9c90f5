// What RegisterBar and UnregisterBar write is checked through real stores (the store suite,
// the reference files); here, how they carry on and report when a store fails.
#include "registration/bar_registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/registration_fakes.h"

namespace quillbay {
namespace {

using ::testing::Contains;
using ::testing::IsEmpty;
using testing::MemoryRegistryStore;

constexpr const char* kId = "{11111111-2222-4333-8444-555555555555}";

// Also fails to drop the browser's cached bar lists.
class CacheFailingStore : public MemoryRegistryStore {
 public:
  RegResult BarsChanged() override { return {RegStatus::kAccessDenied, "cache denied"}; }
};

// Every step is tried and reported, and a step that failed to open its key writes nothing.
TEST(BarRegistryTest, EveryFailedStepIsReportedAndTheStepsAfterItStillRun) {
  MemoryRegistryStore store;
  store.fail_with = RegStatus::kAccessDenied;
  const auto failures = RegisterBar(store, kId, "n", "l", BarKind::kVertical);
  EXPECT_EQ(failures.size(), 7u);
  EXPECT_EQ(failures[0].result.status, RegStatus::kAccessDenied);
  EXPECT_THAT(store.calls,
              Contains(std::string("create HKLM\\Software\\Microsoft\\Internet Explorer\\"
                                   "Explorer Bars\\") +
                       kId));
  EXPECT_EQ(store.KeyCount(), 0u);
  EXPECT_EQ(UnregisterBar(store, kId).size(), 8u);
}

// Keys another removal took already are no failure.
TEST(BarRegistryTest, UnregisterReportsFailuresOtherThanNotFound) {
  MemoryRegistryStore store;
  EXPECT_THAT(UnregisterBar(store, kId), IsEmpty());
  ASSERT_THAT(RegisterBar(store, kId, "n", "l", BarKind::kHorizontal), IsEmpty());
  store.fail_with = RegStatus::kAccessDenied;
  EXPECT_FALSE(UnregisterBar(store, kId).empty());
  store.fail_with.reset();
  EXPECT_THAT(UnregisterBar(store, kId), IsEmpty());
  EXPECT_FALSE(store.HasKey(RegRoot::kClassesRoot, std::string("CLSID\\") + kId));
}

TEST(BarRegistryTest, AFailureToDropTheCachedListsIsReportedAfterTheSteps) {
  CacheFailingStore store;
  for (const auto& failures :
       {RegisterBar(store, kId, "n", "l", BarKind::kVertical), UnregisterBar(store, kId)}) {
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].root, RegRoot::kCurrentUser);
    EXPECT_EQ(failures[0].result.detail, "cache denied");
  }
  EXPECT_FALSE(store.HasKey(RegRoot::kClassesRoot, std::string("CLSID\\") + kId));
}

}  // namespace
}  // namespace quillbay
