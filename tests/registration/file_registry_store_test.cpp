#include "registration/file_registry_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "reg_test_files.h"
#include "registration/bar_registry.h"
#include "registry_store_suite.h"
#include "system/files.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

using ::quillbay::testing::ReadBytes;
using ::quillbay::testing::TempDir;
using ::quillbay::testing::WriteBytes;
using ::testing::IsEmpty;
using testing_support::ProbedValue;
using testing_support::RegistryProbe;
using testing_support::RegistryStoreParam;
using testing_support::RegistryStoreSuite;
using testing_support::StoreUnderTest;

std::string ReadData(const std::string& name) {
  return testing::ReadRegExport(name);
}
std::string Utf16Text(const std::string& file) {
  return testing::Utf16FileText(file);
}

// Reads the file afresh on every question: what a store has persisted, not what it holds.
// It may own the folder the file is in, so that the folder outlives the store.
class FileProbe final : public RegistryProbe {
 public:
  explicit FileProbe(std::string path, std::unique_ptr<TempDir> folder = nullptr)
      : folder_(std::move(folder)), path_(std::move(path)) {}

  bool KeyExists(RegRoot root, std::string_view path) override {
    RegFile file;
    return Find(file, root, path) != nullptr;
  }
  std::optional<ProbedValue> ReadValue(RegRoot root, std::string_view path,
                                       std::string_view name) override {
    RegFile file;
    const RegFileKey* key = Find(file, root, path);
    const RegFileValue* value = key == nullptr ? nullptr : key->FindValue(*Utf8ToUtf16(name));
    if (value == nullptr) return std::nullopt;
    return ProbedValue{value->type, value->data};
  }
  std::vector<std::string> ValueNames(RegRoot root, std::string_view path) override {
    RegFile file;
    std::vector<std::string> names;
    if (const RegFileKey* key = Find(file, root, path)) {
      for (const RegFileValue& value : key->values()) names.push_back(Utf16ToUtf8(value.name));
    }
    return names;
  }
  std::vector<std::string> SubkeyNames(RegRoot root, std::string_view path) override {
    RegFile file;
    std::vector<std::string> names;
    if (const RegFileKey* key = Find(file, root, path)) {
      for (const auto& [folded, child] : key->children()) {
        names.push_back(Utf16ToUtf8(child->name()));
      }
    }
    return names;
  }

 private:
  const RegFileKey* Find(RegFile& file, RegRoot root, std::string_view path) {
    const std::optional<std::string> bytes = ReadWholeFile(path_);
    RegFileError error;
    if (!bytes) return nullptr;
    if (!ParseRegFile(*bytes, file, error)) {
      ADD_FAILURE() << path_ << ": line " << error.line << ": " << error.message;
      return nullptr;
    }
    const RegFileKey* key = file.FindRoot(root);
    const std::u16string wide = Utf8ToUtf16(path).value();
    std::u16string_view rest = wide;
    while (key != nullptr && !rest.empty()) {
      const std::size_t slash = rest.find(u'\\');
      key = key->FindChild(rest.substr(0, slash));
      rest = slash == std::u16string_view::npos ? std::u16string_view{} : rest.substr(slash + 1);
    }
    return key;
  }

  std::unique_ptr<TempDir> folder_;
  std::string path_;
};

// The data folder does not exist yet: the store makes it on its first write.
StoreUnderTest MakeFileStore() {
  auto folder = std::make_unique<TempDir>();
  const std::string path = folder->File("data/registry.reg");
  return {std::make_unique<FileProbe>(path, std::move(folder)),
          std::make_unique<FileRegistryStore>(path)};
}

INSTANTIATE_TEST_SUITE_P(File, RegistryStoreSuite,
                         ::testing::Values(RegistryStoreParam{"File", MakeFileStore}),
                         testing_support::RegistryStoreParamName);

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kVerticalId = "{11111111-2222-4333-8444-555555555555}";
const std::string kHorizontalId = "{AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE}";

// The parent keys a bar's keys need, each a section of its own.
constexpr const char* kClsid = "[HKEY_CLASSES_ROOT\\CLSID]\r\n\r\n";
constexpr const char* kBarsParents =
    "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Explorer Bars]\r\n\r\n";

// A reference export's sections, without its header line.
std::string Sections(const std::string& name) {
  return Utf16Text(ReadData(name)).substr(kHeader.size());
}

class FileRegistryStoreTest : public ::testing::Test {
 protected:
  TempDir folder_;
  std::string path_ = folder_.File("registry.reg");
};

