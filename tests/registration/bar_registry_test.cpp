#include "registration/bar_registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace quillbay {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Records every call as a line of text, so a test can check the exact order of steps.
class RecordingStore : public RegistryStore {
 public:
  std::vector<std::string> calls;
  std::function<RegResult(RegRoot, const std::string&)> create_result =
      [](RegRoot, const std::string&) { return RegResult::Ok(); };
  std::function<RegResult(RegRoot, const std::string&)> delete_result =
      [](RegRoot, const std::string&) { return RegResult::Ok(); };
  RegResult changed_result;

  RegResult CreateKey(RegRoot root, std::string_view path, RegKey* key) override {
    calls.push_back("open " + Root(root) + std::string(path));
    RegResult r = create_result(root, std::string(path));
    if (r.ok()) *key = ++next_;
    return r;
  }
  RegResult SetDefaultString(RegKey key, std::string_view text) override {
    calls.push_back("default#" + std::to_string(key) + " " + std::string(text));
    return {};
  }
  RegResult SetValue(RegKey key, std::string_view name, RegType type,
                     std::span<const std::uint8_t> data) override {
    std::string line = "set#" + std::to_string(key) + " " + std::string(name) + " type" +
                       std::to_string(static_cast<int>(type)) + " " + std::to_string(data.size()) +
                       ":";
    for (std::uint8_t b : data)
      line += b >= 0x20 && b < 0x7F ? std::string(1, char(b)) : "<" + std::to_string(b) + ">";
    calls.push_back(line);
    return {};
  }
  RegResult DeleteKey(RegRoot root, std::string_view path) override {
    calls.push_back("delete " + Root(root) + std::string(path));
    return delete_result(root, std::string(path));
  }
  RegResult CloseKey(RegKey key) override {
    calls.push_back("close#" + std::to_string(key));
    return {};
  }
  RegResult BarsChanged() override {
    calls.push_back("changed");
    return changed_result;
  }

 private:
  static std::string Root(RegRoot root) {
    return root == RegRoot::kClassesRoot ? "HKCR\\" : "HKLM\\";
  }
  RegKey next_ = 0;
};

constexpr const char* kId = "{11111111-2222-4333-8444-555555555555}";

TEST(RegisterBarTest, WritesEveryEntryInOrderWithExactBytes) {
  RecordingStore store;
  EXPECT_THAT(RegisterBar(store, kId, "My bar", "c:\\page.htm", BarKind::kVertical), IsEmpty());
  const std::string p = std::string("HKCR\\CLSID\\") + kId;
  EXPECT_THAT(
      store.calls,
      ElementsAre(
          "open " + p, "default#1 My bar", "close#1",           //
          "open " + p + "\\Implemented Categories", "close#2",  //
          "open " + p + "\\Implemented Categories\\{00021493-0000-0000-C000-000000000046}",
          "close#3",  //
          "open " + p + "\\InProcServer32",
          "set#4  type2 34:%SystemRoot%\\System32\\shdocvw.dll<0>",
          "set#4 ThreadingModel type1 10:Apartment<0>", "close#4",  //
          "open " + p + "\\Instance",
          "set#5 CLSID type1 39:{4D5C8C2A-D075-11d0-B416-00C04FB90376}<0>", "close#5",
          "open " + p + "\\Instance\\InitPropertyBag", "set#6 Url type1 12:c:\\page.htm<0>",
          "close#6",
          std::string("open HKLM\\Software\\Microsoft\\Internet Explorer\\Explorer Bars\\") + kId,
          // The size the browser reads: 0x97 pixels, then zeros.
          "set#7 BarSize type3 8:<151><0><0><0><0><0><0><0>", "close#7",
          // The browser's cached bar lists are dropped once everything is written.
          "changed"));
}

TEST(RegisterBarTest, HorizontalBarGetsItsCategoryAndSize) {
  RecordingStore store;
  RegisterBar(store, kId, "n", "l", BarKind::kHorizontal);
  EXPECT_THAT(store.calls, ::testing::Contains(::testing::HasSubstr(
                               "Categories\\{00021494-0000-0000-C000-000000000046}")));
  EXPECT_EQ(store.calls[store.calls.size() - 3], "set#7 BarSize type3 8:b<0><0><0><0><0><0><0>");
}

TEST(RegisterBarTest, AFailedStepWritesNothingAndTheNextStepsStillRun) {
  RecordingStore store;
  store.create_result = [](RegRoot root, const std::string&) {
    return root == RegRoot::kClassesRoot ? RegResult{RegStatus::kAccessDenied, "denied"}
                                         : RegResult::Ok();
  };
  const auto failures = RegisterBar(store, kId, "n", "l", BarKind::kVertical);
  EXPECT_EQ(failures.size(), 6u);
  EXPECT_EQ(failures[0].result.status, RegStatus::kAccessDenied);
  // Only the Explorer-bar key under HKEY_LOCAL_MACHINE got its value.
  EXPECT_EQ(std::count_if(store.calls.begin(), store.calls.end(),
                          [](const std::string& c) {
                            return c.starts_with("set") || c.starts_with("default");
                          }),
            1);
}

TEST(UnregisterBarTest, DeletesDeepestFirstAndMissingKeysAreNoFailure) {
  RecordingStore store;
  store.delete_result = [](RegRoot, const std::string& path) {
    return path.ends_with("{00021494-0000-0000-C000-000000000046}")
               ? RegResult{RegStatus::kNotFound, ""}
               : RegResult::Ok();
  };
  EXPECT_THAT(UnregisterBar(store, kId), IsEmpty());
  const std::string p = std::string("delete HKCR\\CLSID\\") + kId;
  EXPECT_THAT(
      store.calls,
      ElementsAre(p + "\\Instance\\InitPropertyBag", p + "\\Instance", p + "\\InProcServer32",
                  p + "\\Implemented Categories\\{00021493-0000-0000-C000-000000000046}",
                  p + "\\Implemented Categories\\{00021494-0000-0000-C000-000000000046}",
                  p + "\\Implemented Categories", p,
                  std::string("delete HKLM\\Software\\Microsoft\\Internet Explorer\\Explorer "
                              "Bars\\") +
                      kId,
                  "changed"));
}

TEST(UnregisterBarTest, ReportsFailuresOtherThanNotFound) {
  RecordingStore store;
  store.delete_result = [](RegRoot root, const std::string&) {
    return root == RegRoot::kLocalMachine ? RegResult{RegStatus::kAccessDenied, "denied"}
                                          : RegResult::Ok();
  };
  const auto failures = UnregisterBar(store, kId);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].root, RegRoot::kLocalMachine);
}

TEST(BarsChangedTest, AFailureToDropTheCachedListsIsReportedAfterTheSteps) {
  RecordingStore store;
  store.changed_result = {RegStatus::kAccessDenied, "cache denied"};
  for (const auto& failures :
       {RegisterBar(store, kId, "n", "l", BarKind::kVertical), UnregisterBar(store, kId)}) {
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].root, RegRoot::kCurrentUser);
    EXPECT_EQ(failures[0].result.detail, "cache denied");
  }
}

}  // namespace
}  // namespace quillbay
