#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillbay {

// Quillbay's own files, kept in the folder that plays the Windows directory: the list of
// bars, and on systems without a registry the file that holds it.
inline constexpr std::string_view kBackupFileName = "bkupRegKeyf";
inline constexpr std::string_view kRegistryFileName = "registry.reg";

// The full path of data file `name` ("%s\bkupRegKeyf" on Windows); nullopt when the folder
// cannot be determined.
std::optional<std::string> DataFilePath(std::string_view name);

}  // namespace quillbay
