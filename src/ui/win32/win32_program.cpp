#include "ui/win32/win32_program.h"

#include <windows.h>

namespace quillbay {
namespace {

// Where the file name starts: after the last folder separator or drive colon.
std::size_t NameStart(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/:");
  return slash == std::string_view::npos ? 0 : slash + 1;
}

// Where the extension's dot is in the file name, or the end when there is none.
std::size_t ExtensionStart(std::string_view path) {
  const std::size_t name = NameStart(path);
  const std::size_t dot = path.rfind('.');
  return dot == std::string_view::npos || dot < name ? path.size() : dot;
}

}  // namespace

std::string ModulePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), size);
    if (length == 0) return {};
    if (length < size) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string ApplicationTitleOf(std::string_view module_path) {
  const std::size_t name = NameStart(module_path);
  return std::string(module_path.substr(name, ExtensionStart(module_path) - name));
}

}  // namespace quillbay
