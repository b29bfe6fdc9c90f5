#include "registration/reg_export.h"

#include <array>

#include "registration/bar_registry.h"
#include "registration/reg_file.h"

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
  return Utf16ToUtf8(RootName(root)) + "\\" + std::string(path);
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

// Copies the key `path` of the store and everything below it into each of `targets`.
RegResult CopyTree(RegistryStore& store, RegRoot root, const std::string& path,
                   const std::vector<RegFileKey*>& targets) {
  RegKeyContents contents;
  RegResult result = store.ReadKey(root, path, &contents);
  if (!result.ok()) {
    result.detail = FullName(root, path) + ": " + result.detail;
    return result;
  }
  for (RegFileKey* target : targets) {
    target->set_listed(true);
    for (const RegValueData& value : contents.values) {
      target->SetValue(Utf8ToUtf16(value.name).value_or(u""),
                       static_cast<std::uint32_t>(value.type), value.data);
    }
  }
  for (const std::string& name : contents.subkeys) {
    const std::u16string wide = Utf8ToUtf16(name).value_or(u"");
    std::vector<RegFileKey*> children;
    for (RegFileKey* target : targets) children.push_back(&target->OpenChild(wide));
    if (result = CopyTree(store, root, path + "\\" + name, children); !result.ok()) return result;
  }
  return RegResult::Ok();
}

// Copies each bar's trees, each to the path of both views.
RegResult CopyBars(RegistryStore& store, const std::vector<BarId>& ids, RegFile& file) {
  for (const BarId& id : ids) {
    for (const BarTree& tree : kBarTrees) {
      const std::string path64 = std::string(tree.path64) + id;
      const std::string path32 = std::string(tree.path32) + id;
      const RegResult result =
          CopyTree(store, tree.root, path64,
                   {&OpenPath(file, tree.root, path64), &OpenPath(file, tree.root, path32)});
      if (!result.ok()) return result;
    }
  }
  return RegResult::Ok();
}

}  // namespace

RegResult ExportBars(RegistryStore& store, const std::vector<BarId>& ids, std::string* out) {
  out->clear();
  RegFile file;
  // One update: a store kept in a file is read under its lock throughout, so the export is
  // one state of it even while another process changes it.
  store.BeginUpdate();
  RegResult result = CopyBars(store, ids, file);
  const RegResult ended = store.EndUpdate();
  if (result.ok()) result = ended;
  if (result.ok()) *out = FormatRegFile(file);
  return result;
}

std::string ExportBarRemoval(const std::vector<BarId>& ids) {
  // The header as the writer writes it, then the deletion entries in the same encoding.
  std::string bytes = FormatRegFile(RegFile());
  std::u16string entries;
  for (const BarId& id : ids) {
    for (const BarTree& tree : kBarTrees) {
      for (const std::string_view prefix : {tree.path64, tree.path32}) {
        const std::string line = "[-" + FullName(tree.root, prefix) + id + "]\r\n\r\n";
        entries += Utf8ToUtf16(line).value_or(u"");
      }
    }
  }
  const std::vector<std::uint8_t> tail = Utf16Bytes(entries);
  bytes.append(tail.begin(), tail.end());
  return bytes;
}

}  // namespace quillbay
