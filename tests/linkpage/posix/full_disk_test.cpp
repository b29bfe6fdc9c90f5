// A real write failure as root: a file-size limit makes write() fail with EFBIG once the
// limit is reached. It runs in a forked child so the limit does not touch the test runner.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "linkpage/link_page.h"
#include "linkpage_test_util.h"
#include "system/file_error.h"

namespace quillbay {
namespace {

// Exit codes of the child.
constexpr int kRaisedDiskFull = 0;
constexpr int kNoError = 10;
constexpr int kOtherCause = 11;
constexpr int kWrongPath = 12;
constexpr int kOtherException = 13;

int WriteUnderSizeLimit(const std::string& path, rlim_t limit) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit size_limit{limit, limit};
  if (::setrlimit(RLIMIT_FSIZE, &size_limit) != 0) return kOtherException;
  try {
    WriteLinkPage(path, std::string(200, 'T'), {{"name", std::string(5000, 'u')}});
  } catch (const FileError& error) {
    if (error.cause() != FileCause::kDiskFull) return kOtherCause;
    if (error.path() != path) return kWrongPath;
    if (error.Text() != "Disk full while accessing " + path + ".") return kWrongPath;
    return kRaisedDiskFull;
  } catch (...) {
    return kOtherException;
  }
  return kNoError;
}

class FullDiskTest : public TempFolderTest {};

TEST_F(FullDiskTest, FailedWriteKeepsTheOldPageAndLeavesNoTemporaryFile) {
  const std::string path = Join("page.htm");
  const std::string old_page = "the old page, still whole";
  WriteFile(path, old_page);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(WriteUnderSizeLimit(path, 1024));
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kRaisedDiskFull);

  EXPECT_EQ(ReadFile(path), old_page);
  EXPECT_EQ(Entries(), std::vector<std::string>{"page.htm"});
}

}  // namespace
}  // namespace quillbay
