#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>

#include "system/file_error.h"
#include "system/file_lock.h"
#include "system/files.h"
#include "system/win32/text_win32.h"

namespace quillbay {
namespace {

// Closes a file handle on every path out of a function.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  // Closes now and returns the error of the close, 0 on success.
  DWORD Close() {
    const BOOL ok = ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok ? 0 : ::GetLastError();
  }

 private:
  HANDLE handle_;
};

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

[[noreturn]] void Throw(DWORD error, const std::string& path) {
  throw FileError(ClassifySystemError(error, path), AbsolutePath(path));
}

// Temporary files of `full` (an absolute path) are "~<name>.tmp<pid>-<tick>-<count>" in
// its folder: the process id tells whose.
std::string TemporaryNamePrefix(const std::string& full) {
  std::size_t slash = full.size();
  while (slash > 0 && !IsSeparator(full[slash - 1])) --slash;
  // Appended to one string: GCC's optimiser misreads "~" + temporary as overlapping copies.
  std::string prefix = "~";
  prefix.append(full, slash).append(".tmp");
  return prefix;
}

bool ProcessIsAlive(DWORD pid) {
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  const bool alive = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  ::CloseHandle(process);
  return alive;
}

// Removes temporary files of `full` whose writer is gone (killed mid-write); never those
// of a live process, nor any other file.
void RemoveStaleTemporaries(const std::string& full) {
  const std::string folder = ParentFolder(full);
  const std::string prefix = TemporaryNamePrefix(full);
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA(JoinPath(folder, prefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (!name.starts_with(prefix) || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      continue;
    }
    char* end = nullptr;
    const unsigned long pid = std::strtoul(name.c_str() + prefix.size(), &end, 10);
    if (pid == 0 || *end != '-' || pid == ::GetCurrentProcessId() || ProcessIsAlive(pid)) continue;
    ::DeleteFileA(JoinPath(folder, name).c_str());
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Whether `error`, met on the existing or vanished file `full`, may pass if tried again:
// another program (an indexer, a virus scanner, an editor) holding the file for a moment,
// or a file being deleted, which refuses access until its last handle closes. A read-only
// file or a folder in the file's place refuses access for good.
bool MayPass(DWORD error, const std::string& full) {
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
  if (error != ERROR_ACCESS_DENIED) return false;
  const DWORD attributes = ::GetFileAttributesA(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ::GetLastError() == ERROR_ACCESS_DENIED;
  return (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

// Runs `attempt` (0 or an error) again while it fails with an error that may pass on `full`,
// backing off, for about 2.5 s at most; returns the last error.
template <typename Attempt>
DWORD Retrying(const std::string& full, Attempt attempt) {
  DWORD delay = 10, waited = 0;
  for (;;) {
    const DWORD error = attempt();
    if (error == 0 || waited >= 2500 || !MayPass(error, full)) return error;
    ::Sleep(delay);
    waited += delay;
    delay = delay * 2 > 250 ? 250 : delay * 2;
  }
}

// Opens `path` for its attributes only, following links; also a folder.
HANDLE OpenForAttributes(const std::string& path) {
  return ::CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// A path the system gives in its long form ("\\?\C:\x", "\\?\UNC\server\share")
// in the form the program shows and opens.
std::string WithoutLongPrefix(std::string path) {
  if (path.starts_with("\\\\?\\UNC\\")) return "\\\\" + path.substr(8);
  if (path.starts_with("\\\\?\\") || path.starts_with("\\??\\")) return path.substr(4);
  return path;
}

// Where the symbolic link or junction `full` points, made absolute; nullopt when `full` is
// none. Read from the link itself, so that a dangling link resolves too.
std::optional<std::string> LinkTarget(const std::string& full) {
  Handle link(::CreateFileA(full.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!link.valid()) return std::nullopt;
  // The reparse data (REPARSE_DATA_BUFFER, from the driver kit's headers): the tag at 0; the
  // substitute and print names' offsets and lengths in bytes at 8; a symbolic link's flags
  // at 16 and its names from 20, a junction's names from 16.
  alignas(8) unsigned char data[MAXIMUM_REPARSE_DATA_BUFFER_SIZE];
  DWORD got = 0;
  if (!::DeviceIoControl(link.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, data, sizeof data, &got,
                         nullptr) ||
      got < 20) {
    return std::nullopt;
  }
  ULONG tag = 0, flags = 0;
  USHORT names[4] = {};  // substitute offset, length; print offset, length
  std::memcpy(&tag, data, sizeof tag);
  std::memcpy(names, data + 8, sizeof names);
  std::size_t start = 0;
  if (tag == IO_REPARSE_TAG_SYMLINK) {
    std::memcpy(&flags, data + 16, sizeof flags);
    start = 20;
  } else if (tag == IO_REPARSE_TAG_MOUNT_POINT) {
    start = 16;
  } else {
    return std::nullopt;
  }
  const bool print = names[3] > 0;
  const std::size_t offset = start + names[print ? 2 : 0], length = names[print ? 3 : 1];
  if (offset + length > got) return std::nullopt;
  std::wstring wide(length / sizeof(wchar_t), L'\0');
  std::memcpy(wide.data(), data + offset, wide.size() * sizeof(wchar_t));
  const std::string target = WithoutLongPrefix(TextFromWide(wide).value_or(""));
  if (target.empty()) return std::nullopt;
  constexpr ULONG kRelative = 1;  // SYMLINK_FLAG_RELATIVE
  return AbsolutePath((flags & kRelative) != 0 ? JoinPath(ParentFolder(full), target) : target);
}

}  // namespace

FileCause ClassifySystemError(unsigned long error, const std::string& /*path*/) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return FileCause::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return FileCause::kBadPath;
    case ERROR_TOO_MANY_OPEN_FILES:
      return FileCause::kTooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
      return FileCause::kAccessDenied;
    case ERROR_INVALID_HANDLE:
      return FileCause::kInvalidFile;
    case ERROR_CURRENT_DIRECTORY:
      return FileCause::kRemoveCurrentDir;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
      return FileCause::kBadSeek;
    case ERROR_SHARING_VIOLATION:
      return FileCause::kSharingViolation;
    case ERROR_LOCK_VIOLATION:
      return FileCause::kLockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileCause::kDiskFull;
    case ERROR_HANDLE_EOF:
      return FileCause::kEndOfFile;
    default:
      return FileCause::kGeneric;
  }
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  // Shared with everyone, so that a reader never makes a writer's replace or a removal fail:
  // the program's writers replace a file whole and never change it in place.
  Handle file(::CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    Throw(error, path);
  }
  std::string data;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
    data.reserve(static_cast<std::size_t>(size.QuadPart));
  }
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
      Throw(::GetLastError(), path);
    if (got == 0) break;
    data.append(buffer, got);
  }
  return data;
}

void ReplaceFileAtomically(const std::string& path, std::string_view contents) {
  // Work on the path as the system's own open takes it (a drive-relative "c:page.htm" is in
  // the current folder of drive C), and on the file a symbolic link points to, which need
  // not exist yet: the temporary file must be in the final file's folder, and the link stays.
  const std::string full = FinalPath(path);
  // Only a file the user could open for writing is replaced: not a read-only file, one
  // held open without sharing for longer than the retries wait, or a folder.
  const DWORD refused = Retrying(full, [&]() -> DWORD {
    Handle old(::CreateFileA(full.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!old.valid()) {
      const DWORD error = ::GetLastError();
      return error == ERROR_FILE_NOT_FOUND ? 0 : error;
    }
    // The open refuses a read-only file on Windows, but not always under Wine.
    const DWORD attributes = ::GetFileAttributesA(full.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0
               ? ERROR_ACCESS_DENIED
               : 0;
  });
  if (refused != 0) Throw(refused, path);
  RemoveStaleTemporaries(full);

  static std::atomic<unsigned long> counter{0};
  std::string temp;
  HANDLE raw = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && raw == INVALID_HANDLE_VALUE; ++attempt) {
    temp = JoinPath(ParentFolder(full), TemporaryNamePrefix(full)) +
           std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount64()) +
           "-" + std::to_string(counter++);
    raw = ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) Throw(error, path);
    }
  }
  if (raw == INVALID_HANDLE_VALUE) Throw(ERROR_FILE_EXISTS, path);
  Handle file(raw);

  auto fail = [&](DWORD error) {
    file.Close();
    ::DeleteFileA(temp.c_str());
    Throw(error, path);
  };

  std::size_t done = 0;
  while (done < contents.size()) {
    const std::size_t left = contents.size() - done;
    const DWORD chunk = left > (1u << 30) ? DWORD{1u << 30} : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!::WriteFile(file.get(), contents.data() + done, chunk, &written, nullptr)) {
      fail(::GetLastError());
    }
    if (written == 0) fail(ERROR_DISK_FULL);  // a write that writes nothing: the disk is full
    done += written;
  }
  if (!::FlushFileBuffers(file.get())) fail(::GetLastError());
  if (const DWORD error = file.Close(); error != 0) {
    ::DeleteFileA(temp.c_str());
    Throw(error, path);
  }
  const DWORD error = Retrying(full, [&]() -> DWORD {
    return ::MoveFileExA(temp.c_str(), full.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : ::GetLastError();
  });
  if (error != 0) {
    ::DeleteFileA(temp.c_str());
    Throw(error, path);
  }
}

void RemoveFileIfExists(const std::string& path) {
  // The file a symbolic link points to is removed; the link stays.
  const std::string full = FinalPath(path);
  const DWORD error =
      Retrying(full, [&]() -> DWORD { return ::DeleteFileA(full.c_str()) ? 0 : ::GetLastError(); });
  if (error == 0 || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
  throw FileError(ClassifySystemError(error, path), std::nullopt);
}

void CreateDirectories(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
  if (folder.empty() || IsDirectory(folder)) return;
  // Stop at a drive ("C:") or the root; they exist or cannot be made.
  const std::string parent = ParentFolder(folder);
  const bool is_drive = parent.size() >= 2 && parent.size() <= 3 && parent[1] == ':';
  if (parent != "." && !is_drive && parent.size() > 1) CreateDirectories(parent);
  if (!::CreateDirectoryA(folder.c_str(), nullptr)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS) Throw(error, folder);
  }
  // Something that is not a folder stands in the way; the error names it.
  if (!IsDirectory(folder)) Throw(ERROR_PATH_NOT_FOUND, folder);
}

std::string ParentFolder(const std::string& path) {
  std::size_t slash = path.size();
  while (slash > 0 && !IsSeparator(path[slash - 1])) --slash;
  if (slash == 0) {
    // "c:page.htm" is in the current folder of drive C.
    return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
  }
  const bool is_root = slash == 1 || (slash == 3 && path[1] == ':');
  return path.substr(0, is_root ? slash : slash - 1);
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) {
    const DWORD size = ::GetCurrentDirectoryA(0, nullptr);
    if (size == 0) return path;
    std::string cwd(size, '\0');
    const DWORD got = ::GetCurrentDirectoryA(size, cwd.data());
    if (got == 0 || got >= size) return path;
    cwd.resize(got);
    return cwd;
  }
  const DWORD size = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::string full(size, '\0');
  const DWORD got = ::GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
  if (got == 0 || got >= size) return path;
  full.resize(got);
  return full;
}

std::optional<std::string> WindowsDirectory() {
  char buffer[MAX_PATH];  // 260 characters, as the program has always asked for
  const UINT length = ::GetWindowsDirectoryA(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return std::string(buffer, length);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && !IsSeparator(out.back())) out += '\\';
  out += name;
  return out;
}

std::string FinalPath(const std::string& path) {
  std::string full = AbsolutePath(path);
  for (int links = 0; links < 40; ++links) {
    if (Handle file(OpenForAttributes(full)); file.valid()) {
      const DWORD size = ::GetFinalPathNameByHandleA(file.get(), nullptr, 0, VOLUME_NAME_DOS);
      std::string final(size, '\0');
      const DWORD got =
          size == 0 ? 0
                    : ::GetFinalPathNameByHandleA(file.get(), final.data(), size, VOLUME_NAME_DOS);
      if (got == 0 || got >= size) return full;
      final.resize(got);
      return WithoutLongPrefix(final);
    }
    // A dangling link: follow it to where it points.
    if (std::optional<std::string> target = LinkTarget(full)) {
      full = *target;
      continue;
    }
    // Nothing is there: resolve the folder it would be in.
    const std::string parent = ParentFolder(full);
    std::size_t slash = full.size();
    while (slash > 0 && !IsSeparator(full[slash - 1])) --slash;
    if (parent.size() >= full.size() || slash == full.size()) return full;
    return JoinPath(FinalPath(parent), full.substr(slash));
  }
  return full;  // a loop of links: opening the path reports it
}

bool SameFile(const std::string& a, const std::string& b) {
  const auto identity = [](const std::string& path) {
    Handle file(OpenForAttributes(path));
    BY_HANDLE_FILE_INFORMATION info{};
    return file.valid() && ::GetFileInformationByHandle(file.get(), &info)
               ? std::optional(
                     std::tuple(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow))
               : std::nullopt;
  };
  const auto ia = identity(a), ib = identity(b);
  if (ia && ib) return *ia == *ib;
  return ::lstrcmpiA(FinalPath(a).c_str(), FinalPath(b).c_str()) == 0;
}

FileLock FileLock::Acquire(const std::string& path) {
  // The link itself is opened, never followed: a dangling one would create a file wherever
  // it points. A reparse point in the lock's place is refused.
  HANDLE file =
      ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) Throw(::GetLastError(), path);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    ::CloseHandle(file);
    Throw(ERROR_ACCESS_DENIED, path);
  }
  OVERLAPPED at{};
  if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    Throw(error, path);
  }
  return FileLock(reinterpret_cast<std::intptr_t>(file));
}

FileLock::~FileLock() {
  // Closing lets go of the lock.
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace quillbay
