#include "registration/backup_file.h"

#include <algorithm>

#include "system/files.h"

namespace quillbay {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool EndsLine(std::string_view line) {
  return !line.empty() && (line.back() == '\n' || line.back() == '\r');
}

// The bytes before the row's identifier: the file's byte-order mark on its first line. A
// later line's mark, or a second one, is part of its identifier.
std::size_t IdStart(const BarRow& row) {
  if (!row.source.starts_with(kUtf8Bom)) return 0;
  const std::string_view rest = std::string_view(row.source).substr(kUtf8Bom.size());
  const std::string_view line = rest.substr(0, rest.find_first_of("\r\n"));
  return line.substr(0, line.find(',')) == row.id ? kUtf8Bom.size() : 0;
}

}  // namespace

std::vector<BarRow> ParseBackup(std::string_view text) {
  std::vector<BarRow> rows;
  rows.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  std::size_t pos = 0;
  while (pos < text.size()) {
    // A line ends at LF, CR LF or a lone CR; a last line without an end is still a line.
    std::size_t end = text.find_first_of("\r\n", pos);
    std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    if (next < text.size() && text[end] == '\r' && text[next] == '\n') ++next;
    std::string_view line = text.substr(pos, end - pos);
    if (pos == 0 && line.starts_with(kUtf8Bom)) line.remove_prefix(kUtf8Bom.size());

    // The identifier runs to the first comma; the name from after it to the first semicolon.
    const std::string_view id = line.substr(0, line.find(','));
    const std::string_view upto_semicolon = line.substr(0, line.find(';'));
    const std::size_t name_start = id.size() + 1;
    const std::string_view name =
        name_start < upto_semicolon.size() ? upto_semicolon.substr(name_start) : std::string_view{};
    rows.push_back({std::string(id), std::string(name), std::string(text.substr(pos, next - pos))});
    pos = next;
  }
  return rows;
}

std::string FormatBackup(const std::vector<BarRow>& rows) {
  std::string text;
  for (const BarRow& row : rows) {
    // A last line without its end gets one before a row follows it.
    if (!text.empty() && !EndsLine(text)) text.append("\r\n");
    if (row.source.empty()) {
      text.append(row.id).append(",").append(row.name).append(";\r\n");
      continue;
    }
    // A lone CR before a line that starts with LF would read as one CR LF.
    if (text.ends_with('\r') && row.source.starts_with('\n')) text.append("\n");
    text.append(row.source);
  }
  // A mark that was part of a later line's identifier, come to stand first, needs the file's
  // own before it to read as it did.
  if (!rows.empty() && rows.front().id.starts_with(kUtf8Bom) && IdStart(rows.front()) == 0) {
    text.insert(0, kUtf8Bom);
  }
  return text;
}

BarRow WithId(const BarRow& row, const BarId& id) {
  const std::size_t start = IdStart(row);
  std::string source = row.source.substr(0, start) + id;
  source.append(row.source, std::min(row.source.size(), start + row.id.size()));
  return {id, row.name, std::move(source)};
}

BarRow WithName(const BarRow& row, std::string_view name) {
  if (row.source.empty()) return {row.id, std::string(name), {}};
  const std::size_t id_end = IdStart(row) + row.id.size();
  std::string source = row.source.substr(0, id_end) + ",";
  source += name;
  if (id_end < row.source.size() && row.source[id_end] == ',') {
    // The old name runs to the line's first semicolon, or to its end.
    const std::size_t end =
        std::min(row.source.find(';', id_end),
                 std::min(row.source.find_first_of("\r\n", id_end), row.source.size()));
    source.append(row.source, end);
  } else {
    // A line of an identifier alone gets the name's semicolon too.
    source.append(";").append(row.source, id_end);
  }
  return {row.id, std::string(name), std::move(source)};
}

std::vector<BarRow> LoadBackup(const std::string& path) {
  const std::optional<std::string> text = ReadWholeFile(path);
  return text ? ParseBackup(*text) : std::vector<BarRow>{};
}

BackupLock::BackupLock(const std::string& path)
    : path_(FinalPath(path)), lock_([this] {
        CreateDirectories(ParentFolder(path_));
        return FileLock::Acquire(path_ + ".lock");
      }()) {
  rows_ = LoadBackup(path_);
}

void BackupLock::Write(std::vector<BarRow> rows) {
  if (rows == rows_) return;
  // The file's byte-order mark is the file's, not its first row's: it stays whichever goes.
  if (!rows_.empty() && IdStart(rows_.front()) > 0 && !rows.empty() && IdStart(rows.front()) == 0) {
    BarRow& first = rows.front();
    first.source =
        std::string(kUtf8Bom) + (first.source.empty() ? FormatBackup({first}) : first.source);
  }
  // An empty list is no file at all.
  if (rows.empty()) {
    RemoveFileIfExists(path_);
  } else {
    ReplaceFileAtomically(path_, FormatBackup(rows));
  }
  // What the file holds now, with the bytes of each row as written.
  rows_ = ParseBackup(FormatBackup(rows));
}

}  // namespace quillbay
