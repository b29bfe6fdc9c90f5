#include "registration/win32/win32_registry_store.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "registration/registry_paths.h"
#include "system/text.h"

namespace quillbay {
namespace {

constexpr std::array<RegView, 2> kViews = {RegView::k64, RegView::k32};

constexpr std::array<std::string_view, 2> kBarCategories = {kVerticalCategory, kHorizontalCategory};

HKEY RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegRoot::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegRoot::kCurrentUser:
      break;
  }
  return HKEY_CURRENT_USER;
}

REGSAM ViewFlag(RegView view) {
  return view == RegView::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

RegStatus StatusOf(LSTATUS code) {
  switch (code) {
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
      return RegStatus::kRefused;
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
  return text.empty() ? "error" : text;
}

// "what (view): system text (code)", e.g. "HKEY_CLASSES_ROOT\CLSID\{...} (32-bit view):
// Access denied. (5)".
Unexpected<RegError> Failed(LSTATUS code, std::string_view what, RegView view) {
  std::string detail(what);
  detail.append(view == RegView::k64 ? " (64-bit view): " : " (32-bit view): ");
  detail.append(SystemText(code)).append(" (").append(std::to_string(code)).append(")");
  return RegFailed(StatusOf(code), std::move(detail));
}

Unexpected<RegError> NotText(std::string_view what) {
  return RegFailed(RegStatus::kRefused,
                   std::string(what) + ": the text cannot be held in the system's code page");
}

// An open key, closed when it goes.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

RegResult<> WriteInView(const RegKeyWrite& step, const std::u16string& path, RegView view) {
  Key key;
  LSTATUS code =
      ::RegCreateKeyExW(RootKey(step.root), Wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE | ViewFlag(view), nullptr, key.out(), nullptr);
  if (code != ERROR_SUCCESS) return Failed(code, FullName(step.root, step.path), view);
  for (const RegValue& value : step.values) {
    std::string what = FullName(step.root, step.path);
    what.append(value.name.empty() ? " (default value)" : " value \"" + value.name + "\"");
    const auto name = TextToUtf16(value.name);
    const auto data = StoredData(value.type, value.data);
    if (!name || !data) return NotText(what);
    if (data->size() > std::numeric_limits<DWORD>::max()) {
      return RegFailed(RegStatus::kRefused, what + ": the value is too large");
    }
    code = ::RegSetValueExW(key.get(), name->empty() ? nullptr : Wide(*name), 0,
                            static_cast<DWORD>(value.type), data->empty() ? nullptr : data->data(),
                            static_cast<DWORD>(data->size()));
    if (code != ERROR_SUCCESS) return Failed(code, what, view);
  }
  return {};
}

// Whether the key has subkeys; Windows refuses to delete such a key as "access denied".
bool HasSubkeys(RegRoot root, const std::u16string& path, RegView view) {
  Key key;
  DWORD subkeys = 0;
  return ::RegOpenKeyExW(RootKey(root), Wide(path), 0, KEY_READ | ViewFlag(view), key.out()) ==
             ERROR_SUCCESS &&
         ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys > 0;
}

// Deletes the key in one view; a key that is not there is no failure.
RegResult<> DeleteInView(const RegKeyPath& key, const std::u16string& path, RegView view) {
  const LSTATUS code = ::RegDeleteKeyExW(RootKey(key.root), Wide(path), ViewFlag(view), 0);
  if (code == ERROR_SUCCESS || StatusOf(code) == RegStatus::kNotFound) return {};
  // A subkey another program left is no lack of administrator rights.
  if (code == ERROR_ACCESS_DENIED && HasSubkeys(key.root, path, view)) {
    return RegFailed(RegStatus::kHasSubkeys,
                     FullName(key.root, key.path) +
                         (view == RegView::k64 ? " (64-bit view)" : " (32-bit view)") +
                         ": the key still has a subkey, left there by another program");
  }
  return Failed(code, FullName(key.root, key.path), view);
}

// Runs `step` on `item` in both views; the first view's failure is reported.
template <typename Item, typename Step>
std::vector<RegFailure> InBothViews(std::span<const Item> items, Step step) {
  std::vector<RegFailure> failures;
  for (const Item& item : items) {
    const auto path = TextToUtf16(item.path);
    RegResult<> done;
    if (!path) done = NotText(FullName(item.root, item.path));
    for (const RegView view : kViews) {
      if (!done) break;
      done = step(item, *path, view);
    }
    if (!done) failures.push_back({item.root, item.path, std::move(done).error()});
  }
  // Drops the browser's cached bar lists: no cached list is as good as a dropped one.
  for (const std::string_view category : kBarCategories) {
    const RegKeyPath cache{RegRoot::kCurrentUser, KeyPath({kCategoryCacheKey, category, "Enum"})};
    const std::u16string path = *TextToUtf16(cache.path);
    for (const RegView view : kViews) {
      if (RegResult<> dropped = DeleteInView(cache, path, view); !dropped) {
        failures.push_back({cache.root, cache.path, std::move(dropped).error()});
        break;
      }
    }
  }
  return failures;
}

// Key `name` below `parent` and everything below it, names in 8-bit text.
RegResult<RegTree> ReadBelow(HKEY parent, const std::u16string& name, const std::string& what) {
  Key key;
  LSTATUS code = ::RegOpenKeyExW(parent, Wide(name), 0, KEY_READ, key.out());
  if (code != ERROR_SUCCESS) return Failed(code, what, RegView::k64);
  DWORD subkeys = 0, longest_subkey = 0, values = 0, longest_name = 0, longest_data = 0;
  code = ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, &longest_subkey,
                            nullptr, &values, &longest_name, &longest_data, nullptr, nullptr);
  if (code != ERROR_SUCCESS) return Failed(code, what, RegView::k64);
  std::u16string buffer(std::max(longest_subkey, longest_name) + 1, u'\0');
  std::vector<BYTE> data(longest_data + 2);
  RegTree tree;
  for (DWORD i = 0; i < values; ++i) {
    DWORD length = static_cast<DWORD>(buffer.size());
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    code = ::RegEnumValueW(key.get(), i, reinterpret_cast<wchar_t*>(buffer.data()), &length,
                           nullptr, &type, data.data(), &size);
    if (code != ERROR_SUCCESS) return Failed(code, what, RegView::k64);
    const auto value_name = Utf16ToText(std::u16string_view(buffer).substr(0, length));
    RegValue value{value_name.value_or(""), static_cast<RegType>(type), {}};
    auto text = DataOfStored(value.type, std::span<const BYTE>(data.data(), size));
    if (!text) return NotText(what + " value \"" + value.name + "\"");
    if (!value_name) return NotText(what + " (the name of a value)");
    value.data = std::move(*text);
    tree.values.push_back(std::move(value));
  }
  for (DWORD i = 0; i < subkeys; ++i) {
    DWORD length = static_cast<DWORD>(buffer.size());
    code = ::RegEnumKeyExW(key.get(), i, reinterpret_cast<wchar_t*>(buffer.data()), &length,
                           nullptr, nullptr, nullptr, nullptr);
    if (code != ERROR_SUCCESS) return Failed(code, what, RegView::k64);
    const std::u16string sub = buffer.substr(0, length);
    const auto sub_name = Utf16ToText(sub);
    if (!sub_name) return NotText(what + " (the name of a subkey)");
    RegResult<RegTree> below = ReadBelow(key.get(), sub, what + "\\" + *sub_name);
    if (!below) return below;
    below->name = *sub_name;
    tree.subkeys.push_back(std::move(*below));
  }
  return tree;
}

// Opens key `path` in the 64-bit view for reading; the keys below follow the handle.
RegResult<> Open64(RegRoot root, std::string_view path, const std::string& what, Key& key) {
  const auto wide = TextToUtf16(path);
  if (!wide) return NotText(what);
  const LSTATUS code =
      ::RegOpenKeyExW(RootKey(root), Wide(*wide), 0, KEY_READ | KEY_WOW64_64KEY, key.out());
  if (code != ERROR_SUCCESS) return Failed(code, what, RegView::k64);
  return {};
}

}  // namespace

