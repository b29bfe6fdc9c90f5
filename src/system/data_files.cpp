#include "system/data_files.h"

#include "system/files.h"

namespace quillbay {

std::optional<std::string> DataFilePath(std::string_view name) {
  const std::optional<std::string> folder = WindowsDirectory();
  if (!folder) return std::nullopt;
  return JoinPath(*folder, name);
}

}  // namespace quillbay
