#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "system/file_error.h"
#include "system/file_lock.h"
#include "system/files.h"
#include "system/posix/system_calls.h"

namespace quillbay {

SystemCalls system_calls = {
    [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
    ::read,
    ::write,
    ::stat,
    ::lstat,
    ::fstat,
    ::fchown,
    ::fchmod,
    ::fsync,
    ::close,
    ::rename,
    ::unlink,
    ::mkdir,
    ::flock,
};

namespace {

// Closes a descriptor on every path out of a function.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) system_calls.close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and returns close()'s errno, 0 on success.
  int Close() {
    const int rc = system_calls.close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return system_calls.stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

[[noreturn]] void Throw(int err, const std::string& path) {
  throw FileError(ClassifySystemError(static_cast<unsigned long>(err), path), AbsolutePath(path));
}

// Temporary files of `name` are ".<name>.tmp<pid>-<random>": the process id tells whose.
std::string TemporaryPrefix(const std::string& name) {
  return "." + name + ".tmp";
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Removes temporary files of `target` whose writer is gone (killed mid-write). Only our
// own regular files of this exact pattern are touched, and never those of a live process.
void RemoveStaleTemporaries(const std::string& target) {
  const std::string folder = ParentFolder(target);
  const std::string prefix = TemporaryPrefix(BaseName(target));
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!name.starts_with(prefix)) continue;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
    if (pid <= 0 || *end != '-' || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    const std::string stale = JoinPath(folder, name);
    struct stat st {};
    if (system_calls.lstat(stale.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        st.st_uid == ::geteuid()) {
      system_calls.unlink(stale.c_str());
    }
  }
  ::closedir(dir);
}

}  // namespace

FileCause ClassifySystemError(unsigned long error, const std::string& path) {
  switch (static_cast<int>(error)) {
    case ENOENT:
      return IsDirectory(ParentFolder(path)) ? FileCause::kFileNotFound : FileCause::kBadPath;
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
  // Non-blocking, so that a FIFO in the file's place cannot hang the program.
  Fd fd(system_calls.open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0));
  if (fd.get() < 0) {
    // A path through a regular file names no file either.
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    Throw(errno, path);
  }
  struct stat st {};
  if (system_calls.fstat(fd.get(), &st) != 0) Throw(errno, path);
  if (!S_ISREG(st.st_mode)) Throw(EISDIR, path);
  std::string data;
  data.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = system_calls.read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      Throw(errno, path);
    }
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

void ReplaceFileAtomically(const std::string& path, std::string_view contents) {
  // Replace what a symbolic link points to, not the link itself, also when it dangles.
  const std::string target = FinalPath(path);
  // The rename needs only the folder's rights: without this check a file the user may not
  // write would be replaced anyway. Only a regular file is ever replaced: a folder or a
  // device in its place is refused.
  struct stat existing {};
  bool exists = false;
  {
    Fd old(system_calls.open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0));
    if (old.get() >= 0) {
      if (system_calls.fstat(old.get(), &existing) != 0) Throw(errno, path);
      if (!S_ISREG(existing.st_mode)) Throw(EISDIR, path);
      exists = true;
    } else if (errno != ENOENT) {
      Throw(errno == ENXIO ? EACCES : errno, path);  // ENXIO: a FIFO nobody reads
    }
  }
  RemoveStaleTemporaries(target);

  static std::minstd_rand rng{std::random_device{}()};
  const std::string temp_prefix = JoinPath(ParentFolder(target), TemporaryPrefix(BaseName(target)));
  std::string temp;
  int fd_raw = -1;
  for (int attempt = 0; attempt < 100 && fd_raw < 0; ++attempt) {
    temp = temp_prefix + std::to_string(::getpid()) + "-" + std::to_string(rng());
    fd_raw = system_calls.open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_raw < 0 && errno != EEXIST) Throw(errno, path);
  }
  if (fd_raw < 0) Throw(EEXIST, path);
  Fd fd(fd_raw);

  auto fail = [&](int err) {
    fd.Close();
    system_calls.unlink(temp.c_str());
    Throw(err, path);
  };

  if (exists) {
    // Keep the owner and the mode of the file being replaced; one we cannot give the new
    // file its owner is not replaced.
    struct stat made {};
    if (system_calls.fstat(fd.get(), &made) != 0) fail(errno);
    if ((made.st_uid != existing.st_uid || made.st_gid != existing.st_gid) &&
        system_calls.fchown(fd.get(), existing.st_uid, existing.st_gid) != 0) {
      fail(EACCES);
    }
    if (system_calls.fchmod(fd.get(), existing.st_mode & 07777) != 0) fail(errno);
  }

  std::size_t done = 0;
  while (done < contents.size()) {
    const ssize_t n = system_calls.write(fd.get(), contents.data() + done, contents.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    if (n == 0) fail(ENOSPC);  // a write that writes nothing counts as a full disk
    done += static_cast<std::size_t>(n);
  }
  if (system_calls.fsync(fd.get()) != 0) fail(errno);
  if (const int err = fd.Close(); err != 0) {
    system_calls.unlink(temp.c_str());
    Throw(err, path);
  }
  if (system_calls.rename(temp.c_str(), target.c_str()) != 0) {
    const int err = errno;
    system_calls.unlink(temp.c_str());
    Throw(err, path);
  }
  // Make the rename itself durable; a failure here changes nothing the user could act on.
  Fd dir(system_calls.open(ParentFolder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
  if (dir.get() >= 0) system_calls.fsync(dir.get());
}

void RemoveFileIfExists(const std::string& path) {
  // The file a symbolic link points to is removed; the link stays.
  if (system_calls.unlink(FinalPath(path).c_str()) != 0 && errno != ENOENT) {
    throw FileError(ClassifySystemError(static_cast<unsigned long>(errno), path), std::nullopt);
  }
}

void CreateDirectories(const std::string& path) {
  if (path.empty() || IsDirectory(path)) return;
  const std::string parent = ParentFolder(path);
  if (parent != path) CreateDirectories(parent);
  if (system_calls.mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) Throw(errno, path);
  if (!IsDirectory(path)) Throw(ENOTDIR, path);
}

std::string ParentFolder(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
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

std::string FinalPath(const std::string& path) {
  // The components still to walk, the next one last; a link's target is pushed in its place.
  std::vector<std::string> rest;
  const auto push = [&rest](const std::string& text) {
    std::size_t end = text.size();
    while (end > 0) {
      const std::size_t slash = text.find_last_of('/', end - 1);
      const std::size_t begin = slash == std::string::npos ? 0 : slash + 1;
      if (end > begin) rest.push_back(text.substr(begin, end - begin));
      if (slash == std::string::npos) break;
      end = slash;
    }
  };
  push(AbsolutePath(path));
  std::string resolved;  // "" is the root
  bool missing = false;  // from here on nothing exists: the rest is taken as it is
  int links = 0;
  while (!rest.empty()) {
    const std::string name = std::move(rest.back());
    rest.pop_back();
    if (name == ".") continue;
    if (name == "..") {
      resolved.resize(resolved.empty() ? 0 : resolved.find_last_of('/'));
      continue;
    }
    const std::string next = resolved + "/" + name;
    struct stat st {};
    if (!missing && system_calls.lstat(next.c_str(), &st) != 0) missing = true;
    // A loop of links is left unresolved; opening the path reports it.
    if (!missing && S_ISLNK(st.st_mode) && ++links <= 40) {
      std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
      const ssize_t n = ::readlink(next.c_str(), target.data(), target.size());
      if (n > 0 && static_cast<std::size_t>(n) < target.size()) {
        target.resize(static_cast<std::size_t>(n));
        if (target.front() == '/') resolved.clear();
        push(target);
        continue;
      }
    }
    resolved = next;
  }
  return resolved.empty() ? "/" : resolved;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  if (system_calls.stat(a.c_str(), &sa) == 0 && system_calls.stat(b.c_str(), &sb) == 0) {
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  }
  return FinalPath(a) == FinalPath(b);
}

FileLock FileLock::Acquire(const std::string& path) {
  // A link in the lock's place is refused: following a dangling one would create a file
  // wherever it points.
  const int fd = system_calls.open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) Throw(errno == ELOOP ? EACCES : errno, path);
  while (system_calls.flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    const int err = errno;
    system_calls.close(fd);
    Throw(err, path);
  }
  return FileLock(fd);
}

FileLock::~FileLock() {
  if (handle_ >= 0) system_calls.close(static_cast<int>(handle_));  // closing lets go of the lock
}

}  // namespace quillbay