std::vector<RegFailure> Win32RegistryStore::WriteKeys(std::span<const RegKeyWrite> steps) {
  return InBothViews(steps, WriteInView);
}

std::vector<RegFailure> Win32RegistryStore::DeleteKeys(std::span<const RegKeyPath> keys) {
  return InBothViews(keys, DeleteInView);
}

RegResult<RegTree> Win32RegistryStore::ReadTree(RegRoot root, std::string_view path) {
  const std::string what = FullName(root, path);
  Key key;
  if (RegResult<> opened = Open64(root, path, what, key); !opened)
    return Unexpected(opened.error());
  RegResult<RegTree> tree = ReadBelow(key.get(), u"", what);
  if (tree) tree->name = std::string(path.substr(path.rfind('\\') + 1));
  return tree;
}

RegResult<std::vector<std::string>> Win32RegistryStore::ReadSubkeyNames(RegRoot root,
                                                                        std::string_view path) {
  const std::string what = FullName(root, path);
  Key key;
  if (RegResult<> opened = Open64(root, path, what, key); !opened)
    return Unexpected(opened.error());
  DWORD subkeys = 0, longest = 0;
  LSTATUS code = ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, &longest,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (code != ERROR_SUCCESS) return Failed(code, what, RegView::k64);
  std::u16string buffer(longest + 1, u'\0');
  std::vector<std::string> names;
  names.reserve(subkeys);
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(buffer.size());
    code = ::RegEnumKeyExW(key.get(), i, reinterpret_cast<wchar_t*>(buffer.data()), &length,
                           nullptr, nullptr, nullptr, nullptr);
    if (code == ERROR_NO_MORE_ITEMS) break;
    if (code != ERROR_SUCCESS) return Failed(code, what, RegView::k64);
    const auto name = Utf16ToText(std::u16string_view(buffer).substr(0, length));
    if (!name) return NotText(what + " (the name of a subkey)");
    names.push_back(std::move(*name));
  }
  return names;
}

}  // namespace quillbay
