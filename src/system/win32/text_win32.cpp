// Text where 8-bit text is the ANSI code page: the system's own conversions.
#include "system/win32/text_win32.h"

#include <windows.h>

#include <limits>

#include "system/text.h"

namespace quillbay {
namespace {

bool Fits(std::size_t size) {
  return size <= static_cast<std::size_t>(std::numeric_limits<int>::max());
}

std::optional<std::wstring> ToWide(std::string_view text, DWORD flags) {
  if (text.empty()) return std::wstring();
  if (!Fits(text.size())) return std::nullopt;
  const int length = static_cast<int>(text.size());
  const int wide = ::MultiByteToWideChar(CP_ACP, flags, text.data(), length, nullptr, 0);
  if (wide <= 0) return std::nullopt;
  std::wstring out(static_cast<std::size_t>(wide), L'\0');
  ::MultiByteToWideChar(CP_ACP, flags, text.data(), length, out.data(), wide);
  return out;
}

}  // namespace

std::optional<std::wstring> WideFromText(std::string_view text) {
  return ToWide(text, MB_ERR_INVALID_CHARS);
}

std::wstring WideText(std::string_view text) {
  return ToWide(text, 0).value_or(std::wstring());
}

std::optional<std::string> TextFromWide(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  if (!Fits(wide.size())) return std::nullopt;
  const int length = static_cast<int>(wide.size());
  // A UTF-8 code page takes no best-fit flag; it refuses lone surrogates instead.
  const bool utf8 = ::GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* check = utf8 ? nullptr : &used_default;
  const int bytes =
      ::WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, nullptr, check);
  if (bytes <= 0 || used_default) return std::nullopt;
  std::string out(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, flags, wide.data(), length, out.data(), bytes, nullptr, nullptr);
  return out;
}

// wchar_t is UTF-16 here: the portable conversions are the same ones.
std::optional<std::u16string> TextToUtf16(std::string_view text) {
  const std::optional<std::wstring> wide = WideFromText(text);
  if (!wide) return std::nullopt;
  return std::u16string(wide->begin(), wide->end());
}

std::optional<std::string> Utf16ToText(std::u16string_view text) {
  return TextFromWide({reinterpret_cast<const wchar_t*>(text.data()), text.size()});
}

}  // namespace quillbay
