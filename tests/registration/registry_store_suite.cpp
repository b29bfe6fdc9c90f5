#include "registry_store_suite.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <span>

#include "registration/bar_registry.h"

namespace quillbay::testing_support {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

constexpr std::string_view kExplorerBars = "Software\\Microsoft\\Internet Explorer\\Explorer Bars";

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

// ASCII text as the registry stores a string set through the 8-bit interface: UTF-16LE.
std::vector<std::uint8_t> Utf16(std::string_view ascii) {
  std::vector<std::uint8_t> out;
  for (const char c : ascii) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(0);
  }
  return out;
}

std::span<const std::uint8_t> Span(const std::vector<std::uint8_t>& bytes) {
  return {bytes.data(), bytes.size()};
}

std::string Join(std::string_view a, std::string_view b) {
  return std::string(a) + "\\" + std::string(b);
}

std::string ClassKey(std::string_view id) {
  return Join("CLSID", id);
}

std::string BarKey(std::string_view id) {
  return Join(kExplorerBars, id);
}

}  // namespace

void RegistryStoreSuite::SetUp() {
  under_test_ = GetParam().make();
  ASSERT_NE(under_test_.store, nullptr);
  ASSERT_NE(under_test_.probe, nullptr);
  RemoveSuiteKeys();
}

void RegistryStoreSuite::TearDown() {
  if (under_test_.store != nullptr) RemoveSuiteKeys();
  under_test_.store.reset();
  under_test_.probe.reset();
}

std::string RegistryStoreSuite::Scratch(std::string_view rest) {
  return Join(kSuiteScratchKey, rest);
}

void RegistryStoreSuite::WriteKey(RegRoot root, const std::string& path,
                                  const std::function<void(RegKey)>& write) {
  RegKey key = 0;
  const RegResult created = store().CreateKey(root, path, &key);
  ASSERT_TRUE(created.ok()) << path << ": " << created.detail;
  ASSERT_NE(key, 0u);
  if (write) write(key);
  const RegResult closed = store().CloseKey(key);
  ASSERT_TRUE(closed.ok()) << path << ": " << closed.detail;
}

void RegistryStoreSuite::RemoveTree(RegRoot root, const std::string& path) {
  for (const std::string& child : probe().SubkeyNames(root, path)) {
    RemoveTree(root, Join(path, child));
  }
  const RegResult result = store().DeleteKey(root, path);
  ASSERT_TRUE(result.ok() || result.status == RegStatus::kNotFound)
      << path << ": " << result.detail;
}

void RegistryStoreSuite::RemoveSuiteKeys() {
  RemoveTree(RegRoot::kLocalMachine, std::string(kSuiteScratchKey));
  RemoveTree(RegRoot::kCurrentUser, std::string(kSuiteScratchKey));
  for (const std::string_view id : {kSuiteBarA, kSuiteBarB}) {
    RemoveTree(RegRoot::kClassesRoot, ClassKey(id));
    RemoveTree(RegRoot::kLocalMachine, BarKey(id));
  }
}

TEST_P(RegistryStoreSuite, CreateKeyMakesEveryMissingKeyAlongThePath) {
  WriteKey(RegRoot::kLocalMachine, Scratch("One\\Two\\Three"));

  EXPECT_TRUE(probe().KeyExists(RegRoot::kLocalMachine, Scratch("One")));
  EXPECT_TRUE(probe().KeyExists(RegRoot::kLocalMachine, Scratch("One\\Two")));
  EXPECT_TRUE(probe().KeyExists(RegRoot::kLocalMachine, Scratch("One\\Two\\Three")));
  EXPECT_THAT(probe().SubkeyNames(RegRoot::kLocalMachine, Scratch("One\\Two")),
              ElementsAre("Three"));
  EXPECT_THAT(probe().ValueNames(RegRoot::kLocalMachine, Scratch("One")), IsEmpty());
  // The same path under another root is a different key.
  EXPECT_FALSE(probe().KeyExists(RegRoot::kCurrentUser, Scratch("One")));
}

