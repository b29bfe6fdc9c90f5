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

// Case-insensitive keys in memory (no values); each key written or deleted recorded as a line.
class MemoryRegistryStore : public RegistryStore {
 public:
  std::vector<std::string> calls;
  std::optional<RegStatus> fail_with;        // when set, every write or delete fails with it
  std::optional<RegStatus> fail_reads_with;  // when set, every read fails with it

  std::vector<RegFailure> WriteKeys(std::span<const RegKeyWrite> steps) override {
    std::vector<RegFailure> failures;
    for (const RegKeyWrite& step : steps) {
      calls.push_back("create " + Name(step.root, step.path));
      for (std::size_t end = 0; !fail_with && end != std::string_view::npos;) {
        end = step.path.find('\\', end + 1);
        keys_.insert(Name(step.root, step.path.substr(0, end)));
      }
      if (fail_with) failures.push_back({step.root, step.path, {*fail_with, "refused", {}}});
    }
    return failures;
  }
  std::vector<RegFailure> DeleteKeys(std::span<const RegKeyPath> keys) override {
    std::vector<RegFailure> failures;
    for (const auto& [root, path] : keys) {
      const std::string key = Name(root, path);
      calls.push_back("delete " + key);
      const auto child = keys_.lower_bound(key + "\\");
      if (fail_with) {
        failures.push_back({root, path, {*fail_with, "refused", {}}});
      } else if (child != keys_.end() && child->starts_with(key + "\\")) {
        failures.push_back({root, path, {RegStatus::kHasSubkeys, "", {}}});
      } else {
        keys_.erase(key);
      }
    }
    return failures;
  }
  RegResult<RegTree> ReadTree(RegRoot root, std::string_view path) override {
    auto names = ReadSubkeyNames(root, path);
    if (!names) return Unexpected(names.error());
    RegTree tree{std::string(path.substr(path.rfind('\\') + 1)), {}, {}};
    for (const std::string& name : *names) {
      tree.subkeys.push_back(*ReadTree(root, std::string(path) + "\\" + name));
    }
    return tree;
  }
  RegResult<std::vector<std::string>> ReadSubkeyNames(RegRoot root,
                                                      std::string_view path) override {
    const std::string key = Name(root, path);
    if (fail_reads_with) return RegFailed(*fail_reads_with, "unread");
    if (!keys_.contains(key)) return RegFailed(RegStatus::kNotFound, "not found");
    std::vector<std::string> names;
    for (auto it = keys_.upper_bound(key + "\\"); it != keys_.end() && it->starts_with(key + "\\");
         ++it) {
      if (it->find('\\', key.size() + 1) == std::string::npos)
        names.push_back(it->substr(key.size() + 1));
    }
    return names;
  }
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
