#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/bar_id.h"
#include "system/file_lock.h"

namespace quillbay {

// Characters a row of the backup file cannot hold in a name: the separators, the tab that
// `list` puts between identifier and name, and the line breaks that would split the row.
inline constexpr std::string_view kNotInRow = ";,\t\r\n";

// One row of the registered-bar list.
struct BarRow {
  std::string id;
  std::string name;
  // The row's bytes as the file holds them, line end included; empty for a row not yet
  // written. A change of the file writes other rows back exactly as they were, so a note
  // typed after the ';' or a line end of another system survives.
  std::string source = {};

  friend bool operator==(const BarRow& a, const BarRow& b) {
    return a.id == b.id && a.name == b.name;
  }
};

// The rows recorded in the backup file `text`, one a line. A line ends at LF, CR LF or a
// lone CR; a UTF-8 byte-order mark at the start (as editors save one) is no part of the
// first identifier.
std::vector<BarRow> ParseBackup(std::string_view text);

// The backup file's text for `rows`: each row as it was read, a new row as "%s,%s;\r\n".
// No line comes to read differently beside its new neighbour.
std::string FormatBackup(const std::vector<BarRow>& rows);

// `row` with its identifier field made `id`, every other byte of its line kept.
BarRow WithId(const BarRow& row, const BarId& id);

// `row` with its name field made `name`, every other byte of its line kept.
BarRow WithName(const BarRow& row, std::string_view name);

// The rows of the backup file at `path`; none when it does not exist. Throws FileError
// when it exists but cannot be read.
std::vector<BarRow> LoadBackup(const std::string& path);

// The backup file, held under the lock every Quillbay process takes on it (beside the file a
// link points to): while a BackupLock lives no other process reads the list to change it, so
// a bar operation keeps it from re-reading the list until both of a bar's places are written.
class BackupLock {
 public:
  // Waits for the lock and reads the list. Throws FileError, leaving the file as it was, when
  // the lock cannot be taken or the file cannot be read.
  explicit BackupLock(const std::string& path);
  BackupLock(const BackupLock&) = delete;
  BackupLock& operator=(const BackupLock&) = delete;

  const std::vector<BarRow>& rows() const { return rows_; }

  // Replaces the file with `rows` atomically (no file for no rows); a byte-order mark at its
  // start stays there, whichever row goes. Throws FileError, leaving
  // the file and rows() as they were, when it cannot be written.
  void Write(std::vector<BarRow> rows);

 private:
  std::string path_;  // the file itself, links followed
  FileLock lock_;
  std::vector<BarRow> rows_;
};

}  // namespace quillbay
