#pragma once

#include <string>
#include <vector>

#include "registration/bar_id.h"
#include "registration/registry_store.h"

namespace quillbay {

// A ".reg" file, written as `reg export` writes one, that puts every registry entry `store`
// holds for the bars `ids` on another machine with `reg import`. Each key is written twice:
// at its own path and at the path of the 32-bit view (Wow6432Node), so that one import
// reaches the browser's 64-bit and 32-bit processes alike. A bar whose keys cannot be read
// fails the whole export.
RegResult<std::string> ExportBars(RegistryStore& store, const std::vector<BarId>& ids);

// The ".reg" file that takes those bars off a machine again: one deletion entry
// ("[-HKEY_...]") for each key ExportBars writes a tree under.
std::string ExportBarRemoval(const std::vector<BarId>& ids);

}  // namespace quillbay
