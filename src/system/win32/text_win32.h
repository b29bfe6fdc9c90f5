#pragma once

// The program's 8-bit text (the ANSI code page) and the wide text of the system's calls:
// the one place on Windows where text changes encoding. text.h gives the same conversions
// for the portable code, in char16_t.

#include <optional>
#include <string>
#include <string_view>

namespace quillbay {

// Exact conversions: nullopt for bytes that are no text of the code page, and for wide text
// that the code page cannot hold; nothing is best-fitted to '?' or a look-alike.
std::optional<std::wstring> WideFromText(std::string_view text);
std::optional<std::string> TextFromWide(std::wstring_view wide);

// The program's own text to show (resources, what a window holds): a byte that is no text
// of the code page shows as U+FFFD rather than losing the whole text.
std::wstring WideText(std::string_view text);

}  // namespace quillbay
