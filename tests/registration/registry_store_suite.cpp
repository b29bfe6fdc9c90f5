#include "registry_store_suite.h"

#include <gmock/gmock.h>

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

TEST_P(RegistryStoreSuite, CreateKeyMakesTheWholePathAndReopeningKeepsWhatIsThere) {
  const auto dword = Bytes(std::string_view("\x01\0\0\0", 4));
  const auto binary = Bytes("\xff\xfe\xfd");
  WriteKey(RegRoot::kLocalMachine, Scratch("One\\Two\\Three"), [&](RegKey key) {
    EXPECT_TRUE(store().SetValue(key, "v", RegType::kDword, dword).ok());
  });
  WriteKey(RegRoot::kLocalMachine, Scratch("One\\Two\\Three"), [&](RegKey key) {
    EXPECT_TRUE(store().SetValue(key, "w", RegType::kBinary, binary).ok());
    EXPECT_TRUE(store().SetValue(key, "v", RegType::kBinary, binary).ok());
  });

  EXPECT_THAT(probe().SubkeyNames(RegRoot::kLocalMachine, Scratch("One")), ElementsAre("Two"));
  EXPECT_THAT(probe().SubkeyNames(RegRoot::kLocalMachine, Scratch("One\\Two")),
              ElementsAre("Three"));
  EXPECT_THAT(probe().ValueNames(RegRoot::kLocalMachine, Scratch("One\\Two\\Three")),
              UnorderedElementsAre("v", "w"));
  EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, Scratch("One\\Two\\Three"), "v"),
            (ProbedValue{3, binary}));
  // The same path under another root is a different key.
  EXPECT_FALSE(probe().KeyExists(RegRoot::kCurrentUser, Scratch("One")));
}

TEST_P(RegistryStoreSuite, NamesAreCaseInsensitiveAndKeepTheCaseTheyWereMadeWith) {
  const auto first = Bytes("first");
  const auto second = Bytes("\x02\x00\x00\x00");
  WriteKey(RegRoot::kLocalMachine, Scratch("MixedCase\\Inner"));
  WriteKey(RegRoot::kLocalMachine, Scratch("MIXEDCASE\\inner\\Leaf"), [&](RegKey key) {
    EXPECT_TRUE(store().SetValue(key, "ThreadingModel", RegType::kBinary, first).ok());
    EXPECT_TRUE(store().SetValue(key, "THREADINGMODEL", RegType::kDword, second).ok());
  });

  EXPECT_THAT(probe().SubkeyNames(RegRoot::kLocalMachine, std::string(kSuiteScratchKey)),
              ElementsAre("MixedCase"));
  EXPECT_THAT(probe().SubkeyNames(RegRoot::kLocalMachine, Scratch("mixedcase")),
              ElementsAre("Inner"));
  EXPECT_THAT(probe().ValueNames(RegRoot::kLocalMachine, Scratch("MixedCase\\Inner\\Leaf")),
              ElementsAre("ThreadingModel"));
  EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, Scratch("mixedCASE\\INNER\\leaf"),
                              "tHREADINGmODEL"),
            (ProbedValue{4, second}));

  EXPECT_TRUE(store().DeleteKey(RegRoot::kLocalMachine, Scratch("MIXEDCASE\\INNER\\LEAF")).ok());
  EXPECT_FALSE(probe().KeyExists(RegRoot::kLocalMachine, Scratch("MixedCase\\Inner\\Leaf")));
}

