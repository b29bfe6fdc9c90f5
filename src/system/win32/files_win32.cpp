#include <windows.h>

#include <atomic>
#include <string>

#include "system/file_error.h"
#include "system/files.h"

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

[[noreturn]] void ThrowFor(DWORD error, const std::string& path) {
  throw FileError(ClassifySystemError(error), AbsolutePath(path));
}

// A name for the temporary file next to `path`; unique within this process, and the
// process id keeps two running copies apart.
std::string TemporaryNameFor(const std::string& path) {
  static std::atomic<unsigned long> counter{0};
  std::size_t slash = path.size();
  while (slash > 0 && !IsSeparator(path[slash - 1])) --slash;
  return path.substr(0, slash) + "~" + path.substr(slash) + ".tmp" +
         std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount64()) + "-" +
         std::to_string(counter++);
}

}  // namespace

FileCause ClassifySystemError(unsigned long error) {
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
  // Other readers are welcome; a writer must not change the file under us.
  Handle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) return std::nullopt;
  std::string data;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
    data.reserve(static_cast<std::size_t>(size.QuadPart));
  }
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    data.append(buffer, got);
  }
  return data;
}

void ReplaceFileAtomically(const std::string& path, std::string_view contents) {
  // Only a file is ever replaced; a folder in its place is refused before anything is written.
  if (IsDirectory(path)) ThrowFor(ERROR_ACCESS_DENIED, path);
  std::string temp;
  HANDLE raw = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && raw == INVALID_HANDLE_VALUE; ++attempt) {
    temp = TemporaryNameFor(path);
    raw = ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) ThrowFor(error, path);
    }
  }
  if (raw == INVALID_HANDLE_VALUE) ThrowFor(ERROR_FILE_EXISTS, path);
  Handle file(raw);

  auto fail = [&](DWORD error) {
    file.Close();
    ::DeleteFileA(temp.c_str());
    ThrowFor(error, path);
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
    ThrowFor(error, path);
  }
  if (!::MoveFileExA(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = ::GetLastError();
    ::DeleteFileA(temp.c_str());
    ThrowFor(error, path);
  }
}

void RemoveFileIfExists(const std::string& path) {
  if (::DeleteFileA(path.c_str())) return;
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
  throw FileError(ClassifySystemError(error), std::nullopt);
}

void CreateDirectories(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
  if (folder.empty() || IsDirectory(folder)) return;
  std::size_t slash = folder.size();
  while (slash > 0 && !IsSeparator(folder[slash - 1])) --slash;
  // Stop at a drive ("C:") or the root; they exist or cannot be made.
  if (slash > 0) {
    const std::string parent = folder.substr(0, slash);
    const bool is_drive = parent.size() <= 3 && parent.size() >= 2 && parent[1] == ':';
    if (!is_drive && parent.size() > 1) CreateDirectories(parent);
  }
  if (!::CreateDirectoryA(folder.c_str(), nullptr)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS) ThrowFor(error, folder);
  }
  // Something that is not a folder stands in the way; the error names it.
  if (!IsDirectory(folder)) ThrowFor(ERROR_PATH_NOT_FOUND, folder);
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

}  // namespace quillbay
