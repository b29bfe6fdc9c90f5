#include "deploy/reg_export.h"

#include "registration/reg_file.h"
#include "registration/registry_paths.h"
#include "system/text.h"

namespace quillbay {
namespace {

// The key at `path` below `root` in `file`, made when missing.
RegResult<RegFileKey*> OpenPath(RegFile& file, RegRoot root, std::string_view path) {
  RegFileKey* key = &file.OpenRoot(root);
  while (!path.empty()) {
    const std::size_t slash = path.find('\\');
    const auto name = TextToUtf16(path.substr(0, slash));
    if (!name) return RegFailed(RegStatus::kRefused, "a key name is not 8-bit text");
    key = &key->OpenChild(*name);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
  }
  return key;
}

RegResult<> WriteKey(RegFile& file, const RegKeyWrite& step, RegView view) {
  RegResult<RegFileKey*> key = OpenPath(file, step.root, PathInView(step.root, step.path, view));
  if (!key) return Unexpected(std::move(key).error());
  (*key)->set_listed(true);
  for (const RegValue& value : step.values) {
    const auto name = TextToUtf16(value.name);
    std::vector<std::uint8_t> data = value.data;
    if (IsStringType(value.type)) {
      const auto text =
          TextToUtf16(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
      if (!text) return RegFailed(RegStatus::kRefused, "a value's text is not 8-bit text");
      data = Utf16Bytes(*text);
    }
    if (!name) return RegFailed(RegStatus::kRefused, "a value name is not 8-bit text");
    (*key)->SetValue(*name, static_cast<std::uint32_t>(value.type), std::move(data));
  }
  return {};
}

}  // namespace

RegResult<std::string> ExportBars(const std::vector<DeployedBar>& bars) {
  RegFile file;
  for (const DeployedBar& bar : bars) {
    for (const RegKeyWrite& step : BarKeys(bar)) {
      for (const RegView view : {RegView::k64, RegView::k32}) {
        if (RegResult<> written = WriteKey(file, step, view); !written) {
          written.error().detail = FullName(step.root, step.path) + ": " + written.error().detail;
          return Unexpected(std::move(written).error());
        }
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
    for (const RegKeyPath& key : BarTreeKeys(id)) {
      for (const RegView view : {RegView::k64, RegView::k32}) {
        const std::string line =
            "[-" + FullName(key.root, PathInView(key.root, key.path, view)) + "]\r\n\r\n";
        entries += *TextToUtf16(line);
      }
    }
  }
  const std::vector<std::uint8_t> tail = Utf16Bytes(entries);
  bytes.append(tail.begin(), tail.end());
  return bytes;
}

}  // namespace quillbay
