#pragma once

#include <string>
#include <vector>

#include "deploy/bar_keys.h"
#include "registration/registry_store.h"

namespace quillbay {

// A ".reg" file, written as `reg export` writes one, that puts `bars` on another machine with
// `reg import`. Each key is written twice: at its own path and at the path of the 32-bit view
// (Wow6432Node), so that one import reaches the browser's 64-bit and 32-bit processes alike.
// Refused when a name or text cannot be written as UTF-16.
RegResult<std::string> ExportBars(const std::vector<DeployedBar>& bars);

// The ".reg" file that takes those bars off a machine again: one deletion entry
// ("[-HKEY_...]") for each key ExportBars writes a tree under.
std::string ExportBarRemoval(const std::vector<BarId>& ids);

}  // namespace quillbay
