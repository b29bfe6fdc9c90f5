#include "registration/win32/win32_registry_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "registration/bar_registry.h"
#include "win32_registry_probe.h"

namespace quillbay {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing_support::Win32ViewReader;

constexpr std::string_view kId = "{5E1A0C3B-7D2F-4B61-9A8E-0C4D2B7F1B01}";
constexpr std::string_view kBarsKey = "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\";
constexpr std::string_view kScratch = "Software\\Quillbay Win32 Store Test";
constexpr std::string_view kCacheKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\"
    "Component Categories\\";

std::string ClassKey() {
  return "CLSID\\" + std::string(kId);
}
std::string BarKey() {
  return std::string(kBarsKey) + std::string(kId);
}
std::string CacheEnumKey(std::string_view category) {
  return std::string(kCacheKey) + std::string(category) + "\\Enum";
}

class Win32RegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }

  void Clean() {
    for (Win32ViewReader& view : views_) {
      view.DeleteTree(RegRoot::kClassesRoot, ClassKey());
      view.DeleteTree(RegRoot::kLocalMachine, BarKey());
      view.DeleteTree(RegRoot::kLocalMachine, kScratch);
    }
  }

  Win32ViewReader views_[2] = {Win32ViewReader(RegView::k64), Win32ViewReader(RegView::k32)};
  Win32RegistryStore store_;
};

// Without this, writing both views could not be told from writing one: the suite runs
// read back through each view, and so checks that a bar is in both and then in neither.
TEST_F(Win32RegistryStoreTest, TheViewsAreSeparateWhereTheBarsKeysLive) {
  ASSERT_TRUE(views_[0].WriteKeyInThisViewOnly(RegRoot::kClassesRoot, ClassKey(), "64 only"));
  ASSERT_TRUE(views_[0].WriteKeyInThisViewOnly(RegRoot::kLocalMachine, BarKey(), "64 only"));
  EXPECT_FALSE(views_[1].KeyExists(RegRoot::kClassesRoot, ClassKey()));
  EXPECT_FALSE(views_[1].KeyExists(RegRoot::kLocalMachine, BarKey()));
}

// A key left in one view only (an older program wrote just its own view) still goes.
TEST_F(Win32RegistryStoreTest, DeletingAKeyThatOnlyOneViewHasIsNoFailure) {
  for (Win32ViewReader& view : views_) {
    SCOPED_TRACE(&view == &views_[0] ? "64-bit view" : "32-bit view");
    ASSERT_TRUE(view.WriteKeyInThisViewOnly(RegRoot::kLocalMachine, kScratch, "one view"));
    EXPECT_TRUE(store_.DeleteKey(RegRoot::kLocalMachine, kScratch).ok());
    EXPECT_FALSE(views_[0].KeyExists(RegRoot::kLocalMachine, kScratch));
    EXPECT_FALSE(views_[1].KeyExists(RegRoot::kLocalMachine, kScratch));
  }
  EXPECT_EQ(store_.DeleteKey(RegRoot::kLocalMachine, kScratch).status, RegStatus::kNotFound);
}

TEST_F(Win32RegistryStoreTest, AFailureNamesTheKeyTheViewAndTheSystemCode) {
  RegKey key = 0;
  ASSERT_TRUE(
      store_.CreateKey(RegRoot::kLocalMachine, std::string(kScratch) + "\\Child", &key).ok());
  ASSERT_TRUE(store_.CloseKey(key).ok());

  const RegResult result = store_.DeleteKey(RegRoot::kLocalMachine, kScratch);
  // Windows refuses a key with subkeys as access denied.
  EXPECT_EQ(result.status, RegStatus::kAccessDenied);
  EXPECT_THAT(result.detail, HasSubstr("HKEY_LOCAL_MACHINE\\Software\\Quillbay Win32 Store Test"));
  EXPECT_THAT(result.detail, HasSubstr("-bit view"));
  EXPECT_THAT(result.detail, HasSubstr("(5)"));

  EXPECT_EQ(store_.SetValue(key, "v", RegType::kBinary, {}).status, RegStatus::kOther);
  EXPECT_EQ(store_.CloseKey(key).status, RegStatus::kOther);
}

TEST_F(Win32RegistryStoreTest, RegisteringOrRemovingABarDropsTheBrowsersCachedBarLists) {
  Win32ViewReader user(RegView::k64);
  const std::string vertical = CacheEnumKey("{00021493-0000-0000-C000-000000000046}");
  const std::string horizontal = CacheEnumKey("{00021494-0000-0000-C000-000000000046}");
  const std::string unrelated = CacheEnumKey("{00021490-0000-0000-C000-000000000046}");
  ASSERT_TRUE(user.WriteKeyInThisViewOnly(RegRoot::kCurrentUser, unrelated, "kept"));

  for (const bool registering : {true, false}) {
    SCOPED_TRACE(registering ? "register" : "unregister");
    ASSERT_TRUE(user.WriteKeyInThisViewOnly(RegRoot::kCurrentUser, vertical, "cached"));
    ASSERT_TRUE(user.WriteKeyInThisViewOnly(RegRoot::kCurrentUser, horizontal, "cached"));
    const auto failures = registering
                              ? RegisterBar(store_, std::string(kId), "n", "l", BarKind::kVertical)
                              : UnregisterBar(store_, std::string(kId));
    EXPECT_THAT(failures, IsEmpty());
    EXPECT_FALSE(user.KeyExists(RegRoot::kCurrentUser, vertical));
    EXPECT_FALSE(user.KeyExists(RegRoot::kCurrentUser, horizontal));
    // Only the lists are dropped, not the category keys that hold them.
    EXPECT_TRUE(user.KeyExists(RegRoot::kCurrentUser,
                               std::string(kCacheKey) + "{00021493-0000-0000-C000-000000000046}"));
    EXPECT_TRUE(user.KeyExists(RegRoot::kCurrentUser, unrelated));
  }
  // Nothing cached: nothing to drop, and no failure.
  EXPECT_TRUE(store_.BarsChanged().ok());
  user.DeleteTree(RegRoot::kCurrentUser, unrelated);
}

}  // namespace
}  // namespace quillbay
