#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "deploy/bar_keys.h"

namespace quillbay {

// Where the two files go in a Group Policy object's folder.
inline constexpr std::string_view kGppMachineFile = "Machine/Preferences/Registry/Registry.xml";
inline constexpr std::string_view kGppUserFile = "User/Preferences/Registry/Registry.xml";

// Group Policy registry preferences, in the shape the Group Policy editor writes them.
struct GppFiles {
  // One collection per bar, named after it: an update item for each value and each empty key
  // of the bar in both views; with `remove`, a delete item for each of its two trees in both.
  std::string machine;
  // Delete items for each user's cached lists of bar classes, so that the browser looks for
  // bars afresh at its next start.
  std::string user;
};

// `changed` is the items' time stamp, "YYYY-MM-DD HH:MM:SS"; every other attribute is made
// from the bars alone, so two exports of the same bars differ only there. nullopt when the
// XML library cannot be loaded or fails.
std::optional<GppFiles> ExportGpp(const std::vector<DeployedBar>& bars, bool remove,
                                  std::string_view changed);

}  // namespace quillbay
