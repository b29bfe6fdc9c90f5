// The program's own files failing for real, from sources that fail even for root.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "linkpage/link_page.h"
#include "registration/backup_file.h"
#include "registration/bar_registry.h"
#include "registration/file_registry_store.h"
#include "system/files.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// Write failures name the path and leave the file as it was; a failed removal carries
// no file name. Mode bits stop an ordinary user only, so the table runs as one.
TEST(PosixFilesTest, FailuresNameTheirCauseAndLeaveTheFile) {
  TempDir dir;
  fs::permissions(dir.path(), fs::perms::all);
  WriteBytes(dir.File("plain"), "x");
  WriteBytes(dir.File("read-only"), "kept");
  WriteBytes(dir.File("unreadable"), "kept");
  ::chmod(dir.File("read-only").c_str(), 0444);
  ::chmod(dir.File("unreadable").c_str(), 0);
  ::mkfifo(dir.File("fifo").c_str(), 0666);
  fs::create_directories(dir.File("folder/inner"));
  const std::pair<std::function<void()>, std::string> table[] = {
      {[&] { ReplaceFileAtomically(dir.File("plain/bkupRegKeyf"), "x"); },
       dir.File("plain") + "/bkupRegKeyf contains an invalid path."},
      {[&] { ReplaceFileAtomically(dir.File("folder"), "x"); },
       "Access to " + dir.File("folder") + " was denied."},
      {[&] { ReplaceFileAtomically(dir.File("fifo"), "x"); },
       "Access to " + dir.File("fifo") + " was denied."},
      {[&] { ReplaceFileAtomically(dir.File("read-only"), "x"); },
       "Access to " + dir.File("read-only") + " was denied."},
      {[&] { ReadWholeFile(dir.File("unreadable")); },
       "Access to " + dir.File("unreadable") + " was denied."},
      {[&] { ReadWholeFile(dir.File("fifo")); }, "Access to " + dir.File("fifo") + " was denied."},
      {[&] { RemoveFileIfExists(dir.File("folder")); }, "Access to an unnamed file was denied."},
  };
  EXPECT_EQ(testing::AsOrdinaryUser([&] {
              std::string out;
              for (const auto& [operation, text] : table) {
                try {
                  operation();
                  out += "no error for: " + text + "\n";
                } catch (const FileError& e) {
                  if (e.Text() != text) out += e.Text() + " instead of " + text + "\n";
                }
              }
              return out;
            }),
            "");
  EXPECT_EQ(ReadBytes(dir.File("read-only")), "kept");
  EXPECT_EQ(ReadBytes(dir.File("unreadable")), "kept");
  EXPECT_TRUE(fs::is_fifo(dir.File("fifo")));
  EXPECT_EQ(dir.Entries(),
            (std::vector<std::string>{"fifo", "folder", "plain", "read-only", "unreadable"}));
}

// In a child: replaces `path` while files may not grow past 4 bytes, and exits with 0 when
// that failed as a full disk naming the path.
[[noreturn]] void ReplaceUnderSizeLimit(const std::string& path) {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{4, 4};
  setrlimit(RLIMIT_FSIZE, &limit);
  try {
    ReplaceFileAtomically(path, std::string(100, 'x'));
  } catch (const FileError& e) {
    std::exit(e.Text() == "Disk full while accessing " + path + "." ? 0 : 1);
  }
  std::exit(2);
}

TEST(PosixFilesTest, FullDiskLeavesTheOldFileWholeAndNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.File("bkupRegKeyf");
  WriteBytes(path, "old content\r\n");
  EXPECT_EXIT(ReplaceUnderSizeLimit(path), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadBytes(path), "old content\r\n");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"bkupRegKeyf"});
}

TEST(PosixFilesTest, ReplaceKeepsOwnerAndModeAndFollowsLinks) {
  TempDir dir;
  const std::string target = dir.File("target");
  WriteBytes(target, "old");
  ::chmod(target.c_str(), 0640);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);  // nobody's file
  }
  fs::create_symlink(target, dir.File("link"));
  struct stat before {};
  ::stat(target.c_str(), &before);

  ReplaceFileAtomically(dir.File("link"), "new");

  struct stat after {};
  ::stat(target.c_str(), &after);
  EXPECT_TRUE(fs::is_symlink(dir.File("link")));
  EXPECT_EQ(ReadBytes(target), "new");
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
}

// A writer killed at any moment leaves each file whole, old or new, and the next write
// removes the temporary files it left.
TEST(PosixFilesTest, AWriterKilledAtAnyMomentLeavesWholeFiles) {
  TempDir dir;
  const std::string backup = dir.File("bkupRegKeyf");
  const std::string page = dir.File("page.htm");
  const std::string registry = dir.File("registry.reg");
  const std::vector<BarRow> many(20000, BarRow{"{0123456789}", "a bar of some length"});
  const std::vector<LinkEntry> links(20000, LinkEntry{"name", "http://example.org/"});
  auto write = [&](int i) {
    SaveBackup(backup, i % 2 ? many : std::vector<BarRow>{{"{A}", "one"}});
    WriteLinkPage(page, "T", i % 2 ? links : std::vector<LinkEntry>{});
    FileRegistryStore store(registry);
    if (i % 2) {
      RegisterBar(store, "{11111111-2222-4333-8444-555555555555}", "n", "l", BarKind::kVertical);
    } else {
      UnregisterBar(store, "{11111111-2222-4333-8444-555555555555}");
    }
  };
  std::vector<std::string> versions[2];
  for (int i = 1; i <= 2; ++i) {  // registry.reg keeps the parent keys from the first bar on
    write(i);
    versions[i % 2] = {ReadBytes(backup), ReadBytes(page), ReadBytes(registry)};
  }
  std::minstd_rand random(std::random_device{}());
  for (int kill = 0; kill < 25; ++kill) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      for (int i = 0;; ++i) write(i);
    }
    ::usleep(static_cast<useconds_t>(1000 + random() % 40000));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    const std::vector<std::string> now = {ReadBytes(backup), ReadBytes(page), ReadBytes(registry)};
    for (std::size_t f = 0; f < now.size(); ++f) {
      EXPECT_TRUE(now[f] == versions[0][f] || now[f] == versions[1][f]) << "file " << f << " torn";
    }
  }
  write(0);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"bkupRegKeyf", "page.htm", "registry.reg",
                                                     "registry.reg.lock"}));
}

}  // namespace
}  // namespace quillbay
