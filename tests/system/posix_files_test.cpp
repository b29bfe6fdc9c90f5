// Failures of the program's own files, from real sources that fail even for root.
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "registration/backup_file.h"
#include "system/file_error.h"
#include "system/files.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

namespace fs = std::filesystem;
using testing::CountEntries;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// Write failures name the path; a failed removal carries no file name.
TEST(PosixFilesTest, FailuresNameTheirCause) {
  TempDir dir;
  WriteBytes(dir.File("plain"), "x");
  fs::create_directories(dir.File("folder/inner"));
  const std::vector<BarRow> rows{{"{A}", "One"}};
  struct Row {
    std::function<void()> operation;
    FileCause cause;
    std::string text;
  };
  const Row table[] = {
      {[&] { SaveBackup(dir.File("plain/bkupRegKeyf"), rows); }, FileCause::kBadPath,
       dir.File("plain") + " contains an invalid path."},
      {[&] { SaveBackup(dir.File("folder"), rows); }, FileCause::kAccessDenied,
       "Access to " + dir.File("folder") + " was denied."},
      {[&] { RemoveBackup(dir.File("folder")); }, FileCause::kAccessDenied,
       "Access to an unnamed file was denied."},
  };
  for (const Row& row : table) {
    SCOPED_TRACE(row.text);
    try {
      row.operation();
      ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
      EXPECT_EQ(e.cause(), row.cause);
      EXPECT_EQ(e.Text(), row.text);
    }
  }
  EXPECT_TRUE(fs::is_directory(dir.File("folder/inner")));
}

TEST(PosixFilesTest, ADeviceIsNeverReplaced) {
  EXPECT_THROW(ReplaceFileAtomically("/dev/full", "data"), FileError);
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// Runs in a child process: replaces `path` while files may not grow past 4 bytes, and exits
// with 0 when that failed as a full disk naming the path.
[[noreturn]] void ReplaceUnderSizeLimit(const std::string& path) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{4, 4};
  setrlimit(RLIMIT_FSIZE, &limit);
  try {
    ReplaceFileAtomically(path, std::string(100, 'x'));
  } catch (const FileError& e) {
    const bool as_expected =
        e.cause() == FileCause::kDiskFull && e.Text() == "Disk full while accessing " + path + ".";
    std::exit(as_expected ? 0 : 1);
  }
  std::exit(2);
}

TEST(PosixFilesTest, FullDiskLeavesTheOldFileWholeAndNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.File("bkupRegKeyf");
  WriteBytes(path, "old content\r\n");
  // A real short write: the file size limit makes write() fail with EFBIG.
  EXPECT_EXIT(ReplaceUnderSizeLimit(path), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadBytes(path), "old content\r\n");
  EXPECT_EQ(CountEntries(dir.path()), 1);
}

TEST(PosixFilesTest, ReplaceKeepsPermissionsAndFollowsLinks) {
  TempDir dir;
  const std::string target = dir.File("target");
  WriteBytes(target, "old");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(target, dir.File("link"));

  ReplaceFileAtomically(dir.File("link"), "new");

  EXPECT_TRUE(fs::is_symlink(dir.File("link")));
  EXPECT_EQ(ReadBytes(target), "new");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(PosixFilesTest, DataFolderFollowsXdgDataHome) {
  const char* old_xdg = std::getenv("XDG_DATA_HOME");
  const std::string saved = old_xdg ? old_xdg : "";
  const std::string saved_home = std::getenv("HOME") ? std::getenv("HOME") : "/root";
  ::setenv("XDG_DATA_HOME", "/data/home", 1);
  EXPECT_EQ(WindowsDirectory(), "/data/home/quillbay");
  ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(WindowsDirectory(), "/home/someone/.local/share/quillbay");
  ::setenv("HOME", saved_home.c_str(), 1);
  if (old_xdg) {
    ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_DATA_HOME");
  }
}

}  // namespace
}  // namespace quillbay
