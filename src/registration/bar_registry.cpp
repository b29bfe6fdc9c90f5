#include "registration/bar_registry.h"

#include "registration/reg_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

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

// 8-bit text with its terminating NUL, as the string value's bytes.
std::span<const std::uint8_t> WithNul(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size() + 1};
}

// Records the failures of a run of steps.
class Steps {
 public:
  // All steps of one bar are one update of the store.
  explicit Steps(RegistryStore& store) : store_(store) { store_.BeginUpdate(); }

  // One step: create-or-open `path`, run `write` on the key, close it. When the key
  // cannot be opened the step writes nothing.
  template <typename Writer>
  void Write(RegRoot root, const std::string& path, Writer&& write) {
    RegKey key = 0;
    if (!Note(root, path, store_.CreateKey(root, path, &key))) return;
    write(key, [&](RegResult r) { Note(root, path, std::move(r)); });
    Note(root, path, store_.CloseKey(key));
  }

  void Delete(RegRoot root, const std::string& path) {
    RegResult r = store_.DeleteKey(root, path);
    if (r.status != RegStatus::kNotFound) Note(root, path, std::move(r));
  }

  // Ends the update and tells the store the bars have changed. Failures of either are
  // noted without a path of their own.
  std::vector<RegFailure> Finish() && {
    Note(RegRoot::kCurrentUser, "", store_.EndUpdate());
    Note(RegRoot::kCurrentUser, "", store_.BarsChanged());
    return std::move(failures_);
  }

 private:
  bool Note(RegRoot root, const std::string& path, RegResult result) {
    if (result.ok()) return true;
    failures_.push_back({root, path, std::move(result)});
    return false;
  }

  RegistryStore& store_;
  std::vector<RegFailure> failures_;
};

}  // namespace

std::vector<RegFailure> RegisterBar(RegistryStore& store, const BarId& id, std::string_view name,
                                    std::string_view location, BarKind kind) {
  const std::string base = Join(kClassKeyPrefix, id);
  const std::string categories = Join(base, kCategories);
  const std::string_view category =
      kind == BarKind::kVertical ? kVerticalCategory : kHorizontalCategory;
  const auto& size = kind == BarKind::kVertical ? kVerticalSize : kHorizontalSize;
  constexpr RegRoot kClasses = RegRoot::kClassesRoot;
  const std::string name_text(name);
  const std::string location_text(location);

  Steps steps(store);
  steps.Write(kClasses, base,
              [&](RegKey key, auto note) { note(store.SetDefaultString(key, name_text)); });
  steps.Write(kClasses, categories, [](RegKey, auto) {});
  steps.Write(kClasses, Join(categories, category), [](RegKey, auto) {});
  steps.Write(kClasses, Join(base, kServerKey), [&](RegKey key, auto note) {
    note(store.SetValue(key, "", RegType::kExpandString, WithNul(kServerPath)));
    note(store.SetValue(key, "ThreadingModel", RegType::kString, WithNul("Apartment")));
  });
  steps.Write(kClasses, Join(base, kInstanceKey), [&](RegKey key, auto note) {
    note(store.SetValue(key, "CLSID", RegType::kString, WithNul(kHostedObject)));
  });
  steps.Write(kClasses, Join(base, kInstanceKey, kPropertyBagKey), [&](RegKey key, auto note) {
    note(store.SetValue(key, "Url", RegType::kString, WithNul(location_text)));
  });
  steps.Write(RegRoot::kLocalMachine, Join(kBarsKeyPrefix, id), [&](RegKey key, auto note) {
    note(store.SetValue(key, "BarSize", RegType::kBinary, size));
  });
  return std::move(steps).Finish();
}

