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
#include <vector>

#include "registration/registry_store.h"
#include "system/guid.h"

namespace quillbay::testing {

// A registry held in memory: case-insensitive keys, values ignored. Every create and
// delete is recorded as a line ("create HKCR\...", "delete HKLM\...").
class MemoryRegistryStore : public RegistryStore {
 public:
  std::vector<std::string> calls;
  // When set, every operation fails with this status (the keys stay as they are).
  std::optional<RegStatus> fail_with;

  RegResult CreateKey(RegRoot root, std::string_view path, RegKey* key) override {
    calls.push_back("create " + Name(root, path));
    if (fail_with) return {*fail_with, "refused"};
    for (std::size_t end = 0; end != std::string_view::npos;) {
      end = path.find('\\', end + 1);
      keys_.insert(Fold(root, path.substr(0, end)));
    }
    *key = next_handle_++;
    return RegResult::Ok();
  }
  RegResult SetDefaultString(RegKey, std::string_view) override { return Set(); }
  RegResult SetValue(RegKey, std::string_view, RegType, std::span<const std::uint8_t>) override {
    return Set();
  }
  RegResult DeleteKey(RegRoot root, std::string_view path) override {
    calls.push_back("delete " + Name(root, path));
    if (fail_with) return {*fail_with, "refused"};
    const std::string key = Fold(root, path);
    if (!keys_.contains(key)) return {RegStatus::kNotFound, "not found"};
    const auto child = keys_.lower_bound(key + "\\");
    if (child != keys_.end() && child->starts_with(key + "\\"))
      return {RegStatus::kHasSubkeys, "sub"};
    keys_.erase(key);
    return RegResult::Ok();
  }
  RegResult CloseKey(RegKey) override { return RegResult::Ok(); }

  bool HasKey(RegRoot root, std::string_view path) const {
    return keys_.contains(Fold(root, path));
  }

 private:
  static std::string Name(RegRoot root, std::string_view path) {
    const char* names[] = {"HKCR\\", "HKLM\\", "HKCU\\"};
    return names[static_cast<int>(root)] + std::string(path);
  }
  static std::string Fold(RegRoot root, std::string_view path) {
    std::string out = Name(root, path);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  }
  RegResult Set() const { return fail_with ? RegResult{*fail_with, "refused"} : RegResult::Ok(); }

  std::set<std::string> keys_;
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
