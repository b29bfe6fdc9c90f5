#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "linkpage/link_page.h"
#include "linkpage_test_util.h"
#include "system/file_error.h"

namespace quillbay {
namespace {

// Runs in a child process: writes a page of some kilobytes while files may not grow past
// 1 KiB, and exits with 0 when that failed as a full disk naming the path.
[[noreturn]] void WriteUnderSizeLimit(const std::string& path) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{1024, 1024};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  try {
    WriteLinkPage(path, std::string(200, 'T'), {{"name", std::string(5000, 'u')}});
  } catch (const FileError& e) {
    std::exit(e.cause() == FileCause::kDiskFull &&
                      e.Text() == "Disk full while accessing " + path + "."
                  ? 0
                  : 1);
  }
  std::exit(2);
}

class FullDiskTest : public TempFolderTest {};

TEST_F(FullDiskTest, FailedWriteKeepsTheOldPageAndLeavesNoTemporaryFile) {
  const std::string path = Join("page.htm");
  testing::WriteBytes(path, "the old page, still whole");
  // A real write failure as root: the file-size limit makes write() fail with EFBIG.
  EXPECT_EXIT(WriteUnderSizeLimit(path), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(testing::ReadBytes(path), "the old page, still whole");
  EXPECT_EQ(Entries(), std::vector<std::string>{"page.htm"});
}

}  // namespace
}  // namespace quillbay
