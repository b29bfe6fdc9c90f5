#pragma once

// The ".reg" file format: the reader ("Windows Registry Editor Version 5.00" in UTF-16LE, or
// "REGEDIT4" in 8-bit text) and the writer, which produces what `reg export` writes, byte
// for byte.

#include <string>
#include <string_view>

#include "registration/reg_tree.h"

namespace quillbay {

inline constexpr std::u16string_view kRegFileHeader = u"Windows Registry Editor Version 5.00";

// Reads a registry file as import would take it: comments and blank lines skipped, values
// continued over lines, "[-key]" and "name"=- deleting. Any input is safe. Refuses a file
// that is not one Quillbay understands fully, saying why and on which line ("line 3: ...");
// an empty input is an empty registry.
RegResult<RegFile> ParseRegFile(std::string_view bytes);

// The file as `reg export` writes it: UTF-16LE with BOM, CRLF, every key its own section.
std::string FormatRegFile(const RegFile& file);

}  // namespace quillbay
