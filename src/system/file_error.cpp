#include "system/file_error.h"

#include "resources/string_table.h"

namespace quillbay {
namespace {

std::string MakeText(FileCause cause, const std::optional<std::string>& path) {
  const std::string_view unnamed = StringResource(str::kUnnamedFile);
  return FormatString1(StringResource(str::kFileErrorBase + static_cast<int>(cause)),
                       path ? std::string_view(*path) : unnamed);
}

}  // namespace

FileError::FileError(FileCause cause, std::optional<std::string> path)
    : std::runtime_error(MakeText(cause, path)), cause_(cause), path_(std::move(path)) {}

std::string FileError::Text() const {
  return what();
}

}  // namespace quillbay
