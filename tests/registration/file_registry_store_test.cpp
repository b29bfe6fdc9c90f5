#include "registration/file_registry_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "registration/bar_registry.h"
#include "registry_store_suite.h"
#include "system/files.h"

namespace quillbay {
namespace {

using ::testing::IsEmpty;
using testing_support::ProbedValue;
using testing_support::RegistryProbe;
using testing_support::RegistryStoreParam;
using testing_support::RegistryStoreSuite;
using testing_support::StoreUnderTest;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadData(const std::string& name) {
  return ReadFile(std::string(QUILLBAY_TESTDATA_DIR) + "/reg-export/" + name);
}

// A folder of its own under the system's temporary folder, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillbay-reg-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  std::string File(std::string_view name) const { return JoinPath(path_, name); }

 private:
  std::string path_;
};

std::string Utf16Text(const std::string& file) {
  std::u16string text;
  for (std::size_t i = 2; i + 1 < file.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<std::uint8_t>(file[i]) |
                                  (static_cast<std::uint8_t>(file[i + 1]) << 8));
  }
  return Utf16ToUtf8(text);
}

// Reads the file afresh on every question: what a store has persisted, not what it holds.
class FileProbe final : public RegistryProbe {
 public:
  explicit FileProbe(std::string path) : path_(std::move(path)) {}

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

  std::string path_;
};

// The probe owns the scratch folder, so it outlives the store's file.
class OwningFileProbe final : public RegistryProbe {
 public:
  OwningFileProbe() : probe_(folder_.File("data/registry.reg")) {}
  std::string path() const { return folder_.File("data/registry.reg"); }
  bool KeyExists(RegRoot r, std::string_view p) override { return probe_.KeyExists(r, p); }
  std::optional<ProbedValue> ReadValue(RegRoot r, std::string_view p, std::string_view n) override {
    return probe_.ReadValue(r, p, n);
  }
  std::vector<std::string> ValueNames(RegRoot r, std::string_view p) override {
    return probe_.ValueNames(r, p);
  }
  std::vector<std::string> SubkeyNames(RegRoot r, std::string_view p) override {
    return probe_.SubkeyNames(r, p);
  }

 private:
  ScratchFolder folder_;
  FileProbe probe_;
};

StoreUnderTest MakeFileStore() {
  auto probe = std::make_unique<OwningFileProbe>();
  auto store = std::make_unique<FileRegistryStore>(probe->path());
  return {std::move(probe), std::move(store)};
}

INSTANTIATE_TEST_SUITE_P(File, RegistryStoreSuite,
                         ::testing::Values(RegistryStoreParam{"File", MakeFileStore}),
                         testing_support::RegistryStoreParamName);

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
constexpr std::string_view kVerticalId = "{11111111-2222-4333-8444-555555555555}";
constexpr std::string_view kHorizontalId = "{AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE}";

// A reference export's sections, without its header line.
std::string Sections(const std::string& name) {
  return Utf16Text(ReadData(name)).substr(kHeader.size());
}

class FileRegistryStoreTest : public ::testing::Test {
 protected:
  ScratchFolder folder_;
  std::string path_ = folder_.File("registry.reg");
};

// Registering the two reference bars into an empty store writes exactly the reference
// sections. Two differences from simply joining the exports, both Windows' own: every key
// is a section of its own, so the parents that the exports leave out (CLSID, Software...)
// come first; and the file lists keys depth-first with siblings sorted, so the sections
// of both bars under CLSID come before those under HKEY_LOCAL_MACHINE. Values come in the
// order they were made, which for these keys is the exports' sorted order as well
// ("@" before "ThreadingModel").
TEST_F(FileRegistryStoreTest, RegisteringTheReferenceBarsWritesTheReferenceEntries) {
  FileRegistryStore store(path_);
  EXPECT_THAT(RegisterBar(store, std::string(kVerticalId), "News \"quoted\" \\ bar",
                          "http://example.org/news.htm", BarKind::kVertical),
              IsEmpty());
  EXPECT_THAT(RegisterBar(store, std::string(kHorizontalId), "Local pane",
                          "c:\\pages\\local page.htm", BarKind::kHorizontal),
              IsEmpty());

  const std::string expected =
      std::string(kHeader) + "[HKEY_CLASSES_ROOT\\CLSID]\r\n\r\n" +
      Sections("vertical-bar-clsid.reg") + Sections("horizontal-bar-clsid.reg") +
      "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Microsoft]\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer]\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Explorer Bars]\r\n\r\n" +
      Sections("vertical-bar-explorer-bars.reg") + Sections("horizontal-bar-explorer-bars.reg");
  const std::string written = ReadFile(path_);
  EXPECT_EQ(Utf16Text(written), expected);
  EXPECT_EQ(written.substr(0, 2), "\xFF\xFE");
}

