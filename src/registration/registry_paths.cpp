#include "registration/registry_paths.h"

namespace quillbay {

std::string_view RootName(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case RegRoot::kLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case RegRoot::kCurrentUser:
      break;
  }
  return "HKEY_CURRENT_USER";
}

std::string KeyPath(std::initializer_list<std::string_view> names) {
  std::string out;
  for (const std::string_view name : names) {
    if (name.empty()) continue;
    if (!out.empty()) out += '\\';
    out.append(name);
  }
  return out;
}

std::string FullName(RegRoot root, std::string_view path) {
  return KeyPath({RootName(root), path});
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> names;
  if (path.empty()) return names;
  for (;;) {
    const std::size_t slash = path.find('\\');
    names.push_back(path.substr(0, slash));
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return names;
}

}  // namespace quillbay
