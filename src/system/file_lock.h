#pragma once

#include <cstdint>
#include <string>

#include "system/file_error.h"

namespace quillbay {

// An exclusive lock between processes, held on a lock file of its own until destroyed
// (flock on POSIX, LockFileEx on Windows). Taking it blocks until the other holder lets go.
class FileLock {
 public:
  // Locks `path`, creating the file when missing. Throws FileError carrying `path`, also
  // when a symbolic link (a reparse point on Windows) stands in its place: it is never
  // followed.
  static FileLock Acquire(const std::string& path);

  FileLock(FileLock&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
  FileLock& operator=(FileLock&&) = delete;
  ~FileLock();

 private:
  explicit FileLock(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_;  // a descriptor or a HANDLE; -1 once moved from
};

}  // namespace quillbay
