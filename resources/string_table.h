#pragma once

#include <string>
#include <string_view>

#include "system/file_error.h"

namespace quillbay {

// Numbers of the program's string resources. The texts are the program's own and stay
// exactly as written, typing slips included.
namespace str {
inline constexpr int kAboutMenuItem = 101;
inline constexpr int kBarIdFormat = 102;
inline constexpr int kNeedLinkNameAndUrl = 103;
inline constexpr int kNeedPagePath = 104;
inline constexpr int kTitleEmpty = 105;
inline constexpr int kPageTemplate = 106;
inline constexpr int kLinkLineTemplate = 107;
inline constexpr int kSelectItemToDelete = 108;
inline constexpr int kLinkPageDescription = 109;
inline constexpr int kNeedNameAndUrl = 110;
inline constexpr int kCharacterNotAllowed = 111;
inline constexpr int kNoNewBarId = 112;
inline constexpr int kRegistryWriteFailed = 113;
inline constexpr int kRegistryRemoveFailed = 114;
inline constexpr int kRegistryNeedsAdmin = 115;
inline constexpr int kHelpText = 116;
inline constexpr int kNoDataFolder = 117;
inline constexpr int kNotListed = 118;
inline constexpr int kNotABarId = 119;
inline constexpr int kBarIdTaken = 120;
inline constexpr int kNoRegistryEntries = 121;
inline constexpr int kLocationCharacterNotAllowed = 122;
inline constexpr int kNotText = 123;
inline constexpr int kFolderNotWritable = 124;
inline constexpr int kRegistryUnreadable = 125;
inline constexpr int kLeftOutPartly = 126;
inline constexpr int kLeftOutMissing = 127;
inline constexpr int kNotAFile = 128;
inline constexpr int kFileErrorBase = 61856;  // + cause number (1..14)
inline constexpr int kUnnamedFile = 61871;
}  // namespace str

// The text of string resource `id`; empty when there is none.
std::string_view StringResource(int id);

// Replaces every "%1" in `text` with `arg`, the way the framework's message formatter does.
std::string FormatString1(std::string_view text, std::string_view arg);

// What the user is told of a file error: its cause's text with "%1" replaced by the path, or
// by "an unnamed file".
std::string FileErrorText(const FileError& error);

}  // namespace quillbay
