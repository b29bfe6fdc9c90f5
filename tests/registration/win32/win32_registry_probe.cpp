#include "win32_registry_probe.h"

#include <windows.h>

namespace quillbay::testing_support {
namespace {

HKEY RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegRoot::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegRoot::kCurrentUser:
      return HKEY_CURRENT_USER;
  }
  return HKEY_CURRENT_USER;
}

REGSAM ViewFlag(RegView view) {
  return view == RegView::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

// An open key, closed when it goes out of scope.
class Key {
 public:
  Key(RegRoot root, std::string_view path, RegView view) {
    const std::string text(path);
    if (::RegOpenKeyExA(RootKey(root), text.c_str(), 0, KEY_READ | ViewFlag(view), &key_) !=
        ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

bool Win32ViewReader::KeyExists(RegRoot root, std::string_view path) {
  return static_cast<bool>(Key(root, path, view_));
}

std::optional<ProbedValue> Win32ViewReader::ReadValue(RegRoot root, std::string_view path,
                                                      std::string_view name) {
  const Key key(root, path, view_);
  if (!key) return std::nullopt;
  const std::string name_text(name);
  const char* value_name = name.empty() ? nullptr : name_text.c_str();
  // The wide interface gives the bytes as stored; the 8-bit one would convert strings back.
  const std::wstring wide_name(name_text.begin(), name_text.end());
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key.get(), value_name ? wide_name.c_str() : nullptr, nullptr, &type,
                         nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  ProbedValue value;
  value.type = type;
  value.data.resize(size);
  if (::RegQueryValueExW(key.get(), value_name ? wide_name.c_str() : nullptr, nullptr, &type,
                         value.data.empty() ? nullptr : value.data.data(),
                         &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  return value;
}

// The names `next` gives for index 0, 1, ... until it fails; empty when the key is missing.
template <typename Next>
std::vector<std::string> EnumNames(const Key& key, Next next) {
  std::vector<std::string> names;
  char name[16384];
  for (DWORD i = 0; key; ++i) {
    DWORD length = sizeof name;
    if (next(key.get(), i, name, &length) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

std::vector<std::string> Win32ViewReader::ValueNames(RegRoot root, std::string_view path) {
  return EnumNames(Key(root, path, view_), [](HKEY key, DWORD i, char* name, DWORD* length) {
    return ::RegEnumValueA(key, i, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

std::vector<std::string> Win32ViewReader::SubkeyNames(RegRoot root, std::string_view path) {
  return EnumNames(Key(root, path, view_), [](HKEY key, DWORD i, char* name, DWORD* length) {
    return ::RegEnumKeyExA(key, i, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

bool Win32ViewReader::WriteKeyInThisViewOnly(RegRoot root, std::string_view path,
                                             std::string_view value) {
  const std::string text(path);
  const std::string data(value);
  HKEY key = nullptr;
  if (::RegCreateKeyExA(RootKey(root), text.c_str(), 0, nullptr, 0, KEY_WRITE | ViewFlag(view_),
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LSTATUS set =
      ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
  ::RegCloseKey(key);
  return set == ERROR_SUCCESS;
}

void Win32ViewReader::DeleteTree(RegRoot root, std::string_view path) {
  const std::string text(path);
  for (const std::string& child : SubkeyNames(root, path)) DeleteTree(root, text + "\\" + child);
  ::RegDeleteKeyExA(RootKey(root), text.c_str(), ViewFlag(view_), 0);
}

}  // namespace quillbay::testing_support
