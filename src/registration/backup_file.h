#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "registration/bar_id.h"

namespace quillbay {

// One row of the registered-bar list.
struct BarRow {
  std::string id;
  std::string name;

  friend bool operator==(const BarRow&, const BarRow&) = default;
};

// The rows recorded in the backup file `text`, one a line.
std::vector<BarRow> ParseBackup(std::string_view text);

// The backup file's text for `rows`: "%s,%s;\r\n" a row.
std::string FormatBackup(const std::vector<BarRow>& rows);

// The rows of the backup file at `path`; empty when it cannot be opened.
std::vector<BarRow> LoadBackup(const std::string& path);

// Replaces the backup file with `rows` atomically, creating its folder when missing.
// Does nothing for an empty list. Throws FileError carrying the path.
void SaveBackup(const std::string& path, const std::vector<BarRow>& rows);

// Deletes the backup file; one that is already gone is fine. Throws FileError.
void RemoveBackup(const std::string& path);

}  // namespace quillbay
