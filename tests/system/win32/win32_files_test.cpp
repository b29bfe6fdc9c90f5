// The program's own files on Windows, failing for real: a file held open without sharing,
// a path through a file, a folder where a file should be, a missing folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

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

// A file opened by someone else, closed at the end of the scope.
class HeldOpen {
 public:
  HeldOpen(const std::string& path, DWORD access, DWORD share)
      : handle_(::CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;
  ~HeldOpen() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

std::optional<FileError> ErrorOf(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const FileError& e) {
    return e;
  }
  return std::nullopt;
}

class Win32FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(plain_, "plain");
    WriteBytes(held_, "held");
    fs::create_directory(folder_);
  }

  TempDir dir_;
  const std::string plain_ = dir_.File("plain");
  const std::string held_ = dir_.File("held");
  const std::string folder_ = dir_.File("folder");
};

TEST_F(Win32FilesTest, RealFailuresAreClassifiedFromTheSystemError) {
  const HeldOpen holder(held_, GENERIC_READ | GENERIC_WRITE, 0);
  ASSERT_TRUE(holder.ok());
  struct Row {
    const char* what;
    std::function<void()> operation;
    FileCause cause;
    std::optional<std::string> path;  // the path the error carries
  };
  const std::string through_file = plain_ + "\\bkupRegKeyf";
  const std::string relative = "no such folder\\bkupRegKeyf";  // named by its absolute path
  const std::string in_missing_folder = dir_.File("missing") + "\\bkupRegKeyf";
  const Row rows[] = {
      {"path through a regular file", [&] { ReplaceFileAtomically(through_file, "x"); },
       FileCause::kBadPath, through_file},
      {"missing folder", [&] { ReplaceFileAtomically(in_missing_folder, "x"); },
       FileCause::kBadPath, in_missing_folder},
      {"relative path", [&] { ReplaceFileAtomically(relative, "x"); }, FileCause::kBadPath,
       AbsolutePath(relative)},
      {"folder removed as a file", [&] { RemoveFileIfExists(folder_); }, FileCause::kAccessDenied,
       std::nullopt},
      {"folder replaced by a file", [&] { ReplaceFileAtomically(folder_, "x"); },
       FileCause::kAccessDenied, folder_},
      {"file held open without sharing", [&] { RemoveFileIfExists(held_); },
       FileCause::kSharingViolation, std::nullopt},
      {"file in the way of a folder", [&] { CreateDirectories(plain_ + "\\sub"); },
       FileCause::kBadPath, plain_},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::optional<FileError> error = ErrorOf(row.operation);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->cause(), row.cause) << error->Text();
    EXPECT_EQ(error->path(), row.path);
  }
  EXPECT_TRUE(fs::is_directory(folder_));
  EXPECT_EQ(ReadBytes(plain_), "plain");
  EXPECT_EQ(CountEntries(dir_.path()), 3);  // no temporary file left behind
}

TEST_F(Win32FilesTest, AFileInUseIsNotReplacedAndKeepsItsContent) {
  {
    const HeldOpen holder(held_, GENERIC_READ, 0);
    const std::optional<FileError> error = ErrorOf([&] { ReplaceFileAtomically(held_, "new"); });
    ASSERT_TRUE(error);
    // Windows reports a file in use as access denied or a sharing violation, by version.
    EXPECT_TRUE(error->cause() == FileCause::kAccessDenied ||
                error->cause() == FileCause::kSharingViolation)
        << error->Text();
  }
  EXPECT_EQ(ReadBytes(held_), "held");
  EXPECT_EQ(CountEntries(dir_.path()), 3);
}

// Bytes go out unchanged (no line-end translation), paths may mix separators, and only a
// missing file is no failure for RemoveFileIfExists.
TEST_F(Win32FilesTest, TheFileFunctionsWorkOnWindowsPaths) {
  const std::string text("a,b;\r\n\0\xff", 8);
  ReplaceFileAtomically(plain_, text);
  EXPECT_EQ(ReadBytes(plain_), text);
  CreateDirectories(folder_ + "\\one/two\\three\\");
  EXPECT_TRUE(fs::is_directory(folder_ + "\\one\\two\\three"));
  EXPECT_NO_THROW(RemoveFileIfExists(dir_.File("missing") + "\\deeper"));
  EXPECT_THROW(RemoveFileIfExists(folder_), FileError);
  RemoveFileIfExists(plain_);
  EXPECT_FALSE(fs::exists(plain_));
  EXPECT_EQ(CountEntries(dir_.path()), 2);  // no temporary file left behind
}

TEST_F(Win32FilesTest, ReadingIsRefusedWhileSomeoneWritesButSharedWithReaders) {
  {
    const HeldOpen writer(held_, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_EQ(ReadWholeFile(held_), std::nullopt);
  }
  const HeldOpen reader(held_, GENERIC_READ, FILE_SHARE_READ);
  EXPECT_EQ(ReadWholeFile(held_), "held");
  EXPECT_EQ(ReadWholeFile(folder_), std::nullopt);
}

TEST(Win32SystemTest, WindowsDirectoryIsTheSystemsAndTheBackupPathJoinsWithABackslash) {
  char expected[MAX_PATH];
  const UINT length = ::GetWindowsDirectoryA(expected, MAX_PATH);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(WindowsDirectory(), std::string(expected, length));
  EXPECT_EQ(JoinPath("C:\\windows", "bkupRegKeyf"), "C:\\windows\\bkupRegKeyf");
  EXPECT_EQ(JoinPath("C:\\", "bkupRegKeyf"), "C:\\bkupRegKeyf");
}

// Failures the file functions never meet, raised for real through the system and read back
// through GetLastError.
TEST_F(Win32FilesTest, RawSystemFailuresAreClassifiedThroughTheLastError) {
  HANDLE locker =
      ::CreateFileA(held_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(locker, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(::LockFile(locker, 0, 0, 4, 0));
  HANDLE other = ::CreateFileA(held_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  // A second lock of the region through another handle, not a read: Wine does not stop
  // reads of a locked region, though Windows does.
  EXPECT_FALSE(::LockFile(other, 0, 0, 4, 0));
  EXPECT_EQ(ClassifySystemError(::GetLastError()), FileCause::kLockViolation);
  ::CloseHandle(other);
  ::UnlockFile(locker, 0, 0, 4, 0);
  ::CloseHandle(locker);

  EXPECT_FALSE(::CreateDirectoryA(folder_.c_str(), nullptr));
  EXPECT_EQ(ClassifySystemError(::GetLastError()), FileCause::kGeneric);  // already exists
}

}  // namespace
}  // namespace quillbay
