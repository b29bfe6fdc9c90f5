#include "registration/file_registry_store.h"

#include <utility>
#include <vector>

#include "system/files.h"

namespace quillbay {
namespace {

RegResult Failure(RegStatus status, std::string detail) {
  return {status, std::move(detail)};
}

bool HasLineBreak(std::u16string_view text) {
  return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

// The key names along `path`; an empty path names the root itself.
std::optional<std::vector<std::u16string>> SplitPath(std::string_view path, RegResult& error) {
  std::vector<std::u16string> names;
  if (path.empty()) return names;
  const auto wide = Utf8ToUtf16(path);
  if (!wide) {
    error = Failure(RegStatus::kOther, "the key path is not valid UTF-8 text");
    return std::nullopt;
  }
  std::u16string_view rest(*wide);
  for (;;) {
    const std::size_t slash = rest.find(u'\\');
    const std::u16string_view name = rest.substr(0, slash);
    if (name.empty() || name.size() > kMaxKeyNameLength || HasLineBreak(name)) {
      // Built by appending: GCC 12 warns falsely (-Wrestrict) on "x" + std::string(...) here.
      std::string message = "\"";
      message.append(path).append(
          "\" has an empty key name, one longer than 255 characters, or a line break in a name");
      error = Failure(RegStatus::kOther, std::move(message));
      return std::nullopt;
    }
    names.emplace_back(name);
    if (slash == std::u16string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  if (names.size() + 1 > kMaxKeyDepth) {
    error = Failure(RegStatus::kOther, "the key path is deeper than the registry allows");
    return std::nullopt;
  }
  return names;
}

bool IsStringType(RegType type) {
  return type == RegType::kString || type == RegType::kExpandString ||
         type == RegType::kMultiString;
}

}  // namespace

FileRegistryStore::FileRegistryStore(std::string path)
    : path_(std::move(path)), lock_path_(path_ + ".lock") {}

FileRegistryStore::~FileRegistryStore() {
  if (dirty_) Persist();
  lock_.reset();
}

RegResult FileRegistryStore::StoreError(const std::string& what) const {
  return Failure(RegStatus::kStoreError, AbsolutePath(path_) + ": " + what);
}

// Takes the lock and brings the model up to the file, unless a step is already under way.
RegResult FileRegistryStore::Begin() {
  if (lock_) return RegResult::Ok();
  try {
    CreateDirectories(ParentFolder(path_));
    lock_.emplace(FileLock::Acquire(lock_path_));
  } catch (const FileError& e) {
    return Failure(RegStatus::kStoreError, e.Text());
  }
  RegResult refreshed = Refresh();
  if (!refreshed.ok()) lock_.reset();
  return refreshed;
}

// Lets go of the lock once no key is open and no update is under way.
void FileRegistryStore::End() {
  if (open_.empty() && updates_ == 0) lock_.reset();
}

// Reads the file again unless it is, by its stamp, the one the model was made from.
RegResult FileRegistryStore::Refresh() {
  try {
    std::optional<FileStamp> now = FileStamp::Of(path_);
    if (model_current_ && now.has_value() == stamp_.has_value() && (!now || *now == *stamp_)) {
      return RegResult::Ok();
    }
    model_current_ = false;
    model_ = RegFile();
    const std::optional<std::string> bytes = ReadWholeFile(path_);
    RegFileError error;
    if (bytes && !ParseRegFile(*bytes, model_, error)) {
      model_ = RegFile();
      std::string where = error.line == 0 ? "" : "line " + std::to_string(error.line) + ": ";
      return StoreError(where + error.message + "; the file was left as it is");
    }
    stamp_ = std::move(now);
    model_current_ = true;
    return RegResult::Ok();
  } catch (const FileError& e) {
    return Failure(RegStatus::kStoreError, e.Text());
  }
}

RegResult FileRegistryStore::Persist() {
  dirty_ = false;
  try {
    ReplaceFileAtomically(path_, FormatRegFile(model_));
    stamp_ = FileStamp::Of(path_);
    return RegResult::Ok();
  } catch (const FileError& e) {
    // What is in memory is no longer what the file holds: the next step reads it again.
    model_current_ = false;
    return Failure(RegStatus::kStoreError, e.Text());
  }
}

RegResult FileRegistryStore::CreateKey(RegRoot root, std::string_view path, RegKey* key) {
  *key = 0;
  RegResult result;
  const auto names = SplitPath(path, result);
  if (!names) return result;
  if (result = Begin(); !result.ok()) return result;
  RegFileKey* at = &model_.OpenRoot(root);
  for (const std::u16string& name : *names) {
    at = &at->OpenChild(name);
    if (!at->listed()) {
      at->set_listed(true);
      dirty_ = true;
    }
  }
  *key = next_key_++;
  open_[*key] = {at, false};
  return RegResult::Ok();
}

RegResult FileRegistryStore::SetDefaultString(RegKey key, std::string_view text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  return SetValue(key, {}, RegType::kString, data);
}

RegResult FileRegistryStore::SetValue(RegKey key, std::string_view name, RegType type,
                                      std::span<const std::uint8_t> data) {
  const auto it = open_.find(key);
  if (it == open_.end()) return Failure(RegStatus::kOther, "the key is not open");
  if (it->second.deleted) return Failure(RegStatus::kOther, "the key has been deleted");
  const auto wide_name = Utf8ToUtf16(name);
  if (!wide_name) return Failure(RegStatus::kOther, "the value name is not valid UTF-8 text");
  if (wide_name->size() > kMaxValueNameLength || HasLineBreak(*wide_name)) {
    return Failure(RegStatus::kOther, "the value name is too long or has a line break");
  }
  std::vector<std::uint8_t> stored(data.begin(), data.end());
  if (IsStringType(type)) {
    const auto text =
        Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    if (!text) {
      return Failure(RegStatus::kOther,
                     "the text of value \"" + std::string(name) + "\" is not valid UTF-8");
    }
    stored = Utf16Bytes(*text);
  }
  it->second.key->SetValue(*wide_name, static_cast<std::uint32_t>(type), std::move(stored));
  dirty_ = true;
  return RegResult::Ok();
}

RegResult FileRegistryStore::DeleteKey(RegRoot root, std::string_view path) {
  RegResult result;
  const auto names = SplitPath(path, result);
  if (!names) return result;
  if (names->empty()) return Failure(RegStatus::kOther, "a root key cannot be deleted");
  if (result = Begin(); !result.ok()) return result;

  RegFileKey* parent = model_.FindRoot(root);
  for (std::size_t i = 0; i + 1 < names->size() && parent != nullptr; ++i) {
    parent = parent->FindChild((*names)[i]);
  }
  RegFileKey* target = parent == nullptr ? nullptr : parent->FindChild(names->back());
  if (target == nullptr) {
    result = Failure(RegStatus::kNotFound, "the key does not exist");
  } else if (target->HasChildren()) {
    result = Failure(RegStatus::kHasSubkeys, "the key still has subkeys");
  } else {
    for (auto& [handle, open] : open_) {
      if (open.key == target) open.deleted = true;
    }
    parent->RemoveChild(names->back());
    // The parent stays a key even when the file named it only as part of this path.
    if (names->size() > 1) parent->set_listed(true);
    dirty_ = true;
    if (updates_ == 0) result = Persist();
  }
  End();
  return result;
}

RegResult FileRegistryStore::CloseKey(RegKey key) {
  if (open_.erase(key) == 0) return Failure(RegStatus::kOther, "the key is not open");
  RegResult result;
  if (open_.empty() && updates_ == 0 && dirty_) result = Persist();
  End();
  return result;
}

RegResult FileRegistryStore::ReadKey(RegRoot root, std::string_view path, RegKeyContents* out) {
  *out = {};
  RegResult result;
  const auto names = SplitPath(path, result);
  if (!names) return result;
  if (result = Begin(); !result.ok()) return result;
  const RegFileKey* key = model_.FindRoot(root);
  for (std::size_t i = 0; i < names->size() && key != nullptr; ++i) {
    key = key->FindChild((*names)[i]);
  }
  if (key == nullptr) {
    result = Failure(RegStatus::kNotFound, "the key does not exist");
  } else {
    for (const auto& [folded, child] : key->children()) {
      out->subkeys.push_back(Utf16ToUtf8(child->name()));
    }
    for (const RegFileValue& value : key->values()) {
      out->values.push_back(
          {Utf16ToUtf8(value.name), static_cast<RegType>(value.type), value.data});
    }
  }
  End();
  return result;
}

void FileRegistryStore::BeginUpdate() {
  ++updates_;
  // A failure here shows again, with its reason, in the update's first step.
  Begin();
}

RegResult FileRegistryStore::EndUpdate() {
  if (updates_ == 0) return Failure(RegStatus::kOther, "no update is under way");
  --updates_;
  RegResult result;
  if (open_.empty() && updates_ == 0 && dirty_) result = Persist();
  End();
  return result;
}

}  // namespace quillbay
