#include <poll.h>
#include <sys/stat.h>

#include <csignal>

#include "cli/cli_platform.h"

namespace quillbay {

Expected<std::vector<std::string>, std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::string TextAsUtf8(std::string_view text) {
  return std::string(text);
}

bool IsFolder(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void IgnoreClosedPipe() {
  std::signal(SIGPIPE, SIG_IGN);
}

bool StdoutReaderGone() {
  // The writing end of a pipe with no reader polls as an error.
  pollfd out{1, 0, 0};
  return ::poll(&out, 1, 0) == 1 && (out.revents & POLLERR) != 0;
}

void SetStdoutBinary() {}

}  // namespace quillbay
