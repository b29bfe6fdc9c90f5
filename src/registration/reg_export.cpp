#include "registration/reg_export.h"

#include <array>

#include "registration/bar_registry.h"
#include "registration/reg_file.h"
#include "registration/registry_paths.h"
#include "system/text.h"

namespace quillbay {
namespace {

// The key at `path` below `root` in `file`, made when missing. Paths here are ASCII.
RegFileKey& OpenPath(RegFile& file, RegRoot root, std::string_view path) {
  RegFileKey* key = &file.OpenRoot(root);
  for (const std::string_view name : SplitKeyPath(path)) {
    key = &key->OpenChild(std::u16string(name.begin(), name.end()));
  }
  return *key;
}

// Copies `tree` into each of `targets`.
RegResult<> CopyTree(const RegTree& tree, const std::vector<RegFileKey*>& targets) {
  for (RegFileKey* target : targets) {
    target->set_listed(true);
    for (const RegValue& value : tree.values) {
      const auto name = TextToUtf16(value.name);
      auto data = StoredData(value.type, value.data);
      if (!data) return RegFailed(RegStatus::kRefused, "a value's text is not 8-bit text");
      if (!name) return RegFailed(RegStatus::kRefused, "a value name is not 8-bit text");
      target->SetValue(*name, static_cast<std::uint32_t>(value.type), std::move(*data));
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
  RegSnapshot registry(store);  // one reading of the registry for every bar
  RegFile file;
  for (const BarId& id : ids) {
    for (const BarTreeKey& tree : kBarTrees) {
      const std::string path64 = KeyPath({tree.key, id});
      const std::string path32 = KeyPath({tree.key32, id});
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
    for (const BarTreeKey& tree : kBarTrees) {
      for (const std::string_view key : {tree.key, tree.key32}) {
        const std::string line = "[-" + FullName(tree.root, KeyPath({key, id})) + "]\r\n\r\n";
        entries += *TextToUtf16(line);
      }
    }
  }
  const std::vector<std::uint8_t> tail = Utf16Bytes(entries);
  bytes.append(tail.begin(), tail.end());
  return bytes;
}

}  // namespace quillbay
