#include "registration/bar_registry.h"

#include "registration/reg_tree.h"
#include "registration/text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace quillbay {
namespace {

constexpr std::string_view kCategories = "\\Implemented Categories";
constexpr std::string_view kVerticalCategory = "\\{00021493-0000-0000-C000-000000000046}";
constexpr std::string_view kHorizontalCategory = "\\{00021494-0000-0000-C000-000000000046}";
constexpr std::string_view kServerKey = "\\InProcServer32";
constexpr std::string_view kServerPath = "%SystemRoot%\\System32\\shdocvw.dll";
constexpr std::string_view kInstanceKey = "\\Instance";
constexpr std::string_view kHostedObject = "{4D5C8C2A-D075-11d0-B416-00C04FB90376}";
constexpr std::string_view kPropertyBagKey = "\\InitPropertyBag";

// The browser reads BarSize as the bar's size in pixels, little-endian, then four zero bytes.
constexpr std::array<std::uint8_t, 8> kVerticalSize{0x97, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<std::uint8_t, 8> kHorizontalSize{0x62, 0, 0, 0, 0, 0, 0, 0};

std::string Join(std::string_view a, std::string_view b, std::string_view c = {}) {
  std::string out;
  out.reserve(a.size() + b.size() + c.size());
  out.append(a).append(b).append(c);
  return out;
}

}  // namespace

std::vector<RegFailure> RegisterBar(RegistryStore& store, const BarId& id, std::string_view name,
                                    std::string_view location, BarKind kind) {
  const std::string base = Join(kClassKeyPrefix, id);
  const std::string categories = Join(base, kCategories);
  const std::string_view category =
      kind == BarKind::kVertical ? kVerticalCategory : kHorizontalCategory;
  const auto& size = kind == BarKind::kVertical ? kVerticalSize : kHorizontalSize;
  constexpr RegRoot kClasses = RegRoot::kClassesRoot;
  const RegKeyWrite steps[] = {
      {kClasses, base, {RegValue::Text("", RegType::kString, name)}},
      {kClasses, categories, {}},
      {kClasses, Join(categories, category), {}},
      {kClasses,
       Join(base, kServerKey),
       {RegValue::Text("", RegType::kExpandString, kServerPath),
        RegValue::Text("ThreadingModel", RegType::kString, "Apartment")}},
      {kClasses,
       Join(base, kInstanceKey),
       {RegValue::Text("CLSID", RegType::kString, kHostedObject)}},
      {kClasses,
       Join(base, kInstanceKey, kPropertyBagKey),
       {RegValue::Text("Url", RegType::kString, location)}},
      {RegRoot::kLocalMachine,
       Join(kBarsKeyPrefix, id),
       {{"BarSize", RegType::kBinary, {size.begin(), size.end()}}}},
  };
  return store.WriteKeys(steps);
}

std::vector<RegFailure> UnregisterBar(RegistryStore& store, const BarId& id) {
  const std::string base = Join(kClassKeyPrefix, id);
  const std::string categories = Join(base, kCategories);
  constexpr RegRoot kClasses = RegRoot::kClassesRoot;
  const RegKeyPath keys[] = {
      {kClasses, Join(base, kInstanceKey, kPropertyBagKey)},
      {kClasses, Join(base, kInstanceKey)},
      {kClasses, Join(base, kServerKey)},
      {kClasses, Join(categories, kVerticalCategory)},
      {kClasses, Join(categories, kHorizontalCategory)},
      {kClasses, categories},
      {kClasses, base},
      {RegRoot::kLocalMachine, Join(kBarsKeyPrefix, id)},
  };
  return store.DeleteKeys(keys);
}

namespace {

// A string value's text, without the NUL it was stored with.
std::string TextOf(const RegValue* value) {
  if (value == nullptr) return {};
  std::string text(value->data.begin(), value->data.end());
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

std::string FullName(RegRoot root, std::string_view path) {
  return *Utf16ToText(RootName(root)) + "\\" + std::string(path);
}

// Key `path` below `root`; nullopt when it does not exist.
RegResult<std::optional<RegTree>> ReadIfThere(RegistryStore& store, RegRoot root,
                                              const std::string& path) {
  RegResult<RegTree> tree = store.ReadTree(root, path);
  if (tree) return std::optional<RegTree>(std::move(*tree));
  if (tree.error().status == RegStatus::kNotFound) return std::optional<RegTree>();
  return Unexpected<RegError>(std::move(tree).error());
}

}  // namespace

RegResult<BarState> ReadBar(RegistryStore& store, const BarId& id) {
  const std::string base = Join(kClassKeyPrefix, id);
  const std::string bar = Join(kBarsKeyPrefix, id);
  auto class_key = ReadIfThere(store, RegRoot::kClassesRoot, base);
  if (!class_key) return Unexpected<RegError>(std::move(class_key).error());
  auto bar_key = ReadIfThere(store, RegRoot::kLocalMachine, bar);
  if (!bar_key) return Unexpected<RegError>(std::move(bar_key).error());

  BarState state;
  state.any_key = class_key->has_value() || bar_key->has_value();
  const RegTree* root = class_key->has_value() ? &**class_key : nullptr;
  // The key below the class key at `path` (empty: the class key), noted when missing.
  auto find = [&](std::string_view path) -> const RegTree* {
    const RegTree* key = root == nullptr ? nullptr : path.empty() ? root : root->Find(path);
    if (key == nullptr)
      state.missing.push_back(FullName(RegRoot::kClassesRoot, base + std::string(path)));
    return key;
  };
  if (const RegTree* key = find(""); key != nullptr) state.name = TextOf(key->Value(""));
  if (const RegTree* categories = find(kCategories.substr(1)); categories != nullptr) {
    if (categories->Find(kVerticalCategory.substr(1)) != nullptr) {
      state.kind = BarKind::kVertical;
    } else if (categories->Find(kHorizontalCategory.substr(1)) != nullptr) {
      state.kind = BarKind::kHorizontal;
    }
  }
  if (!state.kind) {
    state.missing.push_back(FullName(RegRoot::kClassesRoot, base + std::string(kCategories)) +
                            "\\<a bar category>");
  }
  find(kServerKey.substr(1));
  if (const RegTree* instance = find(kInstanceKey.substr(1)); instance != nullptr) {
    state.html_band = SameName(TextOf(instance->Value("CLSID")), kHostedObject);
  }
  const std::string bag = Join(kInstanceKey.substr(1), kPropertyBagKey);
  if (const RegTree* key = find(bag); key != nullptr) state.location = TextOf(key->Value("Url"));
  if (!bar_key->has_value()) state.missing.push_back(FullName(RegRoot::kLocalMachine, bar));
  return state;
}

RegResult<std::vector<std::string>> ReadClassIds(RegistryStore& store) {
  auto classes = ReadIfThere(store, RegRoot::kClassesRoot,
                             std::string(kClassKeyPrefix.substr(0, kClassKeyPrefix.size() - 1)));
  if (!classes) return Unexpected<RegError>(std::move(classes).error());
  std::vector<std::string> ids;
  if (classes->has_value()) {
    for (const RegTree& key : (*classes)->subkeys) {
      if (IsWellFormedBarId(key.name)) ids.push_back(key.name);
    }
  }
  return ids;
}

}  // namespace quillbay
