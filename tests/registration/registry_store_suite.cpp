#include "registry_store_suite.h"

#include <gmock/gmock.h>

#include "registration/bar_registry.h"

namespace quillbay::testing_support {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::IsEmpty;
using ::testing::Optional;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;
using Bytes = std::vector<std::uint8_t>;

const std::string kBars = "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\";

std::string Scratch(std::string_view rest) {
  return std::string(kSuiteScratchKey) + "\\" + std::string(rest);
}

Bytes Of(std::string_view text) {
  return {text.begin(), text.end()};
}

// ASCII text as the registry stores a string set through the 8-bit interface: UTF-16LE.
Bytes Utf16(std::string_view ascii) {
  Bytes out;
  for (const char c : ascii) out.insert(out.end(), {static_cast<std::uint8_t>(c), 0});
  return out;
}

}  // namespace

void RegistryStoreSuite::SetUp() {
  under_test_ = GetParam().make();
  TearDown();
}

void RegistryStoreSuite::TearDown() {
  for (const RegRoot root : {RegRoot::kLocalMachine, RegRoot::kCurrentUser})
    RemoveTree(root, std::string(kSuiteScratchKey));
  for (const std::string_view id : {kSuiteBarA, kSuiteBarB}) {
    RemoveTree(RegRoot::kClassesRoot, "CLSID\\" + std::string(id));
    RemoveTree(RegRoot::kLocalMachine, kBars + std::string(id));
  }
}

void RegistryStoreSuite::WriteKey(RegRoot root, const std::string& path,
                                  std::vector<RegValue> values) {
  const RegKeyWrite step{root, path, std::move(values)};
  EXPECT_THAT(store().WriteKeys({&step, 1}), IsEmpty()) << path;
}

void RegistryStoreSuite::RemoveTree(RegRoot root, const std::string& path) {
  for (const std::string& child : probe().Key(root, path).value_or(std::vector<std::string>{})) {
    RemoveTree(root, path + "\\" + child);
  }
  const RegKeyPath key{root, path};
  EXPECT_THAT(store().DeleteKeys({&key, 1}), IsEmpty()) << path;
}

// Keys and value names ignore case and keep the case they were made with; non-string
// values keep their bytes, strings arrive as 8-bit text, are kept as UTF-16LE and read back
// as they were given, with every key below the one read.
TEST_P(RegistryStoreSuite, KeepsKeysAndValuesExactly) {
  std::string long_binary(300, 0);
  for (std::size_t i = 0; i < long_binary.size(); ++i) long_binary[i] = static_cast<char>(i * 7);
  const std::tuple<std::string, RegType, std::string> rows[] = {
      {"Empty", RegType::kBinary, ""},
      {"Long", RegType::kBinary, long_binary},
      {"Dword", RegType::kDword, {"\xab\x12\0\0", 4}},
      {"None", RegType::kNone, {"Value\0", 6}},
      {"", RegType::kExpandString, {"%SystemRoot%\\x.dll\0", 19}},
      {"List", RegType::kMultiString, {"one\0two\0\0", 9}},
      {"Marks \"", RegType::kString, {"say \"hi\" \\ there\0", 17}},
  };
  WriteKey(RegRoot::kLocalMachine, Scratch("MixedCase\\Inner"),
           {{"ThreadingModel", RegType::kBinary, Of("first")}});
  std::vector<RegValue> values = {{"THREADINGMODEL", RegType::kDword, Of("1234")}};
  for (const auto& [name, type, given] : rows) values.push_back({name, type, Of(given)});
  WriteKey(RegRoot::kLocalMachine, Scratch("MIXEDCASE\\inner"), values);
  EXPECT_THAT(probe().Key(RegRoot::kLocalMachine, std::string(kSuiteScratchKey)),
              Optional(ElementsAre("MixedCase")));
  EXPECT_EQ(
      probe().ReadValue(RegRoot::kLocalMachine, Scratch("MixedCase\\Inner"), "threadingmodel"),
      (ProbedValue{4, Of("1234")}));
  for (const auto& [name, type, given] : rows) {
    const bool text =
        type == RegType::kString || type == RegType::kExpandString || type == RegType::kMultiString;
    EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, Scratch("MixedCase\\Inner"), name),
              (ProbedValue{static_cast<std::uint32_t>(type), text ? Utf16(given) : Of(given)}))
        << name;
  }
  const RegResult<RegTree> read = store().ReadTree(RegRoot::kLocalMachine, Scratch("MIXEDCASE"));
  ASSERT_TRUE(read) << read.error().detail;
  ASSERT_THAT(read->subkeys, ElementsAre(Field(&RegTree::name, "Inner")));
  values[0].name = "ThreadingModel";
  EXPECT_THAT(read->subkeys[0].values, UnorderedElementsAreArray(values));
  EXPECT_EQ(store().ReadTree(RegRoot::kCurrentUser, Scratch("MixedCase")).error().status,
            RegStatus::kNotFound);
  const auto names = store().ReadSubkeyNames(RegRoot::kLocalMachine, Scratch("MIXEDCASE"));
  ASSERT_TRUE(names) << names.error().detail;
  EXPECT_THAT(*names, ElementsAre("Inner"));
  EXPECT_EQ(store().ReadSubkeyNames(RegRoot::kCurrentUser, Scratch("MixedCase")).error().status,
            RegStatus::kNotFound);
}

