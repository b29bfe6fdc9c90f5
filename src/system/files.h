#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "system/file_error.h"

namespace quillbay {

// File operations the program's own files go through. Each platform implements them in
// its folder (posix/, win32/).

// The whole content of an existing file, opened for reading and not shared with writers;
// nullopt when it cannot be opened (normally: it does not exist).
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces `path` with `contents` atomically: a temporary file in the same folder is
// written, flushed and renamed over the old one, so a failure leaves the old file whole.
// The temporary file is removed on failure. Throws FileError carrying `path` (cause 13 for
// a short write or a full disk).
void ReplaceFileAtomically(const std::string& path, std::string_view contents);

// Deletes a file if it exists. Throws FileError without a path when it exists and cannot
// be deleted.
void RemoveFileIfExists(const std::string& path);

// Creates a folder and its missing parents; throws FileError carrying `path` on failure.
void CreateDirectories(const std::string& path);

// `path` made absolute against the current directory (no check that it exists).
std::string AbsolutePath(const std::string& path);

// The folder that plays the Windows directory: GetWindowsDirectoryA on Windows,
// $XDG_DATA_HOME/quillbay (default ~/.local/share/quillbay) elsewhere. Not created here.
// nullopt when it cannot be determined.
std::optional<std::string> WindowsDirectory();

// `folder` joined with `name` by the platform's separator ("%s\bkupRegKeyf" on Windows).
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace quillbay
