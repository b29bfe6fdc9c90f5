#include "registration/win32/win32_registry_store.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <limits>
#include <utility>
#include <vector>

namespace quillbay {
namespace {

constexpr std::array<RegView, 2> kViews = {RegView::k64, RegView::k32};

// The browser keeps its lists of vertical and horizontal bars here; it rebuilds a list it
// does not find.
constexpr std::string_view kBarsCacheKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\"
    "Component Categories\\";
constexpr std::array<std::string_view, 2> kBarCategories = {
    "{00021493-0000-0000-C000-000000000046}", "{00021494-0000-0000-C000-000000000046}"};

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

std::string_view RootName(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case RegRoot::kLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case RegRoot::kCurrentUser:
      return "HKEY_CURRENT_USER";
  }
  return "?";
}

REGSAM ViewFlag(RegView view) {
  return view == RegView::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

std::string_view ViewName(RegView view) {
  return view == RegView::k64 ? "64-bit view" : "32-bit view";
}

std::string FullName(RegRoot root, std::string_view path) {
  std::string out(RootName(root));
  if (!path.empty()) out.append("\\").append(path);
  return out;
}

HKEY ToHkey(std::uintptr_t handle) {
  return reinterpret_cast<HKEY>(handle);
}

std::uintptr_t FromHkey(HKEY key) {
  return reinterpret_cast<std::uintptr_t>(key);
}

RegStatus StatusOf(LSTATUS code) {
  switch (code) {
    case ERROR_SUCCESS:
      return RegStatus::kOk;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_KEY_DELETED:
      return RegStatus::kNotFound;
    case ERROR_ACCESS_DENIED:
      return RegStatus::kAccessDenied;
    case ERROR_KEY_HAS_CHILDREN:
      return RegStatus::kHasSubkeys;
    case ERROR_BADDB:
    case ERROR_BADKEY:
    case ERROR_CANTOPEN:
    case ERROR_CANTREAD:
    case ERROR_CANTWRITE:
    case ERROR_REGISTRY_CORRUPT:
    case ERROR_REGISTRY_IO_FAILED:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return RegStatus::kStoreError;
    default:
      return RegStatus::kOther;
  }
}

// The system's text for `code`, without the line end it comes with.
std::string SystemText(LSTATUS code) {
  char* buffer = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length != 0 && buffer != nullptr ? std::string(buffer, length) : "";
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) text = "error";
  return text;
}

// "what (view): system text (code)", e.g. "HKEY_CLASSES_ROOT\CLSID\{...} (32-bit view):
// Access denied. (5)".
RegResult Failure(LSTATUS code, std::string_view what, RegView view) {
  RegResult result;
  result.status = StatusOf(code);
  result.detail.append(what).append(" (").append(ViewName(view)).append("): ");
  result.detail.append(SystemText(code)).append(" (").append(std::to_string(code)).append(")");
  return result;
}

// One operation's outcome over both views. A key that one view has and the other does not
// (a key both views share, deleted through the first) is no failure.
RegResult Combine(RegResult first, RegResult second) {
  auto real_failure = [](const RegResult& r) {
    return !r.ok() && r.status != RegStatus::kNotFound;
  };
  if (real_failure(first)) return first;
  if (real_failure(second)) return second;
  if (!first.ok() && !second.ok()) return first;  // missing in both views
  return RegResult::Ok();
}

// Whether the key has subkeys; Windows refuses to delete such a key as "access denied".
bool HasSubkeys(RegRoot root, const std::string& path, RegView view) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(RootKey(root), path.c_str(), 0, KEY_READ | ViewFlag(view), &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD subkeys = 0;
  const LSTATUS code = ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  ::RegCloseKey(key);
  return code == ERROR_SUCCESS && subkeys > 0;
}

RegResult DeleteInView(RegRoot root, std::string_view path, RegView view) {
  const std::string text(path);
  const LSTATUS code = ::RegDeleteKeyExA(RootKey(root), text.c_str(), ViewFlag(view), 0);
  if (code == ERROR_SUCCESS) return RegResult::Ok();
  // A subkey another program left is no lack of administrator rights.
  if (code == ERROR_ACCESS_DENIED && HasSubkeys(root, text, view)) {
    RegResult result;
    result.status = RegStatus::kHasSubkeys;
    result.detail.append(FullName(root, path)).append(" (").append(ViewName(view));
    result.detail.append("): the key still has a subkey, left there by another program");
    return result;
  }
  return Failure(code, FullName(root, path), view);
}

RegResult DeleteInBothViews(RegRoot root, std::string_view path) {
  RegResult first = DeleteInView(root, path, kViews[0]);
  RegResult second = DeleteInView(root, path, kViews[1]);
  return Combine(std::move(first), std::move(second));
}

}  // namespace

Win32RegistryStore::~Win32RegistryStore() {
  for (auto& [handle, key] : open_) {
    if (key.view64 != 0) ::RegCloseKey(ToHkey(key.view64));
    if (key.view32 != 0) ::RegCloseKey(ToHkey(key.view32));
  }
}

RegResult Win32RegistryStore::CreateKey(RegRoot root, std::string_view path, RegKey* key) {
  *key = 0;
  OpenKey opened;
  opened.name = FullName(root, path);
  const std::string text(path);
  for (const RegView view : kViews) {
    HKEY hkey = nullptr;
    const LSTATUS code =
        ::RegCreateKeyExA(RootKey(root), text.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_WRITE | ViewFlag(view), nullptr, &hkey, nullptr);
    if (code != ERROR_SUCCESS) {
      // Without both views the key is not ours to write: give back what was opened.
      if (opened.view64 != 0) ::RegCloseKey(ToHkey(opened.view64));
      return Failure(code, opened.name, view);
    }
    (view == RegView::k64 ? opened.view64 : opened.view32) = FromHkey(hkey);
  }
  const RegKey handle = next_++;
  open_.emplace(handle, std::move(opened));
  *key = handle;
  return RegResult::Ok();
}

