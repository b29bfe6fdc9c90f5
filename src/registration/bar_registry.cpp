#include "registration/bar_registry.h"

#include "registration/registry_paths.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <string>

namespace quillbay {
namespace {

constexpr std::string_view kServerPath = "%SystemRoot%\\System32\\shdocvw.dll";
constexpr std::string_view kHostedObject = "{4D5C8C2A-D075-11d0-B416-00C04FB90376}";
// The browser reads BarSize as the bar's size in pixels, little-endian, then four zero bytes.
constexpr std::array<std::uint8_t, 8> kVerticalSize{0x97, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<std::uint8_t, 8> kHorizontalSize{0x62, 0, 0, 0, 0, 0, 0, 0};

std::string ClassKey(const BarId& id) {
  return KeyPath({kClassesKey, id});
}

std::string BarsKey(const BarId& id) {
  return KeyPath({kBarsKey, id});
}

}  // namespace

namespace {

// Every key of a bar with its values, in the order RegisterBar writes them; the Url step
// only when `location` is known.
std::vector<RegKeyWrite> BarSteps(const BarId& id, std::string_view name,
                                  std::optional<std::string_view> location, BarKind kind) {
  const std::string base = ClassKey(id);
  const std::string categories = KeyPath({base, kCategoriesKey});
  const std::string_view category =
      kind == BarKind::kVertical ? kVerticalCategory : kHorizontalCategory;
  const auto& size = kind == BarKind::kVertical ? kVerticalSize : kHorizontalSize;
  constexpr RegRoot kClasses = RegRoot::kClassesRoot;
  std::vector<RegKeyWrite> steps = {
      {kClasses, base, {RegValue::Text("", RegType::kString, name)}},
      {kClasses, categories, {}},
      {kClasses, KeyPath({categories, category}), {}},
      {kClasses,
       KeyPath({base, kServerKey}),
       {RegValue::Text("", RegType::kExpandString, kServerPath),
        RegValue::Text("ThreadingModel", RegType::kString, "Apartment")}},
      {kClasses,
       KeyPath({base, kInstanceKey}),
       {RegValue::Text("CLSID", RegType::kString, kHostedObject)}},
  };
  if (location) {
    steps.push_back({kClasses,
                     KeyPath({base, kInstanceKey, kPropertyBagKey}),
                     {RegValue::Text("Url", RegType::kString, *location)}});
  }
  steps.push_back({RegRoot::kLocalMachine,
                   BarsKey(id),
                   {{"BarSize", RegType::kBinary, {size.begin(), size.end()}}}});
  return steps;
}

}  // namespace

std::vector<RegFailure> RegisterBar(RegistryStore& store, const BarId& id, std::string_view name,
                                    std::string_view location, BarKind kind) {
  return store.WriteKeys(BarSteps(id, name, location, kind));
}

std::vector<RegFailure> RewriteBar(RegistryStore& store, const BarId& id, std::string_view name,
                                   std::optional<std::string_view> location, BarKind kind) {
  // The other kind's category goes first and this kind's comes last: until the bar is whole
  // again it has no category, which check reports, and set or delete finishes.
  const std::string categories = KeyPath({ClassKey(id), kCategoriesKey});
  const RegKeyPath other[] = {
      {RegRoot::kClassesRoot,
       KeyPath(
           {categories, kind == BarKind::kVertical ? kHorizontalCategory : kVerticalCategory})}};
  std::vector<RegFailure> failures = store.DeleteKeys(other);
  if (!failures.empty()) return failures;
  std::vector<RegKeyWrite> steps = BarSteps(id, name, location, kind);
  const RegKeyWrite category[] = {std::move(steps[2])};
  steps.erase(steps.begin() + 2);
  failures = store.WriteKeys(steps);
  if (!failures.empty()) return failures;
  return store.WriteKeys(category);
}

std::vector<RegFailure> UnregisterBar(RegistryStore& store, const BarId& id) {
  const std::string base = ClassKey(id);
  const std::string categories = KeyPath({base, kCategoriesKey});
  constexpr RegRoot kClasses = RegRoot::kClassesRoot;
  const RegKeyPath keys[] = {
      {kClasses, KeyPath({base, kInstanceKey, kPropertyBagKey})},
      {kClasses, KeyPath({base, kInstanceKey})},
      {kClasses, KeyPath({base, kServerKey})},
      {kClasses, KeyPath({categories, kVerticalCategory})},
      {kClasses, KeyPath({categories, kHorizontalCategory})},
      {kClasses, categories},
      {kClasses, base},
      {RegRoot::kLocalMachine, BarsKey(id)},
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
  const std::string base = ClassKey(id);
  const std::string bar = BarsKey(id);
  auto class_key = ReadIfThere(store, RegRoot::kClassesRoot, base);
  if (!class_key) return Unexpected<RegError>(std::move(class_key).error());
  auto bar_key = ReadIfThere(store, RegRoot::kLocalMachine, bar);
  if (!bar_key) return Unexpected<RegError>(std::move(bar_key).error());

  BarState state;
  state.has_class_key = class_key->has_value();
  state.any_key = class_key->has_value() || bar_key->has_value();
  const RegTree* root = class_key->has_value() ? &**class_key : nullptr;
  // The key below the class key at `path` (empty: the class key), noted when missing.
  auto find = [&](std::string_view path) -> const RegTree* {
    const RegTree* key = root == nullptr ? nullptr : root->Find(path);
    if (key == nullptr)
      state.missing.push_back(FullName(RegRoot::kClassesRoot, KeyPath({base, path})));
    return key;
  };
  if (const RegTree* key = find(""); key != nullptr) state.name = TextOf(key->Value(""));
  if (const RegTree* categories = find(kCategoriesKey); categories != nullptr) {
    if (categories->Find(kVerticalCategory) != nullptr) {
      state.kind = BarKind::kVertical;
    } else if (categories->Find(kHorizontalCategory) != nullptr) {
      state.kind = BarKind::kHorizontal;
    }
  }
  if (!state.kind) {
    state.missing.push_back(FullName(RegRoot::kClassesRoot, KeyPath({base, kCategoriesKey})) +
                            "\\<a bar category>");
  }
  find(kServerKey);
  if (const RegTree* instance = find(kInstanceKey); instance != nullptr) {
    state.html_band = SameName(TextOf(instance->Value("CLSID")), kHostedObject);
  }
  if (const RegTree* key = find(KeyPath({kInstanceKey, kPropertyBagKey})); key != nullptr) {
    state.location = TextOf(key->Value("Url"));
  }
  if (!bar_key->has_value()) state.missing.push_back(FullName(RegRoot::kLocalMachine, bar));
  return state;
}

std::string BarIdSet::Folded(std::string_view id) {
  std::string folded(id);
  for (char& c : folded) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return folded;
}

RegResult<std::vector<FoundBarId>> ReadBarIds(RegistryStore& store) {
  // The names below each key, none when it does not exist.
  auto names_below = [&](const BarTreeKey& tree) -> RegResult<std::vector<std::string>> {
    RegResult<std::vector<std::string>> names = store.ReadSubkeyNames(tree.root, tree.key);
    if (!names && names.error().status == RegStatus::kNotFound) return std::vector<std::string>();
    return names;
  };
  RegResult<std::vector<std::string>> classes = names_below(kBarTrees[0]);
  RegResult<std::vector<std::string>> bars = names_below(kBarTrees[1]);
  if (!classes) return Unexpected<RegError>(std::move(classes).error());
  if (!bars) return Unexpected<RegError>(std::move(bars).error());
  BarIdSet in_bar_list;
  for (const std::string& name : *bars) in_bar_list.Insert(name);
  // Class keys first, then the bars that have none.
  std::vector<FoundBarId> ids;
  BarIdSet seen;
  for (std::string& name : *classes) {
    if (IsWellFormedBarId(name) && seen.Insert(name)) {
      const bool listed = in_bar_list.Contains(name);
      ids.push_back({std::move(name), listed});
    }
  }
  for (std::string& name : *bars) {
    if (IsWellFormedBarId(name) && seen.Insert(name)) ids.push_back({std::move(name), true});
  }
  return ids;
}

RegResult<bool> HasInstanceKey(RegistryStore& store, const BarId& id) {
  RegResult<std::optional<RegTree>> instance =
      ReadIfThere(store, RegRoot::kClassesRoot, KeyPath({ClassKey(id), kInstanceKey}));
  if (!instance) return Unexpected<RegError>(std::move(instance).error());
  return instance->has_value();
}

}  // namespace quillbay