std::vector<RegFailure> UnregisterBar(RegistryStore& store, const BarId& id) {
  const std::string base = Join(kClassKeyPrefix, id);
  const std::string categories = Join(base, kCategories);
  constexpr RegRoot kClasses = RegRoot::kClassesRoot;

  Steps steps(store);
  steps.Delete(kClasses, Join(base, kInstanceKey, kPropertyBagKey));
  steps.Delete(kClasses, Join(base, kInstanceKey));
  steps.Delete(kClasses, Join(base, kServerKey));
  steps.Delete(kClasses, Join(categories, kVerticalCategory));
  steps.Delete(kClasses, Join(categories, kHorizontalCategory));
  steps.Delete(kClasses, categories);
  steps.Delete(kClasses, base);
  steps.Delete(RegRoot::kLocalMachine, Join(kBarsKeyPrefix, id));
  return std::move(steps).Finish();
}

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// A string value's text, without the NUL it was stored with.
std::string StringData(const RegValueData& value) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
    text += static_cast<char16_t>(value.data[i] | value.data[i + 1] << 8);
  }
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  return Utf16ToUtf8(text);
}

const RegValueData* FindValue(const RegKeyContents& key, std::string_view name) {
  const auto it = std::ranges::find_if(
      key.values, [&](const RegValueData& v) { return EqualsIgnoringCase(v.name, name); });
  return it == key.values.end() ? nullptr : &*it;
}

std::string FullName(RegRoot root, std::string_view path) {
  return Utf16ToUtf8(RootName(root)) + "\\" + std::string(path);
}

}  // namespace

RegResult ReadBar(RegistryStore& store, const BarId& id, BarState* out) {
  *out = {};
  const std::string base = Join(kClassKeyPrefix, id);
  const std::string categories = Join(base, kCategories);
  constexpr RegRoot kClasses = RegRoot::kClassesRoot;
  // Reads one key; false when it is not there (and noted missing).
  RegKeyContents key;
  RegResult failure;
  auto read = [&](RegRoot root, const std::string& path) {
    RegResult result = store.ReadKey(root, path, &key);
    if (result.ok()) {
      out->any = true;
      return true;
    }
    if (result.status != RegStatus::kNotFound && failure.ok()) failure = std::move(result);
    out->missing.push_back(FullName(root, path));
    return false;
  };
  if (read(kClasses, base)) {
    if (const RegValueData* name = FindValue(key, ""); name != nullptr) {
      out->name = StringData(*name);
    }
  }
  read(kClasses, categories);
  RegKeyContents probe;
  for (const auto& [category, kind] : {std::pair{kVerticalCategory, BarKind::kVertical},
                                       std::pair{kHorizontalCategory, BarKind::kHorizontal}}) {
    if (store.ReadKey(kClasses, Join(categories, category), &probe).ok()) out->kind = kind;
  }
  if (!out->kind) out->missing.push_back(FullName(kClasses, categories) + "\\<a bar category>");
  read(kClasses, Join(base, kServerKey));
  if (read(kClasses, Join(base, kInstanceKey))) {
    const RegValueData* hosted = FindValue(key, "CLSID");
    out->html_band = hosted != nullptr && EqualsIgnoringCase(StringData(*hosted), kHostedObject);
  }
  if (read(kClasses, Join(base, kInstanceKey, kPropertyBagKey))) {
    if (const RegValueData* url = FindValue(key, "Url"); url != nullptr) {
      out->location = StringData(*url);
    }
  }
  read(RegRoot::kLocalMachine, Join(kBarsKeyPrefix, id));
  return failure;
}

RegResult ReadClassIds(RegistryStore& store, std::vector<std::string>* out) {
  out->clear();
  RegKeyContents classes;
  RegResult result = store.ReadKey(RegRoot::kClassesRoot, kClassKeyPrefix.substr(0, 5), &classes);
  if (result.status == RegStatus::kNotFound) return RegResult::Ok();
  if (!result.ok()) return result;
  for (std::string& name : classes.subkeys) {
    if (IsWellFormedBarId(name)) out->push_back(std::move(name));
  }
  return RegResult::Ok();
}

}  // namespace quillbay
