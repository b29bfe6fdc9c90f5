// Text where 8-bit text is the ANSI code page: the system's own conversions.
#include <windows.h>

#include <limits>

#include "registration/text.h"

namespace quillbay {

std::optional<std::u16string> TextToUtf16(std::string_view text) {
  if (text.empty()) return std::u16string();
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return std::nullopt;
  const int length = static_cast<int>(text.size());
  const int wide =
      ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  if (wide <= 0) return std::nullopt;
  std::u16string out(static_cast<std::size_t>(wide), u'\0');
  ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length,
                        reinterpret_cast<wchar_t*>(out.data()), wide);
  return out;
}

std::optional<std::string> Utf16ToText(std::u16string_view text) {
  if (text.empty()) return std::string();
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return std::nullopt;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  // A UTF-8 code page takes no best-fit flag; it refuses lone surrogates instead.
  const bool utf8 = ::GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* check = utf8 ? nullptr : &used_default;
  const int bytes = ::WideCharToMultiByte(CP_ACP, flags, wide, length, nullptr, 0, nullptr, check);
  if (bytes <= 0 || used_default) return std::nullopt;
  std::string out(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, flags, wide, length, out.data(), bytes, nullptr, nullptr);
  return out;
}

}  // namespace quillbay
