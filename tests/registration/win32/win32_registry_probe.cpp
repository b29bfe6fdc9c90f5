#include "win32_registry_probe.h"

#include <windows.h>

namespace quillbay::testing_support {
namespace {

HKEY RootKey(RegRoot root) {
  return root == RegRoot::kClassesRoot    ? HKEY_CLASSES_ROOT
         : root == RegRoot::kLocalMachine ? HKEY_LOCAL_MACHINE
                                          : HKEY_CURRENT_USER;
}

REGSAM ViewFlag(RegView view) {
  return view == RegView::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

// An open key, closed when it goes out of scope.
struct OpenKey {
  OpenKey(RegRoot root, std::string_view path, RegView view) {
    if (::RegOpenKeyExA(RootKey(root), std::string(path).c_str(), 0, KEY_READ | ViewFlag(view),
                        &key) != ERROR_SUCCESS) {
      key = nullptr;
    }
  }
  ~OpenKey() {
    if (key != nullptr) ::RegCloseKey(key);
  }
  HKEY key = nullptr;
};

}  // namespace

std::optional<ProbedValue> Win32ViewReader::ReadValue(RegRoot root, std::string_view path,
                                                      std::string_view name) {
  const OpenKey key(root, path, view_);
  const std::wstring wide(name.begin(), name.end());
  ProbedValue value{0, std::vector<std::uint8_t>(1 << 16)};
  DWORD size = static_cast<DWORD>(value.data.size());
  if (key.key == nullptr || ::RegQueryValueExW(key.key, name.empty() ? nullptr : wide.c_str(),
                                               nullptr, reinterpret_cast<DWORD*>(&value.type),
                                               value.data.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  return value;
}

std::optional<std::vector<std::string>> Win32ViewReader::Key(RegRoot root, std::string_view path) {
  const OpenKey key(root, path, view_);
  if (key.key == nullptr) return std::nullopt;
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0, length = sizeof name;
       ::RegEnumKeyExA(key.key, i, name, &length, nullptr, nullptr, nullptr, nullptr) ==
       ERROR_SUCCESS;
       ++i, length = sizeof name) {
    names.emplace_back(name, length);
  }
  return names;
}

}  // namespace quillbay::testing_support
