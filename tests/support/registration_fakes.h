#pragma once

#include <cctype>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "registration/registry_store.h"
#include "system/guid.h"

namespace quillbay::testing {

// Case-insensitive keys in memory (no values); each create and delete recorded as a line.
class MemoryRegistryStore : public RegistryStore {
 public:
  std::vector<std::string> calls;
  std::optional<RegStatus> fail_with;  // when set, every operation fails with it

  RegResult CreateKey(RegRoot root, std::string_view path, RegKey* key) override {
    calls.push_back("create " + Name(root, path));
    for (std::size_t end = 0; !fail_with && end != std::string_view::npos;) {
      end = path.find('\\', end + 1);
      keys_.insert(Name(root, path.substr(0, end)));
    }
    *key = 1;
    return Result();
  }
  RegResult SetDefaultString(RegKey, std::string_view) override { return Result(); }
  RegResult SetValue(RegKey, std::string_view, RegType, std::span<const std::uint8_t>) override {
    return Result();
  }
  RegResult DeleteKey(RegRoot root, std::string_view path) override {
    const std::string key = Name(root, path);
    calls.push_back("delete " + key);
    const auto child = keys_.lower_bound(key + "\\");
    if (fail_with) return Result();
    if (!keys_.contains(key)) return {RegStatus::kNotFound, "not found"};
    if (child != keys_.end() && child->starts_with(key + "\\")) return {RegStatus::kHasSubkeys, ""};
    keys_.erase(key);
    return Result();
  }
  RegResult CloseKey(RegKey) override { return RegResult::Ok(); }
  bool HasKey(RegRoot root, std::string_view path) const {
    return keys_.contains(Name(root, path));
  }

 private:
  // The key's full name, folded to lower case.
  static std::string Name(RegRoot root, std::string_view path) {
    std::string out = std::to_string(static_cast<int>(root)) + "\\" + std::string(path);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  }
  RegResult Result() const { return fail_with ? RegResult{*fail_with, "refused"} : RegResult{}; }

  std::set<std::string> keys_;
};

// GUIDs: the queued answers first (nullopt: none could be made), then 1, 2, 3... in data1.
class ScriptedGuidSource : public GuidSource {
 public:
  std::deque<std::optional<Guid>> queued;

  std::optional<Guid> NewGuid() override {
    const std::optional<Guid> next = queued.empty() ? Guid{++made_} : queued.front();
    if (!queued.empty()) queued.pop_front();
    return next;
  }

 private:
  std::uint32_t made_ = 0;
};

}  // namespace quillbay::testing