// Another program's keys of every type come through a RegisterBar and UnregisterBar
// unchanged; what remains beside them are the parent keys the bar's keys needed.
TEST_F(FileRegistryStoreTest, OtherProgramsEntriesSurviveByteForByte) {
  const std::string other = ReadData("other-vendor.reg");
  WriteFile(path_, other);
  FileRegistryStore store(path_);
  for (const BarKind kind : {BarKind::kVertical, BarKind::kHorizontal}) {
    EXPECT_THAT(RegisterBar(store, std::string(kVerticalId), "n", "l", kind), IsEmpty());
    EXPECT_THAT(UnregisterBar(store, std::string(kVerticalId)), IsEmpty());
  }
  const std::string other_sections = Utf16Text(other).substr(kHeader.size());
  EXPECT_EQ(Utf16Text(ReadFile(path_)),
            std::string(kHeader) + "[HKEY_CLASSES_ROOT\\CLSID]\r\n\r\n" +
                "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Microsoft]\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer]\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Explorer "
                "Bars]\r\n\r\n" +
                other_sections);
}

TEST_F(FileRegistryStoreTest, AFileItCannotReadIsLeftAsItIsAndTheStepFails) {
  const std::vector<std::string> contents = {
      "not a registry file",
      std::string("\xFF\xFE\x57", 3),
      "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex:zz\r\n",
  };
  for (const std::string& content : contents) {
    SCOPED_TRACE(content);
    WriteFile(path_, content);
    FileRegistryStore store(path_);
    RegKey key = 0;
    const RegResult created = store.CreateKey(RegRoot::kLocalMachine, "Software\\X", &key);
    EXPECT_EQ(created.status, RegStatus::kStoreError);
    EXPECT_THAT(created.detail, ::testing::HasSubstr(path_));
    EXPECT_EQ(key, 0u);
    EXPECT_EQ(store.DeleteKey(RegRoot::kLocalMachine, "A").status, RegStatus::kStoreError);
    EXPECT_FALSE(
        RegisterBar(store, std::string(kVerticalId), "n", "l", BarKind::kVertical).empty());
    EXPECT_EQ(ReadFile(path_), content);
  }
  WriteFile(path_, "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex:zz\r\n");
  FileRegistryStore store(path_);
  EXPECT_THAT(store.DeleteKey(RegRoot::kLocalMachine, "A").detail, ::testing::HasSubstr("line 3"));
}

TEST_F(FileRegistryStoreTest, ReadsARegedit4FileAndWritesItBackAsVersion5) {
  WriteFile(path_,
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Old]\r\n"
            "\"Name\"=\"caf\xC3\xA9\"\r\n\"Path\"=hex(2):25,41,25,00\r\n");
  FileRegistryStore store(path_);
  EXPECT_THAT(RegisterBar(store, std::string(kVerticalId), "n", "l", BarKind::kVertical),
              IsEmpty());
  FileProbe probe(path_);
  EXPECT_EQ(probe.ReadValue(RegRoot::kCurrentUser, "Software\\Old", "Name"),
            (ProbedValue{1, Utf16Bytes(std::u16string(u"caf\u00e9\0", 5))}));
  EXPECT_EQ(probe.ReadValue(RegRoot::kCurrentUser, "Software\\Old", "Path"),
            (ProbedValue{2, Utf16Bytes(std::u16string(u"%A%\0", 4))}));
  EXPECT_EQ(ReadFile(path_).substr(0, 2), "\xFF\xFE");
}

