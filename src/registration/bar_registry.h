#pragma once

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

}  // namespace quillbay