TEST_P(RegistryStoreSuite, DeletingAKeyWithSubkeysFailsAndDeletesNothing) {
  const auto data = Bytes("kept");
  WriteKey(RegRoot::kLocalMachine, Scratch("Parent"), [&](RegKey key) {
    EXPECT_TRUE(store().SetValue(key, "", RegType::kBinary, data).ok());
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

TEST_P(RegistryStoreSuite, DeleteKeyRemovesThatKeyOnlyAndAMissingKeyIsNotFound) {
  WriteKey(RegRoot::kLocalMachine, Scratch("Keep\\Gone"));
  WriteKey(RegRoot::kLocalMachine, Scratch("Keep\\Sibling"));
  WriteKey(RegRoot::kCurrentUser, Scratch("Keep\\Gone"));

  EXPECT_TRUE(store().DeleteKey(RegRoot::kLocalMachine, Scratch("Keep\\Gone")).ok());
  for (const std::string& path :
       {Scratch("Keep\\Gone"), Scratch("Absent"), Scratch("Absent\\Deeper")}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(store().DeleteKey(RegRoot::kLocalMachine, path).status, RegStatus::kNotFound);
  }

  EXPECT_THAT(probe().SubkeyNames(RegRoot::kLocalMachine, Scratch("Keep")), ElementsAre("Sibling"));
  EXPECT_TRUE(probe().KeyExists(RegRoot::kCurrentUser, Scratch("Keep\\Gone")));
}

// Non-string types keep the bytes they were given, zeros and all; strings arrive as 8-bit
// text and are kept as UTF-16LE.
TEST_P(RegistryStoreSuite, ValuesKeepTheirTypeAndExactBytes) {
  std::vector<std::uint8_t> long_binary(300);
  for (std::size_t i = 0; i < long_binary.size(); ++i) {
    long_binary[i] = static_cast<std::uint8_t>(i * 7);
  }
  struct Row {
    std::string name;
    RegType type;
    std::vector<std::uint8_t> given;
    std::vector<std::uint8_t> stored;
  };
  const std::vector<Row> rows = {
      {"Binary", RegType::kBinary, Bytes({"\x97\0\0\0\0\0\0\0", 8}),
       Bytes({"\x97\0\0\0\0\0\0\0", 8})},
      {"Empty binary", RegType::kBinary, {}, {}},
      {"Long binary", RegType::kBinary, long_binary, long_binary},
      {"Dword", RegType::kDword, {0xab, 0x12, 0, 0}, {0xab, 0x12, 0, 0}},
      {"Qword", RegType::kQword, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"None", RegType::kNone, Bytes({"Value\0", 6}), Bytes({"Value\0", 6})},
      {"Name \"with\" \\ marks", RegType::kBinary, {0}, {0}},
      {"ThreadingModel", RegType::kString, Bytes({"Apartment\0", 10}), Utf16({"Apartment\0", 10})},
      {"", RegType::kExpandString, Bytes({"%SystemRoot%\\x.dll\0", 19}),
       Utf16({"%SystemRoot%\\x.dll\0", 19})},
      {"List", RegType::kMultiString, Bytes({"one\0two\0\0", 9}), Utf16({"one\0two\0\0", 9})},
      {"Marks", RegType::kString, Bytes({"say \"hi\" \\ there\0", 17}),
       Utf16({"say \"hi\" \\ there\0", 17})},
  };
  WriteKey(RegRoot::kLocalMachine, Scratch("Typed"), [&](RegKey key) {
    for (const Row& row : rows) {
      EXPECT_TRUE(store().SetValue(key, row.name, row.type, row.given).ok()) << row.name;
    }
  });
  WriteKey(RegRoot::kLocalMachine, Scratch("Default"), [&](RegKey key) {
    EXPECT_TRUE(store().SetDefaultString(key, "News \"quoted\" \\ bar").ok());
  });

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, Scratch("Typed"), row.name),
              (ProbedValue{static_cast<std::uint32_t>(row.type), row.stored}));
  }
  EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, Scratch("Default"), ""),
            (ProbedValue{1, Utf16(std::string_view("News \"quoted\" \\ bar\0", 20))}));
}

// An export reads a bar back through the store: every value with its type and stored bytes,
// and every subkey, whichever case it is asked for in.
TEST_P(RegistryStoreSuite, ReadKeyGivesBackWhatWasWritten) {
  const auto binary = Bytes({"\x62\0\0", 3});
  WriteKey(RegRoot::kLocalMachine, Scratch("Read\\Sub"));
  WriteKey(RegRoot::kLocalMachine, Scratch("Read"), [&](RegKey key) {
    EXPECT_TRUE(store().SetDefaultString(key, "Name").ok());
    EXPECT_TRUE(store().SetValue(key, "Size", RegType::kBinary, binary).ok());
    EXPECT_TRUE(store().SetValue(key, "Path", RegType::kExpandString, Bytes({"%a%\0", 4})).ok());
  });
  RegKeyContents read;
  ASSERT_TRUE(store().ReadKey(RegRoot::kLocalMachine, Scratch("READ"), &read).ok());
  EXPECT_THAT(read.subkeys, ElementsAre("Sub"));
  EXPECT_THAT(read.values, UnorderedElementsAre(
                               RegValueData{"", RegType::kString, Utf16({"Name\0", 5})},
                               RegValueData{"Size", RegType::kBinary, binary},
                               RegValueData{"Path", RegType::kExpandString, Utf16({"%a%\0", 4})}));
  ASSERT_TRUE(store().ReadKey(RegRoot::kLocalMachine, Scratch("Read\\Sub"), &read).ok());
  EXPECT_TRUE(read.subkeys.empty() && read.values.empty());
  EXPECT_EQ(store().ReadKey(RegRoot::kCurrentUser, Scratch("Read"), &read).status,
            RegStatus::kNotFound);
}