TEST_P(RegistryStoreSuite, OpeningAnExistingKeyKeepsItsValuesAndSubkeys) {
  const auto data = Bytes("\x01\x02");
  WriteKey(RegRoot::kLocalMachine, Scratch("Keep\\Child"));
  WriteKey(RegRoot::kLocalMachine, Scratch("Keep"), [&](RegKey key) {
    EXPECT_TRUE(store().SetValue(key, "First", RegType::kBinary, Span(data)).ok());
  });
  WriteKey(RegRoot::kLocalMachine, Scratch("Keep"), [&](RegKey key) {
    EXPECT_TRUE(store().SetValue(key, "Second", RegType::kBinary, Span(data)).ok());
  });

  EXPECT_THAT(probe().ValueNames(RegRoot::kLocalMachine, Scratch("Keep")),
              UnorderedElementsAre("First", "Second"));
  EXPECT_THAT(probe().SubkeyNames(RegRoot::kLocalMachine, Scratch("Keep")), ElementsAre("Child"));
}

TEST_P(RegistryStoreSuite, KeyNamesAreCaseInsensitiveAndKeepTheCaseTheyWereMadeWith) {
  WriteKey(RegRoot::kLocalMachine, Scratch("MixedCase\\Inner"));
  const auto data = Bytes("x");
  WriteKey(RegRoot::kLocalMachine, Scratch("MIXEDCASE\\inner\\Leaf"), [&](RegKey key) {
    EXPECT_TRUE(store().SetValue(key, "v", RegType::kBinary, Span(data)).ok());
  });

  EXPECT_THAT(probe().SubkeyNames(RegRoot::kLocalMachine, std::string(kSuiteScratchKey)),
              ElementsAre("MixedCase"));
  EXPECT_THAT(probe().SubkeyNames(RegRoot::kLocalMachine, Scratch("mixedcase")),
              ElementsAre("Inner"));
  EXPECT_THAT(probe().SubkeyNames(RegRoot::kLocalMachine, Scratch("MixedCase\\Inner")),
              ElementsAre("Leaf"));
  EXPECT_TRUE(probe().ReadValue(RegRoot::kLocalMachine, Scratch("mixedCASE\\INNER\\leaf"), "V"));

  EXPECT_TRUE(store().DeleteKey(RegRoot::kLocalMachine, Scratch("MIXEDCASE\\INNER\\LEAF")).ok());
  EXPECT_FALSE(probe().KeyExists(RegRoot::kLocalMachine, Scratch("MixedCase\\Inner\\Leaf")));
}

TEST_P(RegistryStoreSuite, ValueNamesAreCaseInsensitiveAndKeepTheCaseTheyWereMadeWith) {
  const auto first = Bytes("first");
  const auto second = Bytes("\x02\x00\x00\x00");
  WriteKey(RegRoot::kLocalMachine, Scratch("Values"), [&](RegKey key) {
    EXPECT_TRUE(store().SetValue(key, "ThreadingModel", RegType::kBinary, Span(first)).ok());
    EXPECT_TRUE(store().SetValue(key, "THREADINGMODEL", RegType::kDword, Span(second)).ok());
  });

  EXPECT_THAT(probe().ValueNames(RegRoot::kLocalMachine, Scratch("Values")),
              ElementsAre("ThreadingModel"));
  EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, Scratch("Values"), "threadingmodel"),
            (ProbedValue{4, second}));
}