// Invalid UTF-8 is refused rather than guessed at; nothing of it is stored.
TEST_F(FileRegistryStoreTest, RefusesTextThatIsNotUtf8) {
  FileRegistryStore store(path_);
  RegKey key = 0;
  EXPECT_EQ(store.CreateKey(RegRoot::kLocalMachine, "Bad\xFFName", &key).status, RegStatus::kOther);
  EXPECT_EQ(store.CreateKey(RegRoot::kLocalMachine, "Line\nBreak", &key).status, RegStatus::kOther);
  EXPECT_EQ(store.CreateKey(RegRoot::kLocalMachine, "A\\\\B", &key).status, RegStatus::kOther);
  ASSERT_TRUE(store.CreateKey(RegRoot::kLocalMachine, "Good", &key).ok());
  const std::uint8_t bad[] = {'a', 0xC3, 0};
  EXPECT_EQ(store.SetValue(key, "v", RegType::kString, bad).status, RegStatus::kOther);
  EXPECT_EQ(store.SetValue(key, "\xC3", RegType::kBinary, bad).status, RegStatus::kOther);
  EXPECT_EQ(store.SetDefaultString(key, "\xE2\x82").status, RegStatus::kOther);
  EXPECT_TRUE(store.SetValue(key, "binary is bytes", RegType::kBinary, bad).ok());
  EXPECT_TRUE(store.CloseKey(key).ok());
  FileProbe probe(path_);
  EXPECT_EQ(probe.ValueNames(RegRoot::kLocalMachine, "Good"),
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
  EXPECT_EQ(store.CloseKey(key).status, RegStatus::kOther);
  EXPECT_FALSE(FileProbe(path_).KeyExists(RegRoot::kLocalMachine, "Gone"));
}

// Two stores on one file, as two Quillbay processes would be: each sees the other's keys.
TEST_F(FileRegistryStoreTest, StoresSharingAFileSeeEachOthersChanges) {
  FileRegistryStore first(path_);
  FileRegistryStore second(path_);
  EXPECT_THAT(RegisterBar(first, std::string(kVerticalId), "1", "l", BarKind::kVertical),
              IsEmpty());
  EXPECT_THAT(RegisterBar(second, std::string(kHorizontalId), "2", "l", BarKind::kHorizontal),
              IsEmpty());
  EXPECT_THAT(UnregisterBar(first, std::string(kHorizontalId)), IsEmpty());
  FileProbe probe(path_);
  EXPECT_TRUE(probe.KeyExists(RegRoot::kClassesRoot, "CLSID\\" + std::string(kVerticalId)));
  EXPECT_FALSE(probe.KeyExists(RegRoot::kClassesRoot, "CLSID\\" + std::string(kHorizontalId)));
}

// Another tool rewriting the file in place keeps its inode; the size and times still show.
TEST_F(FileRegistryStoreTest, NoticesAFileRewrittenInPlace) {
  FileRegistryStore store(path_);
  EXPECT_THAT(RegisterBar(store, std::string(kVerticalId), "n", "l", BarKind::kVertical),
              IsEmpty());
  {
    std::ofstream in_place(path_, std::ios::binary | std::ios::in | std::ios::trunc);
    const std::string other = ReadData("other-vendor.reg");
    in_place.write(other.data(), static_cast<std::streamsize>(other.size()));
  }
  EXPECT_TRUE(store.DeleteKey(RegRoot::kLocalMachine, "Software\\Other Vendor\\Tool\\b sub").ok());
  FileProbe probe(path_);
  EXPECT_FALSE(probe.KeyExists(RegRoot::kClassesRoot, "CLSID\\" + std::string(kVerticalId)));
  EXPECT_TRUE(probe.ReadValue(RegRoot::kLocalMachine, "Software\\Other Vendor\\Tool", "Blob"));
}

std::string NumberedId(int process, int bar) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-0000-4000-8000-%012X}", static_cast<unsigned>(process),
                static_cast<unsigned>(bar));
  return text;
}

