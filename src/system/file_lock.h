#pragma once

#include <cstdint>
#include <memory>
#include <optional>
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

#if !defined(_WIN32)
// What tells that a file is the one seen before without reading it: device, inode, size,
// modification and change times. A stamp keeps the file open, so that while we hold it no
// other file can be given the same inode. POSIX only, like the registry kept in a file
// that uses it.
class FileStamp {
 public:
  // The stamp of the file now; nullopt when it does not exist. Throws FileError carrying
  // `path` when it exists but cannot be opened. Taken before reading the file, a stamp
  // that still matches later proves that nothing changed since.
  static std::optional<FileStamp> Of(const std::string& path);

  friend bool operator==(const FileStamp& a, const FileStamp& b) {
    return a.device_ == b.device_ && a.inode_ == b.inode_ && a.size_ == b.size_ &&
           a.modified_ns_ == b.modified_ns_ && a.changed_ns_ == b.changed_ns_;
  }

 private:
  std::uint64_t device_ = 0;
  std::uint64_t inode_ = 0;
  std::int64_t size_ = 0;
  std::int64_t modified_ns_ = 0;
  std::int64_t changed_ns_ = 0;
  std::shared_ptr<int> pin_;  // the open descriptor
};
#endif

}  // namespace quillbay
