#include "registration/backup_file.h"

#include <algorithm>

#include "system/file_lock.h"
#include "system/files.h"

namespace quillbay {

std::vector<BarRow> ParseBackup(std::string_view text) {
  std::vector<BarRow> rows;
  rows.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  std::size_t pos = 0;
  while (pos < text.size()) {
    // A line ends at LF or CR LF; a last line without an end is still a line.
    std::size_t end = text.find('\n', pos);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (end < text.size() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = next;

    // The identifier runs to the first comma; the name from after it to the first semicolon.
    const std::string_view id = line.substr(0, line.find(','));
    const std::string_view upto_semicolon = line.substr(0, line.find(';'));
    const std::size_t name_start = id.size() + 1;
    const std::string_view name =
        name_start < upto_semicolon.size() ? upto_semicolon.substr(name_start) : std::string_view{};
    rows.push_back({std::string(id), std::string(name)});
  }
  return rows;
}

std::string FormatBackup(const std::vector<BarRow>& rows) {
  std::string text;
  for (const BarRow& row : rows) {
    text.append(row.id).append(",").append(row.name).append(";\r\n");
  }
  return text;
}

std::vector<BarRow> LoadBackup(const std::string& path) {
  const std::optional<std::string> text = ReadWholeFile(path);
  return text ? ParseBackup(*text) : std::vector<BarRow>{};
}

std::vector<BarRow> UpdateBackup(const std::string& path,
                                 const std::function<void(std::vector<BarRow>&)>& change) {
  CreateDirectories(ParentFolder(path));
  const FileLock lock = FileLock::Acquire(path + ".lock");
  const std::vector<BarRow> before = LoadBackup(path);
  std::vector<BarRow> rows = before;
  change(rows);
  if (rows == before) return rows;
  // An empty list is no file at all.
  if (rows.empty()) {
    RemoveFileIfExists(path);
  } else {
    ReplaceFileAtomically(path, FormatBackup(rows));
  }
  return rows;
}

}  // namespace quillbay