TEST_F(FileRegistryStoreTest, TwoProcessesRegisteringAtOnceLoseNothing) {
  constexpr int kProcesses = 2;
  constexpr int kBars = 12;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      FileRegistryStore store(path_);
      int failures = 0;
      for (int b = 0; b < kBars; ++b) {
        failures += static_cast<int>(
            RegisterBar(store, NumberedId(p, b), "bar", "loc", BarKind::kVertical).size());
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
  EXPECT_EQ(probe.SubkeyNames(RegRoot::kClassesRoot, "CLSID").size(),
            static_cast<std::size_t>(kProcesses * kBars));
  for (int p = 0; p < kProcesses; ++p) {
    for (int b = 0; b < kBars; ++b) {
      const std::string base = "CLSID\\" + NumberedId(p, b);
      EXPECT_TRUE(
          probe.ReadValue(RegRoot::kClassesRoot, base + "\\Instance\\InitPropertyBag", "Url"))
          << base;
      EXPECT_TRUE(probe.ReadValue(
          RegRoot::kLocalMachine,
          "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\" + NumberedId(p, b), "BarSize"));
    }
  }
}

TEST_F(FileRegistryStoreTest, MakesTheDataFolderOnFirstWrite) {
  const std::string nested = folder_.File("a/b/quillbay/registry.reg");
  FileRegistryStore store(nested);
  EXPECT_THAT(RegisterBar(store, std::string(kVerticalId), "n", "l", BarKind::kVertical),
              IsEmpty());
  EXPECT_TRUE(FileProbe(nested).KeyExists(RegRoot::kClassesRoot, "CLSID"));
}

// A bar's steps are one update: the file is written once, when the update ends, and a
// file that cannot be used is still reported.
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

  std::filesystem::remove(path_);
  std::filesystem::create_directory(path_);  // a folder where the file must go
  const auto failures = RegisterBar(store, std::string(kVerticalId), "n", "l", BarKind::kVertical);
  ASSERT_FALSE(failures.empty());
  for (const RegFailure& f : failures) EXPECT_EQ(f.result.status, RegStatus::kStoreError);
}

TEST_F(FileRegistryStoreTest, ReportsWhatCannotBeWritten) {
  WriteFile(folder_.File("plain"), "a file, not a folder");
  std::filesystem::create_directory(folder_.File("folder.reg"));
  for (const std::string& path : {folder_.File("plain/registry.reg"), folder_.File("folder.reg")}) {
    SCOPED_TRACE(path);
    FileRegistryStore store(path);
    const auto failures =
        RegisterBar(store, std::string(kVerticalId), "n", "l", BarKind::kVertical);
    ASSERT_FALSE(failures.empty());
    EXPECT_EQ(failures.front().result.status, RegStatus::kStoreError);
    EXPECT_FALSE(failures.front().result.detail.empty());
  }
}

// A write cut short (the file-size limit standing in for a full disk) fails the step,
// leaves the old file whole, and the next step starts again from what the file holds.
TEST_F(FileRegistryStoreTest, AFailedWriteLeavesTheFileAndIsNotKeptInMemory) {
  FileRegistryStore store(path_);
  EXPECT_THAT(RegisterBar(store, std::string(kVerticalId), "n", "l", BarKind::kVertical),
              IsEmpty());
  const std::string before = ReadFile(path_);

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
  EXPECT_EQ(ReadFile(path_), before);
  ASSERT_TRUE(store.CreateKey(RegRoot::kCurrentUser, "Kept", &key).ok());
  EXPECT_TRUE(store.CloseKey(key).ok());
  FileProbe probe(path_);
  EXPECT_FALSE(probe.KeyExists(RegRoot::kCurrentUser, "Lost"));
  EXPECT_TRUE(probe.KeyExists(RegRoot::kCurrentUser, "Kept"));
}

}  // namespace
}  // namespace quillbay
