#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace quillbay {

// Why a file operation failed, numbered as the user-facing texts are.
enum class FileCause : int {
  kGeneric = 1,
  kFileNotFound = 2,
  kBadPath = 3,
  kTooManyOpenFiles = 4,
  kAccessDenied = 5,
  kInvalidFile = 6,
  kRemoveCurrentDir = 7,
  kDirectoryFull = 8,
  kBadSeek = 9,
  kHardIo = 10,
  kSharingViolation = 11,
  kLockViolation = 12,
  kDiskFull = 13,
  kEndOfFile = 14,
};

// The one exception that carries a failure the user must see: a cause and the path, which
// the windows and the command line turn into text (FileErrorText).
class FileError : public std::runtime_error {
 public:
  FileError(FileCause cause, std::optional<std::string> path);

  FileCause cause() const { return cause_; }
  const std::optional<std::string>& path() const { return path_; }

 private:
  FileCause cause_;
  std::optional<std::string> path_;
};

// Classifies an errno value (POSIX) or a GetLastError value (Windows) met on `path` into a
// cause: the one classifier of each platform (see the platform folders). A missing folder
// on the way to the file is a bad path, as Windows reports it.
FileCause ClassifySystemError(unsigned long error, const std::string& path);

}  // namespace quillbay
