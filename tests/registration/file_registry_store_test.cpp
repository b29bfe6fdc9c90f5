#include "registration/file_registry_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "reg_test_files.h"
#include "registration/bar_registry.h"
#include "registry_store_suite.h"
#include "system/files.h"

namespace quillbay {
namespace {

using ::quillbay::testing::ReadBytes;
using ::quillbay::testing::TempDir;
using ::quillbay::testing::WriteBytes;
using ::testing::IsEmpty;
using testing_support::ProbedValue;
using testing_support::RegistryStoreParam;
using testing_support::RegistryStoreSuite;

// Reads the file afresh on every question: what a store has persisted, not what it holds.
class FileProbe final : public testing_support::RegistryProbe {
 public:
  explicit FileProbe(std::string path, std::unique_ptr<TempDir> folder = nullptr)
      : folder_(std::move(folder)), path_(std::move(path)) {}

  std::optional<ProbedValue> ReadValue(RegRoot root, std::string_view path,
                                       std::string_view name) override {
    const RegFileKey* key = Find(root, path);
    const RegFileValue* value = key ? key->FindValue(*Utf8ToUtf16(name)) : nullptr;
    return value ? std::optional<ProbedValue>({value->type, value->data}) : std::nullopt;
  }
  std::optional<std::vector<std::string>> Key(RegRoot root, std::string_view path) override {
    const RegFileKey* key = Find(root, path);
    if (key == nullptr) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& [folded, child] : key->children()) names.push_back(Utf16ToUtf8(child->name()));
    return names;
  }

 private:
  const RegFileKey* Find(RegRoot root, std::string_view path) {
    file_ = RegFile();
    RegFileError error;
    const std::optional<std::string> bytes = ReadWholeFile(path_);
    if (bytes && !ParseRegFile(*bytes, file_, error)) ADD_FAILURE() << error.message;
    const RegFileKey* key = bytes ? file_.FindRoot(root) : nullptr;
    for (std::size_t at = 0; key != nullptr && at < path.size();) {
      const std::size_t slash = std::min(path.find('\\', at), path.size());
      key = key->FindChild(*Utf8ToUtf16(path.substr(at, slash - at)));
      at = slash + 1;
    }
    return key;
  }

  std::unique_ptr<TempDir> folder_;
  std::string path_;
  RegFile file_;
};

// The data folder does not exist yet: the store makes it on its first write.
testing_support::StoreUnderTest MakeFileStore() {
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

constexpr const char* kClsid = "[HKEY_CLASSES_ROOT\\CLSID]\r\n\r\n";
constexpr const char* kBarsParents =
    "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Explorer Bars]\r\n\r\n";

std::string Sections(const std::string& name) {
  return testing::Utf16FileText(testing::ReadRegExport(name)).substr(kHeader.size());
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
  const std::string written = ReadBytes(path_);
  EXPECT_EQ(testing::Utf16FileText(written),
            std::string(kHeader) + kClsid + Sections("vertical-bar-clsid.reg") +
                Sections("horizontal-bar-clsid.reg") + kBarsParents +
                Sections("vertical-bar-explorer-bars.reg") +
                Sections("horizontal-bar-explorer-bars.reg"));
  EXPECT_EQ(written.substr(0, 2), "\xFF\xFE");
}

// Another program's keys of every type come through a bar's coming and going unchanged.
TEST_F(FileRegistryStoreTest, OtherProgramsEntriesSurviveByteForByte) {
  WriteBytes(path_, testing::ReadRegExport("other-vendor.reg"));
  FileRegistryStore store(path_);
  EXPECT_THAT(RegisterBar(store, kVerticalId, "n", "l", BarKind::kHorizontal), IsEmpty());
  EXPECT_THAT(UnregisterBar(store, kVerticalId), IsEmpty());
  EXPECT_EQ(testing::Utf16FileText(ReadBytes(path_)),
            std::string(kHeader) + kClsid + kBarsParents + Sections("other-vendor.reg"));
}

// A file that cannot be parsed, read or written is left as it is, and the step says why.
TEST_F(FileRegistryStoreTest, AFileItCannotReadOrWriteIsLeftAsItIs) {
  std::filesystem::permissions(folder_.path(), std::filesystem::perms::all);
  const std::string valid = testing::ReadRegExport("other-vendor.reg");
  const std::tuple<std::string, std::string, mode_t, std::string> rows[] = {
      {"text.reg", "not a registry file", 0644, "text.reg: line 1: "},
      {"unreadable.reg", valid, 0, "Access to " + folder_.File("unreadable.reg") + " was"},
      {"read-only.reg", valid, 0444, "Access to " + folder_.File("read-only.reg") + " was"},
  };
  for (const auto& [name, content, mode, detail] : rows) {
    WriteBytes(folder_.File(name), content);
    ::chmod(folder_.File(name).c_str(), mode);
    (void)!::chown(folder_.File(name).c_str(), 65534, 65534);  // the ordinary user's, for root
  }
  EXPECT_EQ(testing::AsOrdinaryUser([&] {
              std::string out;
              for (const auto& [name, content, mode, detail] : rows) {
                FileRegistryStore store(folder_.File(name));
                const auto failures = RegisterBar(store, kVerticalId, "n", "l", BarKind::kVertical);
                if (failures.empty() || failures[0].result.status != RegStatus::kStoreError ||
                    failures[0].result.detail.find(detail) == std::string::npos) {
                  out += name + " " + (failures.empty() ? "" : failures[0].result.detail) + "\n";
                }
              }
              return out;
            }),
            "");
  for (const auto& [name, content, mode, detail] : rows) {
    EXPECT_EQ(ReadBytes(folder_.File(name)), content) << name;
  }
}

// Two processes registering at once: neither writes before the lock is free, and every
// bar of both is kept.
TEST_F(FileRegistryStoreTest, TwoProcessesRegisteringAtOnceLoseNothing) {
  auto process = [&](unsigned p) {
    return [&, p](const std::function<void()>& wait) {
      FileRegistryStore store(path_);
      wait();
      std::size_t failures = 0;
      for (unsigned b = 0; b < 4; ++b) {
        char id[39];
        std::snprintf(id, sizeof id, "{%08X-0000-4000-8000-%012X}", p, b);
        failures += RegisterBar(store, id, "bar", "loc", BarKind::kVertical).size();
      }
      return failures == 0;
    };
  };
  EXPECT_EQ(testing::LetGoUnderTheLock(path_ + ".lock", {process(1), process(2)},
                                       [&] { return !std::filesystem::exists(path_); }),
            "");
  EXPECT_EQ(FileProbe(path_).Key(RegRoot::kClassesRoot, "CLSID").value().size(), 8u);
}

}  // namespace
}  // namespace quillbay
