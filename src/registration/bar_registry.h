#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/bar_id.h"
#include "registration/registry_store.h"

namespace quillbay {

// Where a bar's two trees begin, each followed by its identifier: the class key under
// HKEY_CLASSES_ROOT and the Explorer-bar key under HKEY_LOCAL_MACHINE.
inline constexpr std::string_view kClassKeyPrefix = "CLSID\\";
inline constexpr std::string_view kBarsKeyPrefix =
    "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\";

// Writes every registry entry of a bar, step by step in a fixed order, as one update of
// the store. A failing step does not stop the following ones and nothing is rolled back;
// the failures are returned.
std::vector<RegFailure> RegisterBar(RegistryStore& store, const BarId& id, std::string_view name,
                                    std::string_view location, BarKind kind);

// Deletes a bar's registry entries, deepest key first. Keys that do not exist are not
// failures; a key another program left a subkey under stays, and is one.
std::vector<RegFailure> UnregisterBar(RegistryStore& store, const BarId& id);

// What the registry holds of one bar.
struct BarState {
  bool any_key = false;                 // at least one of its keys exists
  std::vector<std::string> missing;     // full names of its keys that do not
  std::optional<BarKind> kind;          // from the category key there
  std::optional<std::string> name;      // the class key's unnamed value
  std::optional<std::string> location;  // the Url value
  bool html_band = false;               // its Instance names the browser's HTML band object

  bool registered() const { return any_key && missing.empty(); }
  // A bar as the browser sees one, whoever wrote it: served by the HTML band, with a bar
  // category.
  bool is_bar() const { return html_band && kind.has_value(); }
};

// Reads what the registry holds of bar `id`. Fails only when the store cannot be read.
RegResult<BarState> ReadBar(RegistryStore& store, const BarId& id);

// The identifiers of the class keys, for finding bars no row lists.
RegResult<std::vector<std::string>> ReadClassIds(RegistryStore& store);

}  // namespace quillbay
