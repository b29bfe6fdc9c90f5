#pragma once

#include <functional>
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

// The rows of the backup file at `path`; none when it does not exist. Throws FileError
// when it exists but cannot be read.
std::vector<BarRow> LoadBackup(const std::string& path);

// One change of the backup file, under the lock every Quillbay process takes on it
// ("<path>.lock"): reads the rows the file holds now, lets `change` edit them, and writes
// them back when they changed (no file for no rows). Returns the rows the file holds
// afterwards. Throws FileError, leaving the file as it was, when it cannot be read or
// written.
std::vector<BarRow> UpdateBackup(const std::string& path,
                                 const std::function<void(std::vector<BarRow>&)>& change);

}  // namespace quillbay
