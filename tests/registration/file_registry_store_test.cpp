// The registry kept in a '.reg' file: its reader and writer against the reference exports,
// and the store over it.
#include "registration/posix/file_registry_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "registration/bar_registry.h"
#include "registration/reg_file.h"
#include "registration/registry_paths.h"
#include "registry_store_suite.h"
#include "system/text.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

using namespace ::quillbay::testing;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using namespace testing_support;

std::string ReadRegExport(const std::string& name) {
  return ReadBytes(std::string(QUILLBAY_TESTDATA_DIR) + "/reg-export/" + name);
}

// A version 5 file's text after its BOM, as UTF-8, for readable comparisons.
std::string Utf16FileText(const std::string& file) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.data());
  return Utf16ToText(Utf16FromBytes({bytes, file.size()}).substr(1)).value();
}

RegFile Parse(const std::string& bytes) {
  RegResult<ParsedRegFile> file = ParseRegFile(bytes);
  EXPECT_TRUE(file) << file.error().detail;
  return file ? std::move(file->registry) : RegFile();
}

// Reads the file afresh on every question: what a store has persisted, not what it holds.
class FileProbe final : public RegistryProbe {
 public:
  FileProbe(std::string path, std::shared_ptr<TempDir> folder)
      : folder_(std::move(folder)), path_(std::move(path)) {}

  std::optional<ProbedValue> ReadValue(RegRoot root, std::string_view path,
                                       std::string_view name) override {
    const RegFileKey* key = Find(root, path);
    const RegFileValue* value = key ? key->FindValue(*TextToUtf16(name)) : nullptr;
    return value ? std::optional<ProbedValue>({value->type, value->data}) : std::nullopt;
  }
  std::optional<std::vector<std::string>> Key(RegRoot root, std::string_view path) override {
    const RegFileKey* key = Find(root, path);
    if (key == nullptr) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& [folded, child] : key->children())
      names.push_back(*Utf16ToText(child->name()));
    return names;
  }

 private:
  const RegFileKey* Find(RegRoot root, std::string_view path) {
    file_ = Parse(ReadBytes(path_));  // a missing file is an empty registry
    const RegFileKey* key = file_.FindRoot(root);
    for (const std::string_view name : SplitKeyPath(path)) {
      if (key != nullptr) key = key->FindChild(*TextToUtf16(name));
    }
    return key;
  }

  std::shared_ptr<TempDir> folder_;
  std::string path_;
  RegFile file_;
};

// The data folder does not exist yet: the store makes it on its first write.
StoreUnderTest MakeFileStore() {
  auto folder = std::make_shared<TempDir>();
  return {std::make_unique<FileProbe>(folder->File("data/registry.reg"), folder),
          std::make_unique<FileRegistryStore>(folder->File("data/registry.reg"))};
}

INSTANTIATE_TEST_SUITE_P(File, RegistryStoreSuite,
                         ::testing::Values(RegistryStoreParam{"File", MakeFileStore}),
                         RegistryStoreParamName);

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kVerticalId = "{11111111-2222-4333-8444-555555555555}";
const std::string kHorizontalId = "{AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE}";

constexpr const char* kClsid = "[HKEY_CLASSES_ROOT\\CLSID]\r\n\r\n";
constexpr const char* kBarsParents =
    "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Explorer Bars]\r\n\r\n";

std::string Sections(const std::string& name) {
  return Utf16FileText(ReadRegExport(name)).substr(kHeader.size());
}

class FileRegistryStoreTest : public ::testing::Test {
 protected:
  TempDir folder_;
  std::string path_ = folder_.File("registry.reg");
};

// As Windows writes it: every parent key a section, keys depth-first, siblings sorted.
TEST_F(FileRegistryStoreTest, RegisteringTheReferenceBarsWritesTheReferenceEntries) {
  FileRegistryStore store(path_);
  EXPECT_THAT(RegisterBar(store, kVerticalId, "News \"quoted\" \\ bar",
                          "http://example.org/news.htm", BarKind::kVertical),
              IsEmpty());
  EXPECT_THAT(RegisterBar(store, kHorizontalId, "Local pane", "c:\\pages\\local page.htm",
                          BarKind::kHorizontal),
              IsEmpty());
  EXPECT_EQ(Utf16FileText(ReadBytes(path_)),
            std::string(kHeader) + kClsid + Sections("vertical-bar-clsid.reg") +
                Sections("horizontal-bar-clsid.reg") + kBarsParents +
                Sections("vertical-bar-explorer-bars.reg") +
                Sections("horizontal-bar-explorer-bars.reg"));
}

std::string Utf16File(std::string_view text) {
  const std::vector<std::uint8_t> bytes = Utf16Bytes(*TextToUtf16(text));
  return "\xFF\xFE" + std::string(bytes.begin(), bytes.end());
}