// The two reference bars written into an empty store are the reference sections, except
// that, as Windows does, every parent key is a section of its own and keys are listed
// depth-first with siblings sorted (both bars under CLSID before HKEY_LOCAL_MACHINE).
TEST_F(FileRegistryStoreTest, RegisteringTheReferenceBarsWritesTheReferenceEntries) {
  FileRegistryStore store(path_);
  EXPECT_THAT(RegisterBar(store, kVerticalId, "News \"quoted\" \\ bar",
                          "http://example.org/news.htm", BarKind::kVertical),
              IsEmpty());
  EXPECT_THAT(RegisterBar(store, kHorizontalId, "Local pane", "c:\\pages\\local page.htm",
                          BarKind::kHorizontal),
              IsEmpty());

  const std::string expected = std::string(kHeader) + kClsid + Sections("vertical-bar-clsid.reg") +
                               Sections("horizontal-bar-clsid.reg") + kBarsParents +
                               Sections("vertical-bar-explorer-bars.reg") +
                               Sections("horizontal-bar-explorer-bars.reg");
  const std::string written = ReadBytes(path_);
  EXPECT_EQ(Utf16Text(written), expected);
  EXPECT_EQ(written.substr(0, 2), "\xFF\xFE");
}

// Another program's keys of every type come through a RegisterBar and UnregisterBar
// unchanged; what remains beside them are the parent keys the bar's keys needed.
TEST_F(FileRegistryStoreTest, OtherProgramsEntriesSurviveByteForByte) {
  WriteBytes(path_, ReadData("other-vendor.reg"));
  FileRegistryStore store(path_);
  for (const BarKind kind : {BarKind::kVertical, BarKind::kHorizontal}) {
    EXPECT_THAT(RegisterBar(store, kVerticalId, "n", "l", kind), IsEmpty());
    EXPECT_THAT(UnregisterBar(store, kVerticalId), IsEmpty());
  }
  EXPECT_EQ(Utf16Text(ReadBytes(path_)),
            std::string(kHeader) + kClsid + kBarsParents + Sections("other-vendor.reg"));
}

TEST_F(FileRegistryStoreTest, AFileItCannotReadIsLeftAsItIsAndTheStepFails) {
  const std::pair<std::string, std::string> rows[] = {
      {"not a registry file", path_},
      {std::string("\xFF\xFE\x57", 3), path_},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex:zz\r\n", "line 3"},
  };
  for (const auto& [content, detail] : rows) {
    SCOPED_TRACE(content);
    WriteBytes(path_, content);
    FileRegistryStore store(path_);
    RegKey key = 0;
    const RegResult created = store.CreateKey(RegRoot::kLocalMachine, "Software\\X", &key);
    EXPECT_EQ(created.status, RegStatus::kStoreError);
    EXPECT_THAT(created.detail, ::testing::HasSubstr(detail));
    EXPECT_EQ(store.DeleteKey(RegRoot::kLocalMachine, "A").status, RegStatus::kStoreError);
    EXPECT_EQ(ReadBytes(path_), content);
  }
}

// Invalid UTF-8 and names the file cannot hold are refused rather than guessed at.
TEST_F(FileRegistryStoreTest, RefusesTextItCannotStore) {
  FileRegistryStore store(path_);
  RegKey key = 0;
  for (const char* path : {"Bad\xFFName", "Line\nBreak", "A\\\\B"}) {
    EXPECT_EQ(store.CreateKey(RegRoot::kLocalMachine, path, &key).status, RegStatus::kOther);
  }
  ASSERT_TRUE(store.CreateKey(RegRoot::kLocalMachine, "Good", &key).ok());
  const std::uint8_t bad[] = {'a', 0xC3, 0};
  EXPECT_EQ(store.SetValue(key, "v", RegType::kString, bad).status, RegStatus::kOther);
  EXPECT_EQ(store.SetValue(key, "\xC3", RegType::kBinary, bad).status, RegStatus::kOther);
  EXPECT_TRUE(store.SetValue(key, "binary is bytes", RegType::kBinary, bad).ok());
  EXPECT_TRUE(store.CloseKey(key).ok());
  EXPECT_EQ(FileProbe(path_).ValueNames(RegRoot::kLocalMachine, "Good"),
            std::vector<std::string>{"binary is bytes"});
}

TEST_F(FileRegistryStoreTest, WritesThroughAKeyDeletedWhileOpenFail) {
  FileRegistryStore store(path_);
  RegKey key = 0;
  ASSERT_TRUE(store.CreateKey(RegRoot::kLocalMachine, "Gone", &key).ok());
  EXPECT_TRUE(store.DeleteKey(RegRoot::kLocalMachine, "Gone").ok());
  const std::uint8_t data[] = {1};
  EXPECT_EQ(store.SetValue(key, "v", RegType::kBinary, data).status, RegStatus::kOther);
  EXPECT_TRUE(store.CloseKey(key).ok());
  EXPECT_FALSE(FileProbe(path_).KeyExists(RegRoot::kLocalMachine, "Gone"));
}

