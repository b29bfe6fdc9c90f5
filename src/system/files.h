#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "system/file_error.h"

namespace quillbay {

// File operations the program's own files go through. Each platform implements them in
// its folder (posix/, win32/). A failure throws FileError, carrying its cause and, where
// said, the path: the one exception, caught by Bars into its outcome, or by a front end that
// writes a file itself. nullopt is never a failure: the file is not there, or the folder
// cannot be determined.

// The whole content of a file, opened for reading and not shared with writers; nullopt
// only when it does not exist. Throws FileError carrying the absolute path when it exists
// but cannot be read (no rights, held open by another program, a folder): such a file is
// never to be taken for a missing one.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces `path` with `contents` atomically: a temporary file in the same folder is
// written, flushed and renamed over the old one (over the file a symbolic link points to,
// which need not exist yet: the link stays), so a crash or a failure leaves the old
// file whole. A file the user could not open for writing is not replaced (cause 5); the
// new file keeps the old one's owner and mode. Temporary files that an earlier, killed
// write of this path left behind are removed. Throws FileError carrying the absolute path
// (cause 13 for a short write or a full disk).
void ReplaceFileAtomically(const std::string& path, std::string_view contents);

// Deletes a file if it exists (the file a symbolic link points to: the link stays). Throws
// FileError without a path when it exists and cannot be deleted.
void RemoveFileIfExists(const std::string& path);

// Creates a folder and its missing parents; throws FileError carrying `path` on failure.
void CreateDirectories(const std::string& path);

// The folder `path` is in: "." when it names none, the root for a file at the root.
std::string ParentFolder(const std::string& path);

// `path` made absolute the way the system's own open would take it (no check that it
// exists).
std::string AbsolutePath(const std::string& path);

// The folder that plays the Windows directory: GetWindowsDirectoryA on Windows,
// $XDG_DATA_HOME/quillbay (default ~/.local/share/quillbay) elsewhere. Not created here.
// nullopt when it cannot be determined.
std::optional<std::string> WindowsDirectory();

// `folder` joined with `name` by the platform's separator ("%s\bkupRegKeyf" on Windows).
std::string JoinPath(std::string_view folder, std::string_view name);

// `path` made absolute with every symbolic link on it resolved: the file that opening it
// reaches. A dangling link resolves to where it points; the part of a path that does not
// exist is kept as it is, after its existing folders are resolved. Two names of one file
// give one final path, so a lock named after it is the same for both.
std::string FinalPath(const std::string& path);

// Whether `a` and `b` name the same file: the same device and inode (the same volume and
// file index on Windows) when both exist, else equal final paths (ignoring case on
// Windows).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace quillbay