// A file someone edited is read as import takes it. A line that writing the file again would
// lose refuses every change, naming the line, and the file stays as it is; layout alone
// does not count.
TEST_F(FileRegistryStoreTest, AHandEditedFileIsKeptOrRefusedNamingItsLine) {
  const std::string kept = std::string(kHeader) + "[HKEY_CURRENT_USER\\Kept]\r\n\"v\"=\"1\"\r\n";
  const struct {
    std::string bytes;
    const char* refusal;  // nullptr: the change is made
    bool readable;
  } cases[] = {
      {"not a registry file", "line 1: the first line must be", false},
      {Utf16File(kept + "; a note\r\n"), "line 5: a comment", true},
      {Utf16File(kept + "[-HKEY_CURRENT_USER\\Gone]\r\n"), "line 5: the deletion of a key", true},
      {Utf16File(kept + "\"w\"=-\r\n"), "line 5: the deletion of a value", true},
      {kept, "line 1: 8-bit text", true},
      {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Kept]\r\n", "line 1: 8-bit text", true},
      {Utf16File(kept).substr(2), "line 1: the file is UTF-16 without the byte-order mark", false},
      {Utf16File(
           "Windows Registry Editor Version 5.00\r\n  [hkcu\\Kept]  \r\n\r\n\r\n\"v\" = \"1\""),
       nullptr, true},
  };
  for (const auto& [bytes, refusal, readable] : cases) {
    SCOPED_TRACE(refusal == nullptr ? "layout" : refusal);
    WriteBytes(path_, bytes);
    FileRegistryStore store(path_);
    EXPECT_EQ(store.ReadTree(RegRoot::kCurrentUser, "Kept").has_value(), readable);
    const RegKeyWrite step{RegRoot::kCurrentUser, "New", {}};
    const std::vector<RegFailure> failures = store.WriteKeys({&step, 1});
    if (refusal == nullptr) {
      EXPECT_THAT(failures, IsEmpty());
      EXPECT_TRUE(store.ReadTree(RegRoot::kCurrentUser, "Kept"));
      continue;
    }
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].error.status, RegStatus::kStoreError);
    EXPECT_THAT(failures[0].error.detail, HasSubstr(std::string("registry.reg: ") + refusal));
    EXPECT_EQ(ReadBytes(path_), bytes);
  }
}

// While a snapshot is held the file is read once, and changes made through the store are
// seen and written; once it ends, the next call reads the file again.
TEST_F(FileRegistryStoreTest, ASnapshotReadsTheFileOnce) {
  FileRegistryStore store(path_);
  const RegKeyWrite steps[] = {{RegRoot::kCurrentUser, "First", {}},
                               {RegRoot::kCurrentUser, "Second", {}}};
  ASSERT_THAT(store.WriteKeys({steps, 1}), IsEmpty());
  {
    RegSnapshot snapshot(store);
    ASSERT_TRUE(store.ReadTree(RegRoot::kCurrentUser, "First"));
    WriteBytes(path_, "");  // behind the lock's back: not seen
    EXPECT_TRUE(store.ReadTree(RegRoot::kCurrentUser, "First"));
    ASSERT_THAT(store.WriteKeys({steps + 1, 1}), IsEmpty());
  }
  EXPECT_TRUE(store.ReadTree(RegRoot::kCurrentUser, "First"));  // written back with Second
  WriteBytes(path_, "");
  EXPECT_EQ(store.ReadTree(RegRoot::kCurrentUser, "Second").error().status, RegStatus::kNotFound);
}

// The exports hold every value type, escapes, folded hex and keys named only as part of a
// deeper path, which must not gain a section of their own.
TEST(RegFileTest, ReferenceExportsRoundTripByteForByte) {
  for (const char* name :
       {"vertical-bar-clsid.reg", "vertical-bar-explorer-bars.reg", "horizontal-bar-clsid.reg",
        "horizontal-bar-explorer-bars.reg", "other-vendor.reg"}) {
    const std::string original = ReadRegExport(name);
    EXPECT_EQ(FormatRegFile(Parse(original)), original.empty() ? "missing" : original) << name;
  }
}

// Data the quoted or dword forms would not give back exactly are written as hex.
TEST(RegFileTest, WritesWhatTheShortFormsCannotHoldAsHex) {
  RegFile file;
  RegFileKey& key = file.OpenRoot(RegRoot::kLocalMachine).OpenChild(u"K");
  key.set_listed(true);
  key.SetValue(u"no nul", 1, Utf16Bytes(u"ab"));
  key.SetValue(u"line break", 1, Utf16Bytes(std::u16string(u"a\r\nb\0", 5)));
  key.SetValue(u"odd", 1, {0x41});
  key.SetValue(u"short dword", 4, {1, 2, 3});
  key.SetValue(u"plain", 1, Utf16Bytes(std::u16string(u"a\\b\"c\0", 6)));
  key.SetValue(u"fol", 3, std::vector<std::uint8_t>(24, 0xab));  // 77 characters end a line
  EXPECT_EQ(
      Utf16FileText(FormatRegFile(file)),
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\K]\r\n"
      "\"no nul\"=hex(1):61,00,62,00\r\n"
      "\"line break\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"
      "\"odd\"=hex(1):41\r\n"
      "\"short dword\"=hex(4):01,02,03\r\n"
      "\"plain\"=\"a\\\\b\\\"c\"\r\n"
      "\"fol\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\r\n"
      "  ab\r\n\r\n");
  EXPECT_EQ(Parse(FormatRegFile(file)), file);
}

}  // namespace
}  // namespace quillbay
