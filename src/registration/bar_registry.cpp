#include "registration/bar_registry.h"

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

}  // namespace quillbay
