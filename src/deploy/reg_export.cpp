#include "registration/reg_export.h"

#include <array>

#include "registration/bar_registry.h"
#include "registration/reg_file.h"
#include "registration/text.h"

namespace quillbay {
namespace {

// The two trees a bar owns, each at the path of the 64-bit view and of the 32-bit one.
struct BarTree {
  RegRoot root;
  std::string_view path64;
  std::string_view path32;
};
constexpr std::array<BarTree, 2> kBarTrees = {{
    {RegRoot::kClassesRoot, kClassKeyPrefix, "Wow6432Node\\CLSID\\"},
    {RegRoot::kLocalMachine, kBarsKeyPrefix,
     "Software\\Wow6432Node\\Microsoft\\Internet Explorer\\Explorer Bars\\"},
}};

std::string FullName(RegRoot root, std::string_view path) {
  return *Utf16ToText(RootName(root)) + "\\" + std::string(path);
}

// The key at `path` below `root` in `file`, made when missing. Paths here are ASCII.
RegFileKey& OpenPath(RegFile& file, RegRoot root, std::string_view path) {
  RegFileKey* key = &file.OpenRoot(root);
  while (!path.empty()) {
    const std::size_t slash = path.find('\\');
    key =
        &key->OpenChild(std::u16string(path.begin(), path.begin() + path.substr(0, slash).size()));
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
  }
  return *key;
}

// Copies `tree` into each of `targets`.
RegResult<> CopyTree(const RegTree& tree, const std::vector<RegFileKey*>& targets) {
  for (RegFileKey* target : targets) {
    target->set_listed(true);
    for (const RegValue& value : tree.values) {
      const auto name = TextToUtf16(value.name);
      std::vector<std::uint8_t> data = value.data;
      if (IsStringType(value.type)) {
        const auto text =
            TextToUtf16(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
        if (!text) return RegFailed(RegStatus::kRefused, "a value's text is not 8-bit text");
        data = Utf16Bytes(*text);
      }
      if (!name) return RegFailed(RegStatus::kRefused, "a value name is not 8-bit text");
      target->SetValue(*name, static_cast<std::uint32_t>(value.type), std::move(data));
    }
  }
  for (const RegTree& sub : tree.subkeys) {
    const auto name = TextToUtf16(sub.name);
    if (!name) return RegFailed(RegStatus::kRefused, "a key name is not 8-bit text");
    std::vector<RegFileKey*> children;
    for (RegFileKey* target : targets) children.push_back(&target->OpenChild(*name));
    if (RegResult<> copied = CopyTree(sub, children); !copied) return copied;
  }
  return {};
}

}  // namespace

RegResult<std::string> ExportBars(RegistryStore& store, const std::vector<BarId>& ids) {
  RegFile file;
  for (const BarId& id : ids) {
    for (const BarTree& tree : kBarTrees) {
      const std::string path64 = std::string(tree.path64) + id;
      const std::string path32 = std::string(tree.path32) + id;
      RegResult<RegTree> read = store.ReadTree(tree.root, path64);
      if (!read) return Unexpected(std::move(read).error());
      RegResult<> copied =
          CopyTree(*read, {&OpenPath(file, tree.root, path64), &OpenPath(file, tree.root, path32)});
      if (!copied) {
        copied.error().detail = FullName(tree.root, path64) + ": " + copied.error().detail;
        return Unexpected(std::move(copied).error());
      }
    }
  }
  return FormatRegFile(file);
}

std::string ExportBarRemoval(const std::vector<BarId>& ids) {
  // The header as the writer writes it, then the deletion entries in the same encoding.
  std::string bytes = FormatRegFile(RegFile());
  std::u16string entries;
  for (const BarId& id : ids) {
    for (const BarTree& tree : kBarTrees) {
      for (const std::string_view prefix : {tree.path64, tree.path32}) {
        const std::string line = "[-" + FullName(tree.root, prefix) + id + "]\r\n\r\n";
        entries += *TextToUtf16(line);
      }
    }
  }
  const std::vector<std::uint8_t> tail = Utf16Bytes(entries);
  bytes.append(tail.begin(), tail.end());
  return bytes;
}

}  // namespace quillbay
