// Text where 8-bit text is UTF-8: the conversions of UTF8-CPP, whose checked functions
// refuse overlong forms, surrogates and code points beyond U+10FFFF.
#include <utf8.h>

#include <algorithm>

#include "system/text.h"

namespace quillbay {

std::optional<std::u16string> TextToUtf16(std::string_view text) {
  // Most text is ASCII (key names, identifiers): each byte is its own code unit.
  if (std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::u16string(text.begin(), text.end());
  if (!utf8::is_valid(text.begin(), text.end())) return std::nullopt;
  std::u16string out;
  out.reserve(text.size());
  utf8::unchecked::utf8to16(text.begin(), text.end(), std::back_inserter(out));
  return out;
}

std::optional<std::string> Utf16ToText(std::u16string_view text) {
  if (std::ranges::all_of(text, [](char16_t c) { return c < 0x80; })) {
    std::string ascii(text.size(), '\0');
    std::ranges::transform(text, ascii.begin(), [](char16_t c) { return static_cast<char>(c); });
    return ascii;
  }
  std::string out;
  out.reserve(text.size());
  try {
    utf8::utf16to8(text.begin(), text.end(), std::back_inserter(out));
  } catch (const utf8::exception&) {
    return std::nullopt;  // a lone surrogate
  }
  return out;
}

}  // namespace quillbay
