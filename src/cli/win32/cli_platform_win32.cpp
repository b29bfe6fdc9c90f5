#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>

#include "cli/cli_platform.h"
#include "system/win32/text_win32.h"

namespace quillbay {
namespace {

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", value);
  return text;
}

// The first character of `wide` that the code page cannot hold, for the message.
std::string RefusedCharacter(std::wstring_view wide) {
  for (std::size_t i = 0; i < wide.size(); ++i) {
    std::size_t units = 1;
    unsigned code = wide[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      units = 2;
    }
    if (!TextFromWide(wide.substr(i, units))) return Hex(code);
    i += units - 1;
  }
  return "?";
}

}  // namespace

Expected<std::vector<std::string>, std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  Expected<std::vector<std::string>, std::string> arguments = std::vector<std::string>();
  for (int i = 1; i < count && arguments; ++i) {
    if (std::optional<std::string> text = TextFromWide(wide[i])) {
      arguments->push_back(std::move(*text));
    } else {
      arguments = Unexpected("the character " + RefusedCharacter(wide[i]) +
                             " cannot be written in this system's code page (" +
                             std::to_string(::GetACP()) + "); nothing was changed");
    }
  }
  ::LocalFree(wide);
  return arguments;
}

std::string TextAsUtf8(std::string_view text) {
  if (text.empty() || ::GetACP() == CP_UTF8) return std::string(text);
  std::wstring wide;
  // One character at a time: a byte with no character in the code page becomes U+FFFD
  // without taking its neighbours with it.
  for (std::size_t i = 0; i < text.size();) {
    const int bytes = ::IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
    wchar_t unit = 0;
    if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data() + i, bytes, &unit, 1) ==
        1) {
      wide += unit;
    } else {
      wide += L'\uFFFD';
    }
    i += static_cast<std::size_t>(bytes);
  }
  const int size = static_cast<int>(wide.size());
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void IgnoreClosedPipe() {}

bool StdoutReaderGone() {
  // Asked only after a write failed, and a write to a pipe fails only when its reader has
  // closed it. (A zero-byte write cannot tell: Wine lets it succeed.)
  return ::GetFileType(::GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_PIPE;
}

void SetStdoutBinary() {
  // Text mode would turn every LF byte into CR LF, breaking UTF-16 text.
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace quillbay