// One key goes, and only that key: not one with subkeys. (SetUp deletes missing ones.)
TEST_P(RegistryStoreSuite, DeleteKeysRemovesThoseKeysOnly) {
  WriteKey(RegRoot::kLocalMachine, Scratch("Parent\\Gone"));
  WriteKey(RegRoot::kLocalMachine, Scratch("Parent\\Child\\Grandchild"));
  WriteKey(RegRoot::kCurrentUser, Scratch("Parent\\Gone"));
  const std::vector<RegKeyPath> keys = {
      {RegRoot::kLocalMachine, Scratch("Parent\\GONE")},
      {RegRoot::kLocalMachine, Scratch("Parent\\Gone")},
      {RegRoot::kLocalMachine, Scratch("Parent\\Child")},
      {RegRoot::kLocalMachine, Scratch("Parent")},
  };
  const std::vector<RegFailure> failures = store().DeleteKeys(keys);
  ASSERT_EQ(failures.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(failures[i].path, keys[2 + i].path);
    EXPECT_EQ(failures[i].error.status, RegStatus::kHasSubkeys) << failures[i].error.detail;
  }
  EXPECT_THAT(probe().Key(RegRoot::kLocalMachine, Scratch("Parent")),
              Optional(ElementsAre("Child")));
  EXPECT_TRUE(probe().KeyExists(RegRoot::kLocalMachine, Scratch("Parent\\Child\\Grandchild")));
  EXPECT_TRUE(probe().KeyExists(RegRoot::kCurrentUser, Scratch("Parent\\Gone")));
}

// A real store ends up with the bar's keys and, once it is removed, with nothing of it,
// while the other bar and every other key stay as they were.
TEST_P(RegistryStoreSuite, RegisterThenUnregisterLeavesNothingOfTheBarAndTouchesNothingElse) {
  const std::string gone = "CLSID\\" + std::string(kSuiteBarA);
  const std::string kept = "CLSID\\" + std::string(kSuiteBarB);
  for (const auto& [kind, category, size] :
       {std::tuple{BarKind::kVertical, "{00021493-0000-0000-C000-000000000046}", 0x97},
        {BarKind::kHorizontal, "{00021494-0000-0000-C000-000000000046}", 0x62}}) {
    WriteKey(RegRoot::kLocalMachine, Scratch("Other"));
    ASSERT_THAT(RegisterBar(store(), std::string(kSuiteBarB), "Kept", "http://k/", kind),
                IsEmpty());
    ASSERT_THAT(RegisterBar(store(), std::string(kSuiteBarA), "Gone", "c:\\gone.htm", kind),
                IsEmpty());
    EXPECT_THAT(
        probe().Key(RegRoot::kClassesRoot, gone),
        Optional(UnorderedElementsAre("Implemented Categories", "InProcServer32", "Instance")));
    EXPECT_THAT(probe().Key(RegRoot::kClassesRoot, gone + "\\Implemented Categories"),
                Optional(ElementsAre(category)));
    EXPECT_EQ(probe().ReadValue(RegRoot::kClassesRoot, gone + "\\Instance\\InitPropertyBag", "Url"),
              (ProbedValue{1, Utf16({"c:\\gone.htm\0", 12})}));
    EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, kBars + std::string(kSuiteBarA), "BarSize"),
              (ProbedValue{3, {static_cast<std::uint8_t>(size), 0, 0, 0, 0, 0, 0, 0}}));

    EXPECT_THAT(UnregisterBar(store(), std::string(kSuiteBarA)), IsEmpty());
    EXPECT_FALSE(probe().KeyExists(RegRoot::kClassesRoot, gone));
    EXPECT_FALSE(probe().KeyExists(RegRoot::kLocalMachine, kBars + std::string(kSuiteBarA)));
    EXPECT_EQ(probe().ReadValue(RegRoot::kClassesRoot, kept, ""),
              (ProbedValue{1, Utf16({"Kept\0", 5})}));
    EXPECT_TRUE(probe().KeyExists(RegRoot::kLocalMachine, Scratch("Other")));
  }
}

}  // namespace quillbay::testing_support