// What RegisterBar writes value by value is checked against a recording store; here, that
// a real store ends up with the bar's keys and, once it is removed, with nothing of it,
// while the other bar and every other key stay as they were.
TEST_P(RegistryStoreSuite, RegisterThenUnregisterLeavesNothingOfTheBarAndTouchesNothingElse) {
  struct Row {
    BarKind kind;
    std::string_view category;
    std::uint8_t size;
  };
  const std::string gone(kSuiteBarA);
  const std::string kept(kSuiteBarB);
  const auto other = Bytes("other");
  for (const Row& row :
       {Row{BarKind::kVertical, "{00021493-0000-0000-C000-000000000046}", 0x97},
        Row{BarKind::kHorizontal, "{00021494-0000-0000-C000-000000000046}", 0x62}}) {
    SCOPED_TRACE(row.category);
    WriteKey(RegRoot::kLocalMachine, Scratch("Other"), [&](RegKey key) {
      EXPECT_TRUE(store().SetValue(key, "Data", RegType::kBinary, other).ok());
    });
    ASSERT_THAT(RegisterBar(store(), kept, "Kept", "http://example.org/kept.htm", row.kind),
                IsEmpty());
    ASSERT_THAT(RegisterBar(store(), gone, "Gone", "c:\\pages\\gone.htm", row.kind), IsEmpty());

    EXPECT_THAT(probe().SubkeyNames(RegRoot::kClassesRoot, ClassKey(gone)),
                UnorderedElementsAre("Implemented Categories", "InProcServer32", "Instance"));
    EXPECT_THAT(
        probe().SubkeyNames(RegRoot::kClassesRoot, Join(ClassKey(gone), "Implemented Categories")),
        ElementsAre(row.category));
    EXPECT_EQ(probe().ReadValue(RegRoot::kClassesRoot,
                                Join(ClassKey(gone), "Instance\\InitPropertyBag"), "Url"),
              (ProbedValue{1, Utf16(std::string_view("c:\\pages\\gone.htm\0", 18))}));
    EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, BarKey(gone), "BarSize"),
              (ProbedValue{3, {row.size, 0, 0, 0, 0, 0, 0, 0}}));

    EXPECT_THAT(UnregisterBar(store(), gone), IsEmpty());
    // A second removal finds nothing and is not a failure either.
    EXPECT_THAT(UnregisterBar(store(), gone), IsEmpty());

    EXPECT_FALSE(probe().KeyExists(RegRoot::kClassesRoot, ClassKey(gone)));
    EXPECT_FALSE(probe().KeyExists(RegRoot::kLocalMachine, BarKey(gone)));
    EXPECT_TRUE(probe().KeyExists(RegRoot::kLocalMachine, std::string(kExplorerBars)));
    EXPECT_EQ(probe().ReadValue(RegRoot::kClassesRoot, ClassKey(kept), ""),
              (ProbedValue{1, Utf16(std::string_view("Kept\0", 5))}));
    EXPECT_TRUE(probe().ReadValue(RegRoot::kLocalMachine, BarKey(kept), "BarSize"));
    EXPECT_EQ(probe().ReadValue(RegRoot::kLocalMachine, Scratch("Other"), "Data"),
              (ProbedValue{3, other}));

    EXPECT_THAT(UnregisterBar(store(), kept), IsEmpty());
    EXPECT_FALSE(probe().KeyExists(RegRoot::kClassesRoot, ClassKey(kept)));
    EXPECT_TRUE(probe().KeyExists(RegRoot::kClassesRoot, "CLSID"));
  }
}

}  // namespace quillbay::testing_support