RegResult Win32RegistryStore::SetDefaultString(RegKey key, std::string_view text) {
  std::string with_nul(text);
  with_nul.push_back('\0');
  return SetValue(key, "", RegType::kString,
                  {reinterpret_cast<const std::uint8_t*>(with_nul.data()), with_nul.size()});
}

RegResult Win32RegistryStore::SetValue(RegKey key, std::string_view name, RegType type,
                                       std::span<const std::uint8_t> data) {
  const auto found = open_.find(key);
  if (found == open_.end()) {
    return {RegStatus::kOther, "registry key handle " + std::to_string(key) + " is not open"};
  }
  const OpenKey& opened = found->second;
  const std::string what = opened.name + (name.empty() ? std::string(" (default value)")
                                                       : " value \"" + std::string(name) + "\"");
  if (data.size() > std::numeric_limits<DWORD>::max()) {
    return {RegStatus::kOther, what + ": the value is too large"};
  }
  const std::string name_text(name);
  const BYTE* bytes = data.empty() ? nullptr : data.data();
  RegResult results[2];
  for (std::size_t i = 0; i < kViews.size(); ++i) {
    const HKEY hkey = ToHkey(kViews[i] == RegView::k64 ? opened.view64 : opened.view32);
    const LSTATUS code =
        ::RegSetValueExA(hkey, name.empty() ? nullptr : name_text.c_str(), 0,
                         static_cast<DWORD>(type), bytes, static_cast<DWORD>(data.size()));
    if (code != ERROR_SUCCESS) results[i] = Failure(code, what, kViews[i]);
  }
  return !results[0].ok() ? std::move(results[0]) : std::move(results[1]);
}

RegResult Win32RegistryStore::DeleteKey(RegRoot root, std::string_view path) {
  return DeleteInBothViews(root, path);
}

RegResult Win32RegistryStore::CloseKey(RegKey key) {
  const auto found = open_.find(key);
  if (found == open_.end()) {
    return {RegStatus::kOther, "registry key handle " + std::to_string(key) + " is not open"};
  }
  const OpenKey opened = std::move(found->second);
  open_.erase(found);
  RegResult results[2];
  for (std::size_t i = 0; i < kViews.size(); ++i) {
    const HKEY hkey = ToHkey(kViews[i] == RegView::k64 ? opened.view64 : opened.view32);
    const LSTATUS code = ::RegCloseKey(hkey);
    if (code != ERROR_SUCCESS) results[i] = Failure(code, opened.name, kViews[i]);
  }
  return !results[0].ok() ? std::move(results[0]) : std::move(results[1]);
}

RegResult Win32RegistryStore::ReadKey(RegRoot root, std::string_view path, RegKeyContents* out) {
  *out = {};
  const std::string text(path);
  HKEY hkey = nullptr;
  LSTATUS code = ::RegOpenKeyExA(RootKey(root), text.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &hkey);
  if (code != ERROR_SUCCESS) return Failure(code, FullName(root, path), RegView::k64);
  DWORD subkeys = 0, longest_subkey = 0, values = 0, longest_name = 0, longest_data = 0;
  code = ::RegQueryInfoKeyW(hkey, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr,
                            &values, &longest_name, &longest_data, nullptr, nullptr);
  std::vector<wchar_t> name(std::max(longest_subkey, longest_name) + 1);
  std::vector<BYTE> data(longest_data + 1);
  auto to_utf8 = [&](DWORD length) {
    const int wide = static_cast<int>(length);
    std::string utf8(
        static_cast<std::size_t>(std::max(
            0, ::WideCharToMultiByte(CP_UTF8, 0, name.data(), wide, nullptr, 0, nullptr, nullptr))),
        '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, name.data(), wide, utf8.data(), static_cast<int>(utf8.size()),
                          nullptr, nullptr);
    return utf8;
  };
  for (DWORD i = 0; code == ERROR_SUCCESS && i < subkeys; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    code = ::RegEnumKeyExW(hkey, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (code == ERROR_SUCCESS) out->subkeys.push_back(to_utf8(length));
  }
  for (DWORD i = 0; code == ERROR_SUCCESS && i < values; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    code = ::RegEnumValueW(hkey, i, name.data(), &length, nullptr, &type, data.data(), &size);
    if (code == ERROR_SUCCESS) {
      out->values.push_back(
          {to_utf8(length), static_cast<RegType>(type), {data.begin(), data.begin() + size}});
    }
  }
  ::RegCloseKey(hkey);
  if (code != ERROR_SUCCESS) {
    *out = {};
    return Failure(code, FullName(root, path), RegView::k64);
  }
  return RegResult::Ok();
}

RegResult Win32RegistryStore::BarsChanged() {
  RegResult outcome;
  for (const std::string_view category : kBarCategories) {
    std::string path(kBarsCacheKey);
    path.append(category).append("\\Enum");
    RegResult result = DeleteInBothViews(RegRoot::kCurrentUser, path);
    // No cached list is as good as a dropped one.
    if (!result.ok() && result.status != RegStatus::kNotFound && outcome.ok()) {
      outcome = std::move(result);
    }
  }
  return outcome;
}

}  // namespace quillbay
