#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "system/file_lock.h"
#include "system/files.h"

namespace quillbay {
namespace {

[[noreturn]] void Throw(int err, const std::string& path) {
  throw FileError(ClassifySystemError(static_cast<unsigned long>(err)), AbsolutePath(path));
}

std::shared_ptr<int> Pin(int fd) {
  return std::shared_ptr<int>(new int(fd), [](int* p) {
    ::close(*p);
    delete p;
  });
}

}  // namespace

FileLock FileLock::Acquire(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) Throw(errno, path);
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    const int err = errno;
    ::close(fd);
    Throw(err, path);
  }
  return FileLock(fd);
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing lets go of the lock
}

std::optional<FileStamp> FileStamper::Stamp(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    Throw(errno, path);
  }
  auto pin = Pin(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) Throw(errno, path);
  FileStamp stamp;
  stamp.device_ = static_cast<std::uint64_t>(st.st_dev);
  stamp.inode_ = static_cast<std::uint64_t>(st.st_ino);
  stamp.size_ = static_cast<std::int64_t>(st.st_size);
  stamp.modified_ns_ =
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp.changed_ns_ =
      static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  stamp.pin_ = std::move(pin);
  return stamp;
}

std::optional<StampedContents> FileStamper::Read(const std::string& path) {
  std::optional<FileStamp> stamp = Stamp(path);
  if (!stamp) return std::nullopt;
  const int fd = *stamp->pin_;
  struct stat st {};
  if (::fstat(fd, &st) != 0) Throw(errno, path);
  if (S_ISDIR(st.st_mode)) Throw(EISDIR, path);
  StampedContents contents;
  contents.bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (off_t offset = 0;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      Throw(errno, path);
    }
    if (n == 0) break;
    contents.bytes.append(buffer, static_cast<std::size_t>(n));
    offset += n;
  }
  contents.stamp = std::move(*stamp);
  return contents;
}

}  // namespace quillbay
