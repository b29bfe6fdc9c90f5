#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillbay {

// 8-bit text as typed (UTF-8 here, the ANSI code page on Windows) to the UTF-16 the registry
// and ".reg" files keep, and back: the one place text changes encoding. nullopt for bytes
// that are not such text, and for UTF-16 text (a lone surrogate, a character the code page
// cannot hold) that has no exact 8-bit form: nothing is ever best-fitted to '?' or a
// look-alike. Embedded NULs are text like any other.
std::optional<std::u16string> TextToUtf16(std::string_view text);
std::optional<std::string> Utf16ToText(std::u16string_view text);

}  // namespace quillbay
