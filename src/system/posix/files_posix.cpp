#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>

#include "system/file_error.h"
#include "system/files.h"

namespace quillbay {
namespace {

// Closes a descriptor on every path out of a function.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and returns close()'s errno, 0 on success.
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

std::string ParentOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Like ClassifySystemError, but a missing folder on the way to `path` is a bad path, as
// Windows reports it, rather than a missing file.
FileCause ClassifyFor(int err, const std::string& path) {
  if (err == ENOENT && !IsDirectory(ParentOf(path))) return FileCause::kBadPath;
  return ClassifySystemError(static_cast<unsigned long>(err));
}

[[noreturn]] void ThrowFor(int err, const std::string& path) {
  throw FileError(ClassifyFor(err, path), AbsolutePath(path));
}

std::string TemporaryNameFor(const std::string& path) {
  static std::minstd_rand rng{std::random_device{}()};
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(rng());
}

}  // namespace

FileCause ClassifySystemError(unsigned long error) {
  switch (static_cast<int>(error)) {
    case ENOENT:
      return FileCause::kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return FileCause::kBadPath;
    case EMFILE:
    case ENFILE:
      return FileCause::kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST:
      return FileCause::kAccessDenied;
    case EBADF:
      return FileCause::kInvalidFile;
    case EBUSY:
    case ETXTBSY:
      return FileCause::kSharingViolation;
    case EAGAIN:
    case EDEADLK:
      return FileCause::kLockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FileCause::kDiskFull;
    case EIO:
      return FileCause::kHardIo;
    case ESPIPE:
      return FileCause::kBadSeek;
    default:
      return FileCause::kGeneric;
  }
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  std::string data;
  data.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

void ReplaceFileAtomically(const std::string& path, std::string_view contents) {
  // Replace what a symbolic link points to, not the link itself.
  std::string target = path;
  if (char* real = ::realpath(path.c_str(), nullptr); real != nullptr) {
    target = real;
    std::free(real);
  }
  // Only a regular file is ever replaced: a folder or a device in its place is refused
  // (renaming over /dev/full would swap the device for a file).
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) ThrowFor(EISDIR, path);

  std::string temp;
  int fd_raw = -1;
  for (int attempt = 0; attempt < 100 && fd_raw < 0; ++attempt) {
    temp = TemporaryNameFor(target);
    fd_raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_raw < 0 && errno != EEXIST) ThrowFor(errno, path);
  }
  if (fd_raw < 0) ThrowFor(EEXIST, path);
  Fd fd(fd_raw);

  auto fail = [&](int err) {
    fd.Close();
    ::unlink(temp.c_str());
    ThrowFor(err, path);
  };

  // Keep the permissions of the file being replaced.
  if (existing.st_mode != 0) ::fchmod(fd.get(), existing.st_mode & 07777);

  std::size_t done = 0;
  while (done < contents.size()) {
    const ssize_t n = ::write(fd.get(), contents.data() + done, contents.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    if (n == 0) fail(ENOSPC);  // a write that writes nothing counts as a full disk
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd.get()) != 0) fail(errno);
  if (const int err = fd.Close(); err != 0) {
    ::unlink(temp.c_str());
    ThrowFor(err, path);
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    ThrowFor(err, path);
  }
  // Make the rename itself durable; a failure here changes nothing the user could act on.
  Fd dir(::open(ParentOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

void RemoveFileIfExists(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    throw FileError(ClassifyFor(errno, path), std::nullopt);
  }
}

void CreateDirectories(const std::string& path) {
  if (path.empty() || IsDirectory(path)) return;
  const std::string parent = ParentOf(path);
  if (parent != path) CreateDirectories(parent);
  if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) ThrowFor(errno, path);
  if (!IsDirectory(path)) ThrowFor(ENOTDIR, path);
}

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  std::string cwd(4096, '\0');
  while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
    if (errno != ERANGE) return path;
    cwd.resize(cwd.size() * 2);
  }
  cwd.resize(cwd.find('\0'));
  return path.empty() ? cwd : JoinPath(cwd, path);
}

std::optional<std::string> WindowsDirectory() {
  // XDG: a relative XDG_DATA_HOME is to be ignored.
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
    return JoinPath(xdg, "quillbay");
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') {
    const passwd* pw = ::getpwuid(::getuid());
    home = pw != nullptr ? pw->pw_dir : nullptr;
  }
  if (home == nullptr || home[0] != '/') return std::nullopt;
  return JoinPath(home, ".local/share/quillbay");
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && out.back() != '/') out += '/';
  out += name;
  return out;
}

}  // namespace quillbay
