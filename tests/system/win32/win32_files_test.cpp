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

// A writer (this test run again as a child) killed at any moment leaves whole files.
TEST(Win32FilesTest, AWriterKilledAtAnyMomentLeavesWholeFiles) {
  const std::vector<std::string> names = {"bkupRegKeyf", "registry.reg"};
  auto bytes = [](std::size_t f, std::size_t i) {
    return std::string(i % 2 ? 300000 : 10 + f, char('a' + f));
  };
  auto write = [&](const std::string& folder, std::size_t i) {
    for (std::size_t f : {0u, 1u}) ReplaceFileAtomically(JoinPath(folder, names[f]), bytes(f, i));
  };
  const char* writer = std::getenv("QUILLBAY_KILLED_WRITER");
  for (std::size_t i = 0; writer != nullptr; ++i) write(writer, i);  // in the child, until killed
  TempDir dir;
  std::string command = std::string("\"") + _pgmptr +
                        "\" --gtest_filter=Win32FilesTest.AWriterKilledAtAnyMomentLeavesWholeFiles";
  ::SetEnvironmentVariableA("QUILLBAY_KILLED_WRITER", dir.path().string().c_str());
  std::minstd_rand random(std::random_device{}());
  for (int round = 0;; ++round) {
    write(dir.path().string(), 1);
    EXPECT_EQ(dir.Entries(), names) << "a temporary file is left after round " << round;
    if (round == 25) break;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &child));
    while (std::filesystem::file_size(dir.File(names[0])) != 10 &&
           ::WaitForSingleObject(child.hProcess, 1) == WAIT_TIMEOUT) {
    }
    ::Sleep(random() % 30);
    EXPECT_EQ(::WaitForSingleObject(child.hProcess, 0), WAIT_TIMEOUT) << "the writer stopped";
    ::TerminateProcess(child.hProcess, 9);
    ::WaitForSingleObject(child.hProcess, INFINITE);
    for (HANDLE handle : {child.hProcess, child.hThread}) ::CloseHandle(handle);
    for (std::size_t f : {0u, 1u}) {
      const std::string now = ReadBytes(dir.File(names[f]));  // whole, old or new
      EXPECT_TRUE(now == bytes(f, now.size() > 20)) << names[f] << " torn, round " << round;
    }
  }
  ::SetEnvironmentVariableA("QUILLBAY_KILLED_WRITER", nullptr);
}

}  // namespace
}  // namespace quillbay
