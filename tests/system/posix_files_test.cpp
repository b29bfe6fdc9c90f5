// The program's own files failing for real, from sources that fail even for root.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "registration/backup_file.h"
#include "resources/string_table.h"
#include "system/file_lock.h"
#include "system/files.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

// Failures name the path and leave the file as it was; a failed removal names none.
TEST(PosixFilesTest, FailuresNameTheirCauseAndLeaveTheFile) {
  testing::TempDir dir;
  std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
  const std::string plain = dir.File("plain"), read_only = dir.File("read-only"),
                    unreadable = dir.File("unreadable"), fifo = dir.File("fifo"),
                    folder = dir.File("folder");
  for (const auto& [file, mode] : {std::pair{plain, 0644}, {read_only, 0444}, {unreadable, 0}}) {
    WriteBytes(file, "kept");
    ::chmod(file.c_str(), static_cast<mode_t>(mode));
    (void)!::chown(file.c_str(), 65534, 65534);  // the ordinary user's own files, for root
  }
  ::mkfifo(fifo.c_str(), 0666);
  std::filesystem::create_directories(folder + "/inner");
  std::filesystem::create_symlink("elsewhere", dir.File("lock"));  // never followed
  const std::pair<std::function<void()>, std::string> table[] = {
      {[&] { ReplaceFileAtomically(plain + "/x", ""); }, plain + "/x contains an invalid path."},
      {[&] { ReplaceFileAtomically(folder, ""); }, "Access to " + folder + " was denied."},
      {[&] { ReplaceFileAtomically(fifo, ""); }, "Access to " + fifo + " was denied."},
      {[&] { ReplaceFileAtomically(read_only, ""); }, "Access to " + read_only + " was denied."},
      {[&] { ReadWholeFile(unreadable); }, "Access to " + unreadable + " was denied."},
      {[&] { ReadWholeFile(fifo); }, "Access to " + fifo + " was denied."},
      {[&] { LoadBackup(folder); }, "Access to " + folder + " was denied."},
      {[&] { RemoveFileIfExists(folder); }, "Access to an unnamed file was denied."},
      {[&] { FileLock::Acquire(dir.File("lock")); },
       "Access to " + dir.File("lock") + " was denied."},
  };
  EXPECT_EQ(testing::AsOrdinaryUser([&] {
              std::string out;
              for (const auto& [operation, text] : table) {
                try {
                  operation();
                  out += "no error: " + text + "\n";
                } catch (const FileError& e) {
                  out += FileErrorText(e) == text ? "" : FileErrorText(e) + "\n";
                }
              }
              return out;
            }),
            "");
  for (const std::string& file : {plain, read_only, unreadable}) EXPECT_EQ(ReadBytes(file), "kept");
  EXPECT_FALSE(std::filesystem::exists(dir.File("elsewhere")));
}

TEST(PosixFilesTest, FullDiskLeavesTheOldFileWholeAndNoTemporaryFile) {
  testing::TempDir dir;
  const std::string path = dir.File("bkupRegKeyf");
  WriteBytes(path, "old content\r\n");
  EXPECT_EQ(testing::Child([&]() -> std::string {
              ::signal(SIGXFSZ, SIG_IGN);
              const rlimit limit{4, 4};  // write() fails with EFBIG past 4 bytes
              ::setrlimit(RLIMIT_FSIZE, &limit);
              try {
                ReplaceFileAtomically(path, std::string(100, 'x'));
              } catch (const FileError& e) {
                return FileErrorText(e) == "Disk full while accessing " + path + "."
                           ? ""
                           : FileErrorText(e);
              }
              return "no error";
            }).Result(),
            "");
  EXPECT_EQ(ReadBytes(path), "old content\r\n");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"bkupRegKeyf"});
}

// A list behind a link is replaced and removed where the link points; the link stays.
TEST(PosixFilesTest, ReplaceKeepsOwnerAndModeAndLinksStay) {
  testing::TempDir dir;
  const std::string target = dir.File("target"), link = dir.File("link");
  WriteBytes(target, "old");
  ::chmod(target.c_str(), 0640);
  EXPECT_TRUE(::geteuid() != 0 || ::chown(target.c_str(), 65534, 65534) == 0);  // nobody's
  std::filesystem::create_symlink("target", link);
  struct stat before = {}, after = {};
  ::stat(target.c_str(), &before);
  ReplaceFileAtomically(link, "new");
  ::stat(target.c_str(), &after);
  EXPECT_EQ(ReadBytes(target), "new");
  EXPECT_EQ(std::tuple(after.st_mode, after.st_uid, after.st_gid),
            std::tuple(before.st_mode, before.st_uid, before.st_gid));
  RemoveFileIfExists(link);
  EXPECT_FALSE(std::filesystem::exists(target));
  ReplaceFileAtomically(link, "again");  // through the link that now dangles
  EXPECT_EQ(ReadBytes(target), "again");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
}

// Every name of one file has one final path; the existing part of a missing path is resolved.
TEST(PosixFilesTest, FinalPathResolvesEveryLinkAndSameFileSeesThrough) {
  testing::TempDir dir;
  const std::string real = std::filesystem::canonical(dir.path()).string() + "/real";
  std::filesystem::create_directory(real);
  WriteBytes(real + "/list", "");
  WriteBytes(real + "/other", "");
  std::filesystem::create_directory_symlink("real", dir.File("folder"));
  std::filesystem::create_symlink("folder/list", dir.File("link"));
  std::filesystem::create_symlink(real + "/later", dir.File("dangling"));
  std::filesystem::create_symlink("loop", dir.File("loop"));
  std::filesystem::create_hard_link(real + "/list", dir.File("hard"));
  const std::string top = ParentFolder(real);
  const std::pair<std::string, std::string> finals[] = {
      {dir.File("link"), real + "/list"},
      {dir.File("folder/list"), real + "/list"},
      {dir.File("folder/new"), real + "/new"},
      {dir.File("dangling"), real + "/later"},
      {dir.File("folder/../real/./list"), real + "/list"},
      {dir.File("missing/x/../y"), top + "/missing/y"},
      {dir.File("loop"), top + "/loop"},
  };
  for (const auto& [path, final] : finals) EXPECT_EQ(FinalPath(path), final) << path;
  const std::tuple<std::string, std::string, bool> same[] = {
      {dir.File("link"), real + "/list", true},      {dir.File("hard"), real + "/list", true},
      {dir.File("dangling"), real + "/later", true}, {dir.File("folder/new"), real + "/new", true},
      {real + "/list", real + "/other", false},      {real + "/list", real + "/new", false},
  };
  for (const auto& [a, b, expected] : same) EXPECT_EQ(SameFile(a, b), expected) << a << " " << b;
}

// A writer killed at any moment leaves each file whole; the next one removes its leftovers.
}  // namespace
}  // namespace quillbay
