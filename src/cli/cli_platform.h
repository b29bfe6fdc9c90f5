#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/expected.h"

namespace quillbay {

// What the command line needs of the system beyond the core's seams. A refusal comes back as
// an Expected naming what was refused, for the program to print; nothing here throws.

// The arguments after the program's name, in the program's text. Elsewhere argv as it is.
// On Windows the command line is read as UTF-16 and converted to the ANSI code page with no
// best fit: a character the code page cannot hold is refused, naming it, since a look-alike
// or '?' stored in its place would be a different bar.
Expected<std::vector<std::string>, std::string> CommandLineArguments(int argc, char** argv);

// The program's text as UTF-8: converted from the ANSI code page on Windows, as it is
// elsewhere. Bytes that are not text are left for the JSON writer to replace.
std::string TextAsUtf8(std::string_view text);

// Whether `path` names an existing folder.
bool IsFolder(const std::string& path);

// A closed pipe is reported as a write error instead of ending the program, so that a
// reader that stops early (`list | head -1`) can be told from a failed write.
void IgnoreClosedPipe();

// After a failed write: whether standard output is a pipe whose reader has gone.
bool StdoutReaderGone();

// Standard output passes bytes through unchanged (a ".reg" file is UTF-16LE).
void SetStdoutBinary();

}  // namespace quillbay
