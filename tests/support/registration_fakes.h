#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "registration/registry_store.h"
#include "system/guid.h"

namespace quillbay::testing {

// A registry held in memory. Keys are case-insensitive; every call is also recorded as a
// line ("create HKCR\...", "delete HKLM\...") so a test can see what was touched.
class MemoryRegistryStore : public RegistryStore {
 public:
  std::vector<std::string> calls;
  // When set, every operation fails with this status (the keys stay as they are).
  std::optional<RegStatus> fail_with;

  RegResult CreateKey(RegRoot root, std::string_view path, RegKey* key) override {
    calls.push_back("create " + Name(root, path));
    if (fail_with) return Failure();
    std::string prefix;
    for (std::size_t start = 0; start <= path.size();) {
      const std::size_t end = std::min(path.find('\\', start), path.size());
      prefix = std::string(path.substr(0, end));
      keys_.insert(Fold(root, prefix));
      start = end + 1;
    }
    *key = next_handle_++;
    open_[*key] = Fold(root, path);
    return RegResult::Ok();
  }

  RegResult SetDefaultString(RegKey key, std::string_view text) override {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return Set(key, "", RegType::kString, bytes);
  }

  RegResult SetValue(RegKey key, std::string_view name, RegType type,
                     std::span<const std::uint8_t> data) override {
    return Set(key, name, type, {data.begin(), data.end()});
  }

  RegResult DeleteKey(RegRoot root, std::string_view path) override {
    calls.push_back("delete " + Name(root, path));
    if (fail_with) return Failure();
    const Key key = Fold(root, path);
    if (!keys_.contains(key)) return {RegStatus::kNotFound, "not found"};
    for (const Key& other : keys_) {
      if (other.first == root && other.second.starts_with(key.second + "\\")) {
        return {RegStatus::kHasSubkeys, "has subkeys"};
      }
    }
    keys_.erase(key);
    std::erase_if(values_, [&](const auto& entry) { return entry.first.first == key; });
    return RegResult::Ok();
  }

  RegResult CloseKey(RegKey key) override {
    return open_.erase(key) ? RegResult::Ok() : RegResult{RegStatus::kOther, "bad handle"};
  }

  bool HasKey(RegRoot root, std::string_view path) const {
    return keys_.contains(Fold(root, path));
  }
  std::size_t KeyCount() const { return keys_.size(); }
  std::size_t OpenHandles() const { return open_.size(); }

  // A value's type and bytes, or nullopt.
  std::optional<std::pair<RegType, std::vector<std::uint8_t>>> Value(RegRoot root,
                                                                     std::string_view path,
                                                                     std::string_view name) const {
    const auto it = values_.find({Fold(root, path), Lower(name)});
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }

 private:
  using Key = std::pair<RegRoot, std::string>;

  static std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  }
  static Key Fold(RegRoot root, std::string_view path) { return {root, Lower(path)}; }
  static std::string Name(RegRoot root, std::string_view path) {
    const char* names[] = {"HKCR\\", "HKLM\\", "HKCU\\"};
    return names[static_cast<int>(root)] + std::string(path);
  }
  RegResult Failure() const { return {*fail_with, "refused"}; }

  RegResult Set(RegKey key, std::string_view name, RegType type, std::vector<std::uint8_t> data) {
    if (fail_with) return Failure();
    const auto it = open_.find(key);
    if (it == open_.end()) return {RegStatus::kOther, "bad handle"};
    values_[{it->second, Lower(name)}] = {type, std::move(data)};
    return RegResult::Ok();
  }

  std::set<Key> keys_;
  std::map<RegKey, Key> open_;
  std::map<std::pair<Key, std::string>, std::pair<RegType, std::vector<std::uint8_t>>> values_;
  RegKey next_handle_ = 1;
};

// GUIDs from a script: queued answers first (nullopt: the system could not make one),
// then 1, 2, 3... in data1.
class ScriptedGuidSource : public GuidSource {
 public:
  std::deque<std::optional<Guid>> queued;
  int calls = 0;

  std::optional<Guid> NewGuid() override {
    ++calls;
    if (!queued.empty()) {
      std::optional<Guid> next = queued.front();
      queued.pop_front();
      return next;
    }
    Guid guid;
    guid.data1 = ++counter_;
    return guid;
  }

 private:
  std::uint32_t counter_ = 0;
};

}  // namespace quillbay::testing
