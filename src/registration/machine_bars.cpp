#include "registration/machine_bars.h"

#include <optional>
#include <string>

#include "resources/string_table.h"
#include "system/data_files.h"

namespace quillbay {
namespace {

Expected<std::string, int> ListPath() {
  std::optional<std::string> path = DataFilePath(kBackupFileName);
  if (!path) return Unexpected(str::kNoDataFolder);
  return std::move(*path);
}

}  // namespace

MachineBars::MachineBars() : store_(OpenMachineRegistry()), bars_(*store_, guids_, ListPath()) {}

}  // namespace quillbay