TEST_P(RegistryStoreSuite, DeletingAKeyWithSubkeysFailsAndDeletesNothing) {
  const auto data = Bytes("kept");
  WriteKey(RegRoot::kLocalMachine, Scratch("Parent"), [&](RegKey key) {
    EXPECT_TRUE(store().SetValue(key, "", RegType::kBinary, Span(data)).ok());
  });
  WriteKey(RegRoot::kLocalMachine, Scratch("Parent\\Child"));

  const RegResult result = store().DeleteKey(RegRoot::kLocalMachine, Scratch("Parent"));
  // Windows reports a key with subkeys as access denied; both say the same here.
  EXPECT_TRUE(result.status == RegStatus::kHasSubkeys || result.status == RegStatus::kAccessDenied)
      << static_cast<int>(result.status) << " " << result.detail;

  EXPECT_TRUE(probe().KeyExists(RegRoot::kLocalMachine, Scratch("Parent\\Child")));
  EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, Scratch("Parent"), ""),
            (ProbedValue{3, data}));
}

TEST_P(RegistryStoreSuite, DeletingAMissingKeyReportsNotFound) {
  WriteKey(RegRoot::kLocalMachine, Scratch("Present"));
  for (const std::string& path :
       {Scratch("Absent"), Scratch("Absent\\Deeper"), Scratch("Present\\Absent")}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(store().DeleteKey(RegRoot::kLocalMachine, path).status, RegStatus::kNotFound);
  }
  EXPECT_TRUE(probe().KeyExists(RegRoot::kLocalMachine, Scratch("Present")));
}

TEST_P(RegistryStoreSuite, DeleteKeyRemovesThatKeyOnly) {
  WriteKey(RegRoot::kLocalMachine, Scratch("Keep\\Gone"));
  WriteKey(RegRoot::kLocalMachine, Scratch("Keep\\Sibling"));
  WriteKey(RegRoot::kCurrentUser, Scratch("Keep\\Gone"));

  EXPECT_TRUE(store().DeleteKey(RegRoot::kLocalMachine, Scratch("Keep\\Gone")).ok());

  EXPECT_THAT(probe().SubkeyNames(RegRoot::kLocalMachine, Scratch("Keep")), ElementsAre("Sibling"));
  EXPECT_TRUE(probe().KeyExists(RegRoot::kCurrentUser, Scratch("Keep\\Gone")));
}

// Non-string types keep the bytes they were given, zeros and all.
TEST_P(RegistryStoreSuite, ValuesKeepTheirTypeAndExactBytes) {
  std::vector<std::uint8_t> long_binary(300);
  for (std::size_t i = 0; i < long_binary.size(); ++i) {
    long_binary[i] = static_cast<std::uint8_t>(i * 7);
  }
  struct Row {
    std::string name;
    RegType type;
    std::vector<std::uint8_t> data;
  };
  const std::vector<Row> rows = {
      {"Binary", RegType::kBinary, Bytes(std::string_view("\x97\0\0\0\0\0\0\0", 8))},
      {"Empty binary", RegType::kBinary, {}},
      {"Long binary", RegType::kBinary, long_binary},
      {"Dword", RegType::kDword, {0xab, 0x12, 0x00, 0x00}},
      {"Qword", RegType::kQword, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}},
      {"None", RegType::kNone, Bytes(std::string_view("Value\0", 6))},
      {"Name \"with\" \\ marks", RegType::kBinary, {0x00}},
  };
  WriteKey(RegRoot::kLocalMachine, Scratch("Typed"), [&](RegKey key) {
    for (const Row& row : rows) {
      EXPECT_TRUE(store().SetValue(key, row.name, row.type, Span(row.data)).ok()) << row.name;
    }
  });

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, Scratch("Typed"), row.name),
              (ProbedValue{static_cast<std::uint32_t>(row.type), row.data}));
  }
}

