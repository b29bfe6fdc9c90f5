// Text where 8-bit text is UTF-8: the conversions of UTF8-CPP, whose checked functions
// refuse overlong forms, surrogates and code points beyond U+10FFFF.
#include <utf8.h>

#include "system/text.h"

namespace quillbay {

std::optional<std::u16string> TextToUtf16(std::string_view text) {
  if (!utf8::is_valid(text.begin(), text.end())) return std::nullopt;
  std::u16string out;
  out.reserve(text.size());
  utf8::unchecked::utf8to16(text.begin(), text.end(), std::back_inserter(out));
  return out;
}

std::optional<std::string> Utf16ToText(std::u16string_view text) {
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
