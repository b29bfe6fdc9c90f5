// The program's own files on Windows, failing for real: a file held open without sharing,
// a read-only file, a path through a file, a folder where a file should be.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

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
      EXPECT_EQ(e.cause(), cause) << e.Text();
      EXPECT_EQ(e.path(), path);
    }
  }
  ::CloseHandle(holder);
  for (const std::string& file : {plain, held, read_only}) EXPECT_EQ(ReadBytes(file), "kept");
  ::SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"folder", "held", "plain", "read-only"}));
}

// Bytes go out unchanged, and a drive-relative path ("c:page.htm") is written where the
// system's own open puts it, in that drive's current folder, with its temporary files.
TEST(Win32FilesTest, WritesBytesWhereTheSystemWouldOpenThem) {
  TempDir dir;
  const std::string folder = AbsolutePath(dir.path().string());
  char saved[MAX_PATH];
  ASSERT_GT(::GetCurrentDirectoryA(MAX_PATH, saved), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryA(folder.c_str()));
  WriteBytes(dir.File("~page.htm.tmp999999-1-1"), "left by a writer that was killed");
  const std::string text("a,b;\r\n\0\xff", 8);
  ReplaceFileAtomically(folder.substr(0, 2) + "page.htm", text);
  ReplaceFileAtomically(folder.substr(0, 2) + "page.htm", text + text);
  ::SetCurrentDirectoryA(saved);
  EXPECT_EQ(ReadBytes(dir.File("page.htm")), text + text);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"page.htm"});
}

}  // namespace
}  // namespace quillbay
