#include "registration/posix/file_registry_store.h"

#include <utility>
#include <vector>

#include "registration/registry_paths.h"
#include "system/files.h"
#include "system/text.h"

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
  // Built by appending: GCC 12 warns falsely (-Wrestrict) on "x" + std::string(...) here.
  std::string quoted = "\"";
  quoted.append(path).append("\"");
  for (const std::string_view name : SplitKeyPath(path)) {
    const auto wide = TextToUtf16(name);
    if (!wide) return RegFailed(RegStatus::kRefused, quoted + " is not valid UTF-8 text");
    if (wide->empty() || wide->size() > kMaxKeyNameLength || HasLineBreak(*wide)) {
      return RegFailed(RegStatus::kRefused,
                       quoted +
                           " has an empty key name, one longer than 255 characters, or a "
                           "line break in a name");
    }
    names.push_back(*wide);
  }
  if (names.size() + 1 > kMaxKeyDepth) {
    return RegFailed(RegStatus::kRefused, "the key path is deeper than the registry allows");
  }
  return names;
}

// A value as the file keeps it: names and string data in UTF-16.
RegResult<RegFileValue> Stored(const RegValue& value) {
  const auto name = TextToUtf16(value.name);
  if (!name) return RegFailed(RegStatus::kRefused, "a value name is not valid UTF-8 text");
  if (name->size() > kMaxValueNameLength || HasLineBreak(*name)) {
    return RegFailed(RegStatus::kRefused, "the value name is too long or has a line break");
  }
  const auto data = StoredData(value.type, value.data);
  if (!data) {
    return RegFailed(RegStatus::kRefused,
                     "the text of value \"" + value.name + "\" is not valid UTF-8");
  }
  RegFileValue stored{*name, static_cast<std::uint32_t>(value.type), *data};
  return stored;
}

// The key `path` names and everything below it in 8-bit text; refused, naming `path`, when
// some of its text has no 8-bit form (a lone surrogate another program wrote).
RegResult<RegTree> TreeOf(const RegFileKey& key, std::string_view path) {
  auto refused = [&] {
    std::string message = "\"";
    message.append(path).append("\" holds text that is not valid UTF-16");
    return RegFailed(RegStatus::kRefused, std::move(message));
  };
  const auto name = Utf16ToText(key.name());
  if (!name) return refused();
  RegTree tree{*name, {}, {}};
  for (const RegFileValue& value : key.values()) {
    const auto value_name = Utf16ToText(value.name);
    const auto type = static_cast<RegType>(value.type);
    auto data = DataOfStored(type, value.data);
    if (!value_name || !data) return refused();
    tree.values.push_back({*value_name, type, std::move(*data)});
  }
  for (const auto& [folded, child] : key.children()) {
    RegResult<RegTree> sub = TreeOf(*child, path);
    if (!sub) return sub;
    tree.subkeys.push_back(std::move(*sub));
  }
  return tree;
}

}  // namespace

FileRegistryStore::FileRegistryStore(std::string path)
    : path_(std::move(path)), lock_path_(path_ + ".lock") {}

// Takes the lock and reads the file as it is now, or keeps both while a snapshot is held:
// every call works on what the file holds, whatever another process wrote before the lock.
RegResult<> FileRegistryStore::Begin() {
  if (!read_) read_ = Read();
  return *read_;
}

void FileRegistryStore::End() {
  if (holds_ > 0) return;
  read_.reset();
  model_ = RegFile();
  lock_.reset();
}

void FileRegistryStore::Hold() {
  ++holds_;
}

void FileRegistryStore::Release() {
  --holds_;
  End();
}

RegResult<> FileRegistryStore::Read() {
  try {
    if (!lock_) {
      CreateDirectories(ParentFolder(path_));
      lock_.emplace(FileLock::Acquire(lock_path_));
    }
    model_ = RegFile();
    unkept_.clear();
    if (const std::optional<std::string> bytes = ReadWholeFile(path_)) {
      RegResult<ParsedRegFile> parsed = ParseRegFile(*bytes);
      if (!parsed) {
        return RegFailed(
            RegStatus::kStoreError,
            AbsolutePath(path_) + ": " + parsed.error().detail + "; the file was left as it is");
      }
      model_ = std::move(parsed->registry);
      unkept_ = std::move(parsed->unkept);
    }
    return {};
  } catch (const FileError& e) {
    return FileFailed(e);
  }
}

RegResult<> FileRegistryStore::Persist() {
  try {
    ReplaceFileAtomically(path_, FormatRegFile(model_));
    return {};
  } catch (const FileError& e) {
    return FileFailed(e);
  }
}

template <typename Item, typename Change>
std::vector<RegFailure> FileRegistryStore::Update(std::span<const Item> items, Change change) {
  std::vector<RegFailure> failures;
  RegResult<> ready = Begin();
  // Writing the file again would lose a line of it: the user's file stays as it is.
  if (ready && !unkept_.empty()) {
    ready = RegFailed(RegStatus::kStoreError, AbsolutePath(path_) + ": " + unkept_ +
                                                  ", which Quillbay cannot write back as it "
                                                  "stands; the file was left as it is");
  }
  dirty_ = false;
  for (const Item& item : items) {
    RegResult<> done = ready ? (this->*change)(item) : Unexpected(ready.error());
    if (!done) failures.push_back({item.root, item.path, std::move(done).error()});
  }
  if (ready && dirty_) {
    // Nothing of the update reached the file: every step failed, and what the file holds is
    // read again.
    if (RegResult<> saved = Persist(); !saved) {
      failures.clear();
      for (const Item& item : items) failures.push_back({item.root, item.path, saved.error()});
      read_.reset();
    }
  }
  End();
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

const RegFileKey* FileRegistryStore::Find(RegRoot root,
                                          const std::vector<std::u16string>& names) const {
  const RegFileKey* key = model_.FindRoot(root);
  for (std::size_t i = 0; i < names.size() && key != nullptr; ++i) key = key->FindChild(names[i]);
  return key;
}

template <typename T, typename Body>
RegResult<T> FileRegistryStore::Reading(RegRoot root, std::string_view path, Body body) {
  const auto names = SplitPath(path);
  if (!names) return Unexpected(names.error());
  RegResult<> ready = Begin();
  RegResult<T> result = Unexpected<RegError>(RegError{});
  if (!ready) {
    result = Unexpected(ready.error());
  } else if (const RegFileKey* key = Find(root, *names); key == nullptr) {
    std::string message = "\"";
    message.append(path).append("\" does not exist");
    result = RegFailed(RegStatus::kNotFound, std::move(message));
  } else {
    result = body(*key);
  }
  End();
  return result;
}

RegResult<RegTree> FileRegistryStore::ReadTree(RegRoot root, std::string_view path) {
  return Reading<RegTree>(root, path, [&](const RegFileKey& key) { return TreeOf(key, path); });
}

RegResult<std::vector<std::string>> FileRegistryStore::ReadSubkeyNames(RegRoot root,
                                                                       std::string_view path) {
  return Reading<std::vector<std::string>>(
      root, path, [&](const RegFileKey& key) -> RegResult<std::vector<std::string>> {
        std::vector<std::string> names;
        names.reserve(key.children().size());
        for (const auto& [folded, child] : key.children()) {
          std::optional<std::string> name = Utf16ToText(child->name());
          if (!name) {
            std::string message = "\"";
            message.append(path).append("\" holds a key name that is not valid UTF-16");
            return RegFailed(RegStatus::kRefused, std::move(message));
          }
          names.push_back(std::move(*name));
        }
        return names;
      });
}

}  // namespace quillbay