// Another Quillbay process, or another tool rewriting the file in place (same inode; the
// size and times still show), changes the file between two steps of a store.
TEST_F(FileRegistryStoreTest, EachStepStartsFromWhatTheFileHoldsNow) {
  FileRegistryStore first(path_);
  FileRegistryStore second(path_);
  EXPECT_THAT(RegisterBar(first, kVerticalId, "1", "l", BarKind::kVertical), IsEmpty());
  EXPECT_THAT(RegisterBar(second, kHorizontalId, "2", "l", BarKind::kHorizontal), IsEmpty());
  EXPECT_THAT(UnregisterBar(first, kHorizontalId), IsEmpty());
  FileProbe probe(path_);
  EXPECT_TRUE(probe.KeyExists(RegRoot::kClassesRoot, "CLSID\\" + kVerticalId));
  EXPECT_FALSE(probe.KeyExists(RegRoot::kClassesRoot, "CLSID\\" + kHorizontalId));

  {
    std::ofstream in_place(path_, std::ios::binary | std::ios::in | std::ios::trunc);
    in_place << ReadData("other-vendor.reg");
  }
  EXPECT_TRUE(first.DeleteKey(RegRoot::kLocalMachine, "Software\\Other Vendor\\Tool\\b sub").ok());
  EXPECT_FALSE(probe.KeyExists(RegRoot::kClassesRoot, "CLSID\\" + kVerticalId));
  EXPECT_TRUE(probe.ReadValue(RegRoot::kLocalMachine, "Software\\Other Vendor\\Tool", "Blob"));
}

TEST_F(FileRegistryStoreTest, TwoProcessesRegisteringAtOnceLoseNothing) {
  constexpr unsigned kBars = 12;
  std::vector<pid_t> children;
  for (unsigned p = 0; p < 2; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      FileRegistryStore store(path_);
      std::size_t failures = 0;
      for (unsigned b = 0; b < kBars; ++b) {
        char id[39];
        std::snprintf(id, sizeof id, "{%08X-0000-4000-8000-%012X}", p, b);
        failures += RegisterBar(store, id, "bar", "loc", BarKind::kVertical).size();
      }
      ::_exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  FileProbe probe(path_);
  EXPECT_EQ(probe.SubkeyNames(RegRoot::kClassesRoot, "CLSID").size(), 2 * kBars);
  EXPECT_EQ(probe
                .SubkeyNames(RegRoot::kLocalMachine,
                             "Software\\Microsoft\\Internet Explorer\\Explorer Bars")
                .size(),
            2 * kBars);
}

// A bar's steps are one update: the file is written once, when the update ends.
TEST_F(FileRegistryStoreTest, AnUpdateIsWrittenWhenItEnds) {
  FileRegistryStore store(path_);
  store.BeginUpdate();
  RegKey key = 0;
  ASSERT_TRUE(store.CreateKey(RegRoot::kLocalMachine, "Software\\Grouped", &key).ok());
  ASSERT_TRUE(store.CloseKey(key).ok());
  ASSERT_TRUE(store.DeleteKey(RegRoot::kLocalMachine, "Software\\Grouped").ok());
  ASSERT_TRUE(store.CreateKey(RegRoot::kLocalMachine, "Software\\Kept", &key).ok());
  ASSERT_TRUE(store.CloseKey(key).ok());
  EXPECT_FALSE(std::filesystem::exists(path_));
  EXPECT_TRUE(store.EndUpdate().ok());
  FileProbe probe(path_);
  EXPECT_TRUE(probe.KeyExists(RegRoot::kLocalMachine, "Software\\Kept"));
  EXPECT_FALSE(probe.KeyExists(RegRoot::kLocalMachine, "Software\\Grouped"));
}

TEST_F(FileRegistryStoreTest, ReportsWhatCannotBeWritten) {
  WriteBytes(folder_.File("plain"), "a file, not a folder");
  std::filesystem::create_directory(folder_.File("folder.reg"));
  for (const std::string& path : {folder_.File("plain/registry.reg"), folder_.File("folder.reg")}) {
    SCOPED_TRACE(path);
    FileRegistryStore store(path);
    const auto failures = RegisterBar(store, kVerticalId, "n", "l", BarKind::kVertical);
    ASSERT_FALSE(failures.empty());
    EXPECT_EQ(failures.front().result.status, RegStatus::kStoreError);
    EXPECT_FALSE(failures.front().result.detail.empty());
  }
}

// A write cut short (the file-size limit standing in for a full disk) fails the step,
// leaves the old file whole, and the next step starts again from what the file holds.
TEST_F(FileRegistryStoreTest, AFailedWriteLeavesTheFileAndIsNotKeptInMemory) {
  FileRegistryStore store(path_);
  EXPECT_THAT(RegisterBar(store, kVerticalId, "n", "l", BarKind::kVertical), IsEmpty());
  const std::string before = ReadBytes(path_);

  rlimit old_limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = before.size();
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  RegKey key = 0;
  ASSERT_TRUE(store.CreateKey(RegRoot::kCurrentUser, "Lost", &key).ok());
  const RegResult closed = store.CloseKey(key);
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  ::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(closed.status, RegStatus::kStoreError);
  EXPECT_EQ(ReadBytes(path_), before);
  ASSERT_TRUE(store.CreateKey(RegRoot::kCurrentUser, "Kept", &key).ok());
  EXPECT_TRUE(store.CloseKey(key).ok());
  FileProbe probe(path_);
  EXPECT_FALSE(probe.KeyExists(RegRoot::kCurrentUser, "Lost"));
  EXPECT_TRUE(probe.KeyExists(RegRoot::kCurrentUser, "Kept"));
}

}  // namespace
}  // namespace quillbay