// Strings arrive as 8-bit text and are kept as UTF-16LE, byte count doubled.
TEST_P(RegistryStoreSuite, StringTypesAreStoredAsUtf16) {
  struct Row {
    std::string name;
    RegType type;
    std::string text;  // the 8-bit bytes handed to SetValue, NULs included
  };
  const std::vector<Row> rows = {
      {"ThreadingModel", RegType::kString, std::string("Apartment\0", 10)},
      {"", RegType::kExpandString, std::string("%SystemRoot%\\System32\\shdocvw.dll\0", 34)},
      {"List", RegType::kMultiString, std::string("one\0two\0\0", 9)},
      {"Marks", RegType::kString, std::string("say \"hi\" \\ there\0", 17)},
  };
  WriteKey(RegRoot::kLocalMachine, Scratch("Strings"), [&](RegKey key) {
    for (const Row& row : rows) {
      EXPECT_TRUE(store().SetValue(key, row.name, row.type, Span(Bytes(row.text))).ok());
    }
  });

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto value = probe().ReadValue(RegRoot::kLocalMachine, Scratch("Strings"), row.name);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, static_cast<std::uint32_t>(row.type));
    EXPECT_EQ(value->data, Utf16(row.text));
    EXPECT_EQ(value->data.size(), 2 * row.text.size());
  }
}

TEST_P(RegistryStoreSuite, SetDefaultStringStoresTheTextWithItsNul) {
  WriteKey(RegRoot::kLocalMachine, Scratch("Default"), [&](RegKey key) {
    EXPECT_TRUE(store().SetDefaultString(key, "News \"quoted\" \\ bar").ok());
  });
  EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, Scratch("Default"), ""),
            (ProbedValue{1, Utf16(std::string_view("News \"quoted\" \\ bar\0", 20))}));
}

TEST_P(RegistryStoreSuite, SettingAValueAgainReplacesItsTypeAndData) {
  const auto dword = Bytes(std::string_view("\x01\0\0\0", 4));
  const auto binary = Bytes("\xff\xfe\xfd");
  WriteKey(RegRoot::kLocalMachine, Scratch("Again"), [&](RegKey key) {
    EXPECT_TRUE(store().SetValue(key, "v", RegType::kDword, Span(dword)).ok());
  });
  WriteKey(RegRoot::kLocalMachine, Scratch("Again"), [&](RegKey key) {
    EXPECT_TRUE(store().SetValue(key, "v", RegType::kBinary, Span(binary)).ok());
  });
  EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, Scratch("Again"), "v"),
            (ProbedValue{3, binary}));
  EXPECT_THAT(probe().ValueNames(RegRoot::kLocalMachine, Scratch("Again")), ElementsAre("v"));
}

// Everything RegisterBar writes, checked key by key and value by value.
TEST_P(RegistryStoreSuite, RegisterBarWritesEveryEntryOfTheBar) {
  struct Row {
    BarKind kind;
    std::string_view category;
    std::uint8_t size;
  };
  for (const Row& row :
       {Row{BarKind::kVertical, "{00021493-0000-0000-C000-000000000046}", 0x97},
        Row{BarKind::kHorizontal, "{00021494-0000-0000-C000-000000000046}", 0x62}}) {
    SCOPED_TRACE(row.category);
    const std::string id(kSuiteBarA);
    const std::string base = ClassKey(id);
    ASSERT_THAT(
        RegisterBar(store(), id, "News \"quoted\" \\ bar", "c:\\pages\\local page.htm", row.kind),
        IsEmpty());

    EXPECT_EQ(probe().ReadValue(RegRoot::kClassesRoot, base, ""),
              (ProbedValue{1, Utf16(std::string_view("News \"quoted\" \\ bar\0", 20))}));
    EXPECT_THAT(probe().SubkeyNames(RegRoot::kClassesRoot, base),
                UnorderedElementsAre("Implemented Categories", "InProcServer32", "Instance"));
    EXPECT_THAT(probe().SubkeyNames(RegRoot::kClassesRoot, Join(base, "Implemented Categories")),
                ElementsAre(row.category));
    EXPECT_EQ(
        probe().ReadValue(RegRoot::kClassesRoot, Join(base, "InProcServer32"), ""),
        (ProbedValue{2, Utf16(std::string_view("%SystemRoot%\\System32\\shdocvw.dll\0", 34))}));
    EXPECT_EQ(
        probe().ReadValue(RegRoot::kClassesRoot, Join(base, "InProcServer32"), "ThreadingModel"),
        (ProbedValue{1, Utf16(std::string_view("Apartment\0", 10))}));
    EXPECT_EQ(
        probe().ReadValue(RegRoot::kClassesRoot, Join(base, "Instance"), "CLSID"),
        (ProbedValue{1, Utf16(std::string_view("{4D5C8C2A-D075-11d0-B416-00C04FB90376}\0", 39))}));
    EXPECT_EQ(
        probe().ReadValue(RegRoot::kClassesRoot, Join(base, "Instance\\InitPropertyBag"), "Url"),
        (ProbedValue{1, Utf16(std::string_view("c:\\pages\\local page.htm\0", 24))}));
    EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, BarKey(id), "BarSize"),
              (ProbedValue{3, {row.size, 0, 0, 0, 0, 0, 0, 0}}));

    EXPECT_THAT(UnregisterBar(store(), id), IsEmpty());
    EXPECT_FALSE(probe().KeyExists(RegRoot::kClassesRoot, base));
    EXPECT_FALSE(probe().KeyExists(RegRoot::kLocalMachine, BarKey(id)));
  }
}

