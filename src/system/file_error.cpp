#include "system/file_error.h"

namespace quillbay {
namespace {

// For logs and debuggers only: the user is shown FileErrorText.
std::string Describe(FileCause cause, const std::optional<std::string>& path) {
  return "file error " + std::to_string(static_cast<int>(cause)) + (path ? ": " + *path : "");
}

}  // namespace

FileError::FileError(FileCause cause, std::optional<std::string> path)
    : std::runtime_error(Describe(cause, path)), cause_(cause), path_(std::move(path)) {}

}  // namespace quillbay
