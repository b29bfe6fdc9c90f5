// The program's own files on Windows, failing for real: a file held open without sharing,
// a read-only file, a path through a file, a folder where a file should be.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "resources/string_table.h"
#include "system/file_error.h"
#include "system/files.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(Win32FilesTest, RealFailuresLeaveTheFilesAsTheyWere) {
  TempDir dir;
  const std::string plain = dir.File("plain"), held = dir.File("held"),
                    read_only = dir.File("read-only"), folder = dir.File("folder");
  for (const std::string& file : {plain, held, read_only}) WriteBytes(file, "kept");
  ::SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_READONLY);
  std::filesystem::create_directory(folder);
  HANDLE holder = ::CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const std::string relative = "no such folder\\bkupRegKeyf";
  const std::tuple<std::function<void()>, FileCause, std::optional<std::string>> table[] = {
      {[&] { ReplaceFileAtomically(plain + "\\bkupRegKeyf", "x"); }, FileCause::kBadPath,
       plain + "\\bkupRegKeyf"},
      {[&] { ReplaceFileAtomically(relative, "x"); }, FileCause::kBadPath, AbsolutePath(relative)},
      {[&] { ReplaceFileAtomically(folder, "x"); }, FileCause::kAccessDenied, folder},
      {[&] { ReplaceFileAtomically(read_only, "x"); }, FileCause::kAccessDenied, read_only},
      {[&] { ReplaceFileAtomically(held, "x"); }, FileCause::kSharingViolation, held},
      {[&] { ReadWholeFile(held); }, FileCause::kSharingViolation, held},
      {[&] { RemoveFileIfExists(held); }, FileCause::kSharingViolation, std::nullopt},
      {[&] { CreateDirectories(plain + "\\sub"); }, FileCause::kBadPath, plain},
  };
  for (const auto& [operation, cause, path] : table) {
    try {
      operation();
      ADD_FAILURE() << "no error for " << path.value_or("");
    } catch (const FileError& e) {
      EXPECT_EQ(e.cause(), cause) << FileErrorText(e);
      EXPECT_EQ(e.path(), path);
    }
  }
  ::CloseHandle(holder);
  for (const std::string& file : {plain, held, read_only}) EXPECT_EQ(ReadBytes(file), "kept");
  ::SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"folder", "held", "plain", "read-only"}));
}

// Another program (an indexer, a virus scanner) holding the file for a moment without
// sharing makes neither a replace nor a removal fail: they try again until it lets go.
TEST(Win32FilesTest, WritersWaitForAFileHeldForAMoment) {
  TempDir dir;
  const std::string list = dir.File("bkupRegKeyf");
  WriteBytes(list, "old");
  const std::function<void()> writers[] = {[&] { ReplaceFileAtomically(list, "new"); },
                                           [&] { RemoveFileIfExists(list); }};
  for (const auto& write : writers) {
    HANDLE holder = ::CreateFileA(list.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::thread letting_go([holder] {
      ::Sleep(300);
      ::CloseHandle(holder);
    });
    EXPECT_NO_THROW(write());
    letting_go.join();
  }
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{});
}

}  // namespace
}  // namespace quillbay