// Removing one bar leaves the other bar and every other key as they were.
TEST_P(RegistryStoreSuite, UnregisterBarLeavesNothingOfTheBarAndTouchesNothingElse) {
  for (const BarKind kind : {BarKind::kVertical, BarKind::kHorizontal}) {
    SCOPED_TRACE(kind == BarKind::kVertical ? "vertical" : "horizontal");
    const std::string gone(kSuiteBarA);
    const std::string kept(kSuiteBarB);
    const auto other = Bytes("other");
    WriteKey(RegRoot::kLocalMachine, Scratch("Other"), [&](RegKey key) {
      EXPECT_TRUE(store().SetValue(key, "Data", RegType::kBinary, Span(other)).ok());
    });
    ASSERT_THAT(RegisterBar(store(), kept, "Kept", "http://example.org/kept.htm", kind), IsEmpty());
    ASSERT_THAT(RegisterBar(store(), gone, "Gone", "http://example.org/gone.htm", kind), IsEmpty());

    EXPECT_THAT(UnregisterBar(store(), gone), IsEmpty());
    // A second removal finds nothing and is not a failure either.
    EXPECT_THAT(UnregisterBar(store(), gone), IsEmpty());

    EXPECT_FALSE(probe().KeyExists(RegRoot::kClassesRoot, ClassKey(gone)));
    EXPECT_FALSE(probe().KeyExists(RegRoot::kLocalMachine, BarKey(gone)));
    EXPECT_TRUE(probe().KeyExists(RegRoot::kClassesRoot, "CLSID"));
    EXPECT_TRUE(probe().KeyExists(RegRoot::kLocalMachine, std::string(kExplorerBars)));
    EXPECT_TRUE(probe().KeyExists(RegRoot::kClassesRoot,
                                  Join(ClassKey(kept), "Instance\\InitPropertyBag")));
    EXPECT_EQ(probe().ReadValue(RegRoot::kClassesRoot, ClassKey(kept), ""),
              (ProbedValue{1, Utf16(std::string_view("Kept\0", 5))}));
    EXPECT_TRUE(probe().ReadValue(RegRoot::kLocalMachine, BarKey(kept), "BarSize"));
    EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, Scratch("Other"), "Data"),
              (ProbedValue{3, other}));

    EXPECT_THAT(UnregisterBar(store(), kept), IsEmpty());
    EXPECT_FALSE(probe().KeyExists(RegRoot::kClassesRoot, ClassKey(kept)));
  }
}

}  // namespace quillbay::testing_support
