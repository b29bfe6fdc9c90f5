#include "registration/win32/win32_registry_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "registration/bar_registry.h"
#include "win32_registry_probe.h"

namespace quillbay {
namespace {

// The browser's cached lists of vertical and horizontal bars go; another list stays.
TEST(Win32RegistryStoreTest, RegisteringOrRemovingABarDropsTheCachedBarLists) {
  Win32RegistryStore store;
  testing_support::Win32ViewReader user(RegView::k64);
  auto list = [](char kind, const char* rest) {
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\"
           "Component Categories\\{0002149" +
           std::string(1, kind) + "-0000-0000-C000-000000000046}" + rest;
  };
  for (const bool registering : {true, false}) {
    for (const char kind : {'0', '3', '4'}) {
      RegKey key = 0;
      ASSERT_TRUE(store.CreateKey(RegRoot::kCurrentUser, list(kind, "\\Enum"), &key).ok());
      store.CloseKey(key);
    }
    const std::string id = "{5E1A0C3B-7D2F-4B61-9A8E-0C4D2B7F1B01}";
    EXPECT_THAT(registering ? RegisterBar(store, id, "n", "l", BarKind::kVertical)
                            : UnregisterBar(store, id),
                ::testing::IsEmpty());
    std::vector<bool> kept;
    for (const char kind : {'0', '3', '4'}) {
      kept.push_back(user.KeyExists(RegRoot::kCurrentUser, list(kind, "\\Enum")));
    }
    EXPECT_EQ(kept, std::vector({true, false, false}));
  }
  for (const char kind : {'0', '3', '4'}) {
    store.DeleteKey(RegRoot::kCurrentUser, list(kind, "\\Enum"));
    store.DeleteKey(RegRoot::kCurrentUser, list(kind, ""));
  }
}

}  // namespace
}  // namespace quillbay
