#include "registration/win32/win32_registry_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "registration/bar_registry.h"
#include "win32_registry_probe.h"

namespace quillbay {
namespace {

using testing_support::Win32ViewReader;

const std::string kId = "{5E1A0C3B-7D2F-4B61-9A8E-0C4D2B7F1B01}";
const std::string kCache =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\"
    "Component Categories\\{0002149";

// Without separate views, writing both could not be told from writing one; a key that one
// view alone has (an older program wrote just its own) still goes.
TEST(Win32RegistryStoreTest, EachViewIsWrittenAndDeletedOnItsOwn) {
  Win32RegistryStore store;
  Win32ViewReader views[2] = {Win32ViewReader(RegView::k64), Win32ViewReader(RegView::k32)};
  for (int only = 0; only < 2; ++only) {
    ASSERT_TRUE(views[only].WriteKeyInThisViewOnly(RegRoot::kClassesRoot, "CLSID\\" + kId));
    EXPECT_FALSE(views[1 - only].KeyExists(RegRoot::kClassesRoot, "CLSID\\" + kId));
    EXPECT_TRUE(store.DeleteKey(RegRoot::kClassesRoot, "CLSID\\" + kId).ok());
    EXPECT_FALSE(views[only].KeyExists(RegRoot::kClassesRoot, "CLSID\\" + kId));
  }
}

// The browser's cached lists of vertical and horizontal bars go; another list stays.
TEST(Win32RegistryStoreTest, RegisteringOrRemovingABarDropsTheCachedBarLists) {
  Win32RegistryStore store;
  Win32ViewReader user(RegView::k64);
  ASSERT_TRUE(user.WriteKeyInThisViewOnly(RegRoot::kCurrentUser,
                                          kCache + "0-0000-0000-C000-000000000046}\\Enum"));
  for (const bool registering : {true, false}) {
    for (const char* kind : {"3", "4"}) {
      ASSERT_TRUE(user.WriteKeyInThisViewOnly(
          RegRoot::kCurrentUser, kCache + kind + "-0000-0000-C000-000000000046}\\Enum"));
    }
    EXPECT_THAT(registering ? RegisterBar(store, kId, "n", "l", BarKind::kVertical)
                            : UnregisterBar(store, kId),
                ::testing::IsEmpty());
    for (const char* kind : {"3", "4"}) {
      EXPECT_FALSE(user.KeyExists(RegRoot::kCurrentUser,
                                  kCache + kind + "-0000-0000-C000-000000000046}\\Enum"));
    }
  }
  EXPECT_TRUE(
      user.KeyExists(RegRoot::kCurrentUser, kCache + "0-0000-0000-C000-000000000046}\\Enum"));
  user.DeleteTree(RegRoot::kCurrentUser, kCache + "0-0000-0000-C000-000000000046}");
}

}  // namespace
}  // namespace quillbay
