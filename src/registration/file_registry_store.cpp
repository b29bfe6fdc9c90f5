#include "registration/file_registry_store.h"

#include <utility>
#include <vector>

#include "system/files.h"

namespace quillbay {
namespace {

Unexpected<RegError> FileFailed(const FileError& error) {
  return Unexpected<RegError>({RegStatus::kStoreError, {}, error});
}

bool HasLineBreak(std::u16string_view text) {
  return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

// The key names along `path`; an empty path names the root itself.
RegResult<std::vector<std::u16string>> SplitPath(std::string_view path) {
  std::vector<std::u16string> names;
  if (path.empty()) return names;
  const auto wide = Utf8ToUtf16(path);
  if (!wide) return RegFailed(RegStatus::kRefused, "the key path is not valid UTF-8 text");
  std::u16string_view rest(*wide);
  for (;;) {
    const std::size_t slash = rest.find(u'\\');
    const std::u16string_view name = rest.substr(0, slash);
    if (name.empty() || name.size() > kMaxKeyNameLength || HasLineBreak(name)) {
      // Built by appending: GCC 12 warns falsely (-Wrestrict) on "x" + std::string(...) here.
      std::string message = "\"";
      message.append(path).append(
          "\" has an empty key name, one longer than 255 characters, or a line break in a name");
      return RegFailed(RegStatus::kRefused, std::move(message));
    }
    names.emplace_back(name);
    if (slash == std::u16string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  if (names.size() + 1 > kMaxKeyDepth) {
    return RegFailed(RegStatus::kRefused, "the key path is deeper than the registry allows");
  }
  return names;
}

// A value as the file keeps it: names and string data in UTF-16.
RegResult<RegFileValue> Stored(const RegValue& value) {
  const auto name = Utf8ToUtf16(value.name);
  if (!name) return RegFailed(RegStatus::kRefused, "a value name is not valid UTF-8 text");
  if (name->size() > kMaxValueNameLength || HasLineBreak(*name)) {
    return RegFailed(RegStatus::kRefused, "the value name is too long or has a line break");
  }
  RegFileValue stored{*name, static_cast<std::uint32_t>(value.type), value.data};
  if (IsStringType(value.type)) {
    const auto text = Utf8ToUtf16(
        std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size()));
    if (!text) {
      return RegFailed(RegStatus::kRefused,
                       "the text of value \"" + value.name + "\" is not valid UTF-8");
    }
    stored.data = Utf16Bytes(*text);
  }
  return stored;
}

RegTree TreeOf(const RegFileKey& key) {
  RegTree tree{Utf16ToUtf8(key.name()), {}, {}};
  for (const RegFileValue& value : key.values()) {
    RegValue& out = tree.values.emplace_back(
        RegValue{Utf16ToUtf8(value.name), static_cast<RegType>(value.type), value.data});
    if (IsStringType(out.type)) {
      std::u16string text(value.data.size() / 2, u'\0');
      for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(value.data[2 * i] | (value.data[2 * i + 1] << 8));
      }
      const std::string utf8 = Utf16ToUtf8(text);
      out.data.assign(utf8.begin(), utf8.end());
    }
  }
  for (const auto& [folded, child] : key.children()) tree.subkeys.push_back(TreeOf(*child));
  return tree;
}

}  // namespace

FileRegistryStore::FileRegistryStore(std::string path)
    : path_(std::move(path)), lock_path_(path_ + ".lock") {}

// Takes the lock and brings the model up to the file.
RegResult<FileLock> FileRegistryStore::Begin() {
  try {
    CreateDirectories(ParentFolder(path_));
    FileLock lock = FileLock::Acquire(lock_path_);
    if (RegResult<> refreshed = Refresh(); !refreshed)
      return Unexpected(std::move(refreshed).error());
    return lock;
  } catch (const FileError& e) {
    return FileFailed(e);
  }
}

// Reads the file again unless it is, by its stamp, the one the model was made from.
RegResult<> FileRegistryStore::Refresh() {
  try {
    std::optional<FileStamp> now = FileStamp::Of(path_);
    if (model_current_ && now.has_value() == stamp_.has_value() && (!now || *now == *stamp_)) {
      return {};
    }
    model_current_ = false;
    model_ = RegFile();
    if (const std::optional<std::string> bytes = ReadWholeFile(path_)) {
      RegFileError error;
      if (!ParseRegFile(*bytes, model_, error)) {
        model_ = RegFile();
        std::string where = error.line == 0 ? "" : "line " + std::to_string(error.line) + ": ";
        return RegFailed(
            RegStatus::kStoreError,
            AbsolutePath(path_) + ": " + where + error.message + "; the file was left as it is");
      }
    }
    stamp_ = std::move(now);
    model_current_ = true;
    return {};
  } catch (const FileError& e) {
    return FileFailed(e);
  }
}

RegResult<> FileRegistryStore::Persist() {
  dirty_ = false;
  try {
    ReplaceFileAtomically(path_, FormatRegFile(model_));
    stamp_ = FileStamp::Of(path_);
    return {};
  } catch (const FileError& e) {
    // What is in memory is no longer what the file holds: the next call reads it again.
    model_current_ = false;
    return FileFailed(e);
  }
}

template <typename Item, typename Change>
std::vector<RegFailure> FileRegistryStore::Update(std::span<const Item> items, Change change) {
  std::vector<RegFailure> failures;
  RegResult<FileLock> lock = Begin();
  for (const Item& item : items) {
    RegResult<> done = lock ? (this->*change)(item) : Unexpected(lock.error());
    if (!done) failures.push_back({item.root, item.path, std::move(done).error()});
  }
  if (lock && dirty_) {
    // Nothing of the update reached the file: every step failed.
    if (RegResult<> saved = Persist(); !saved) {
      failures.clear();
      for (const Item& item : items) failures.push_back({item.root, item.path, saved.error()});
    }
  }
  return failures;
}

RegResult<> FileRegistryStore::Write(const RegKeyWrite& step) {
  const auto names = SplitPath(step.path);
  if (!names) return Unexpected(names.error());
  std::vector<RegFileValue> values;
  for (const RegValue& value : step.values) {
    RegResult<RegFileValue> stored = Stored(value);
    if (!stored) return Unexpected(std::move(stored).error());
    values.push_back(std::move(*stored));
  }
  RegFileKey* at = &model_.OpenRoot(step.root);
  for (const std::u16string& name : *names) {
    at = &at->OpenChild(name);
    if (!at->listed()) {
      at->set_listed(true);
      dirty_ = true;
    }
  }
  for (RegFileValue& value : values) {
    at->SetValue(value.name, value.type, std::move(value.data));
    dirty_ = true;
  }
  return {};
}

RegResult<> FileRegistryStore::Delete(const RegKeyPath& key) {
  const auto names = SplitPath(key.path);
  if (!names) return Unexpected(names.error());
  if (names->empty()) return RegFailed(RegStatus::kRefused, "a root key cannot be deleted");
  RegFileKey* parent = model_.FindRoot(key.root);
  for (std::size_t i = 0; i + 1 < names->size() && parent != nullptr; ++i) {
    parent = parent->FindChild((*names)[i]);
  }
  RegFileKey* target = parent == nullptr ? nullptr : parent->FindChild(names->back());
  if (target == nullptr) return {};
  if (target->HasChildren()) {
    return RegFailed(RegStatus::kHasSubkeys, "\"" + key.path + "\" still has subkeys");
  }
  parent->RemoveChild(names->back());
  // The parent stays a key even when the file named it only as part of this path.
  if (names->size() > 1) parent->set_listed(true);
  dirty_ = true;
  return {};
}

std::vector<RegFailure> FileRegistryStore::WriteKeys(std::span<const RegKeyWrite> steps) {
  return Update(steps, &FileRegistryStore::Write);
}

std::vector<RegFailure> FileRegistryStore::DeleteKeys(std::span<const RegKeyPath> keys) {
  return Update(keys, &FileRegistryStore::Delete);
}

RegResult<RegTree> FileRegistryStore::ReadTree(RegRoot root, std::string_view path) {
  const auto names = SplitPath(path);
  if (!names) return Unexpected(names.error());
  RegResult<FileLock> lock = Begin();
  if (!lock) return Unexpected(std::move(lock).error());
  const RegFileKey* key = model_.FindRoot(root);
  for (std::size_t i = 0; i < names->size() && key != nullptr; ++i) {
    key = key->FindChild((*names)[i]);
  }
  if (key == nullptr) {
    return RegFailed(RegStatus::kNotFound, "\"" + std::string(path) + "\" does not exist");
  }
  return TreeOf(*key);
}

std::vector<RegFailure> UnavailableRegistryStore::WriteKeys(std::span<const RegKeyWrite> steps) {
  std::vector<RegFailure> failures;
  for (const RegKeyWrite& step : steps) {
    failures.push_back({step.root, step.path, {RegStatus::kStoreError, reason_, std::nullopt}});
  }
  return failures;
}

std::vector<RegFailure> UnavailableRegistryStore::DeleteKeys(std::span<const RegKeyPath> keys) {
  std::vector<RegFailure> failures;
  for (const RegKeyPath& key : keys) {
    failures.push_back({key.root, key.path, {RegStatus::kStoreError, reason_, std::nullopt}});
  }
  return failures;
}

RegResult<RegTree> UnavailableRegistryStore::ReadTree(RegRoot, std::string_view) {
  return RegFailed(RegStatus::kStoreError, reason_);
}

std::optional<std::string> DefaultRegistryFilePath() {
  const std::optional<std::string> folder = WindowsDirectory();
  if (!folder) return std::nullopt;
  return JoinPath(*folder, "registry.reg");
}

}  // namespace quillbay
