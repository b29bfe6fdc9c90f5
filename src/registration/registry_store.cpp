#include "registration/registry_store.h"

#include <algorithm>
#include <cctype>

namespace quillbay {
bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

const RegTree* RegTree::Find(std::string_view path) const {
  const RegTree* key = this;
  while (key != nullptr && !path.empty()) {
    const std::string_view first = path.substr(0, path.find('\\'));
    const auto it = std::ranges::find_if(
        key->subkeys, [&](const RegTree& sub) { return SameName(sub.name, first); });
    key = it == key->subkeys.end() ? nullptr : &*it;
    path.remove_prefix(std::min(path.size(), first.size() + 1));
  }
  return key;
}

const RegValue* RegTree::Value(std::string_view value_name) const {
  const auto it =
      std::ranges::find_if(values, [&](const RegValue& v) { return SameName(v.name, value_name); });
  return it == values.end() ? nullptr : &*it;
}

}  // namespace quillbay
