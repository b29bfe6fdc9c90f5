#include "registration/bar_manager.h"

#include <algorithm>
#include <utility>

#include "registration/bar_registry.h"
#include "registration/error_text.h"
#include "resources/string_table.h"

namespace quillbay {
namespace {

// Characters a row of the backup file cannot hold in a name, in the order the filter
// takes them out. A line break would split the row.
constexpr std::string_view kSemicolon = ";";
constexpr std::string_view kComma = ",";
constexpr std::string_view kLineBreaks = "\r\n";

std::string Without(std::string_view text, std::string_view chars) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (chars.find(c) == std::string_view::npos) out += c;
  }
  return out;
}

}  // namespace

BarManager::BarManager(RegistryStore& store, GuidSource& guids, BarManagerSink& sink,
                       std::optional<std::string> backup_path)
    : store_(store), guids_(guids), sink_(sink), backup_path_(std::move(backup_path)) {}

void BarManager::Open() {
  kind_ = BarKind::kVertical;
  SetDeleteEnabled(false);
  first_selected_ = -1;
  rows_.clear();
  unrecorded_.clear();
  if (!backup_path_) {
    sink_.ShowMessage(StringResource(str::kNoDataFolder));
    return;
  }
  // A file that exists but cannot be read is no empty list: the user is told, and since
  // every change reads the file again first, no later command replaces it.
  try {
    ShowRows(LoadBackup(*backup_path_));
  } catch (const FileError& error) {
    sink_.ShowFileError(error);
  }
}

void BarManager::CreateBar(std::string_view name, std::string_view location) {
  if (name.empty() || location.empty()) {
    sink_.ShowMessage(StringResource(str::kNeedNameAndUrl));
    return;
  }
  const std::optional<BarId> id = NewBarId(guids_);
  if (!id) {
    sink_.ShowMessage(StringResource(str::kNoNewBarId));
    return;
  }
  // The name box filters these out already; a caller that skipped the filter must not be
  // able to break a row of the backup file.
  const BarRow row{*id, Without(name, ";,\r\n")};
  std::optional<FileError> not_recorded;
  if (backup_path_) {
    try {
      ShowRows(
          UpdateBackup(*backup_path_, [&](std::vector<BarRow>& rows) { rows.push_back(row); }));
    } catch (const FileError& error) {
      not_recorded = error;
    }
  }
  if (!backup_path_ || not_recorded) {
    // The row stays listed, so the bar can still be deleted; the user knows it is not
    // recorded, and why.
    unrecorded_.push_back(row);
    rows_.push_back(row);
    sink_.RowAppended(row);
    if (not_recorded) sink_.ShowFileError(*not_recorded);
  }
  ReportRegistryFailures(str::kRegistryWriteFailed,
                         RegisterBar(store_, row.id, row.name, location, kind_));
}

void BarManager::DeleteSelected() {
  if (first_selected_ < 0 || static_cast<std::size_t>(first_selected_) >= rows_.size()) return;
  const auto index = static_cast<std::size_t>(first_selected_);
  const BarRow row = rows_[index];

  // Only a well-formed identifier names keys of the bar's own; anything else from a
  // hand-edited file touches no registry key.
  if (IsWellFormedBarId(row.id)) {
    ReportRegistryFailures(str::kRegistryRemoveFailed, UnregisterBar(store_, row.id));
  }
  rows_.erase(rows_.begin() + first_selected_);
  if (const auto it = std::ranges::find(unrecorded_, row); it != unrecorded_.end()) {
    unrecorded_.erase(it);
  }
  first_selected_ = -1;
  sink_.RowRemoved(index);
  SetDeleteEnabled(false);

  if (!backup_path_) return;
  // One step under the lock: the row goes from what the file holds now, so the rows
  // another window added stay.
  ShowRows(UpdateBackup(*backup_path_, [&](std::vector<BarRow>& rows) {
    if (const auto it = std::ranges::find(rows, row); it != rows.end()) rows.erase(it);
  }));
}

void BarManager::ShowRows(std::vector<BarRow> wanted) {
  wanted.insert(wanted.end(), unrecorded_.begin(), unrecorded_.end());
  // Rows only ever go from anywhere and come at the end: keep the rows that are still
  // wanted in order, drop the others, then append what is new.
  std::size_t kept = 0;
  bool removed = false;
  for (std::size_t i = 0; i < rows_.size();) {
    if (kept < wanted.size() && rows_[i] == wanted[kept]) {
      ++kept;
      ++i;
    } else {
      rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
      sink_.RowRemoved(i);
      removed = true;
    }
  }
  rows_.reserve(wanted.size());
  for (; kept < wanted.size(); ++kept) {
    rows_.push_back(std::move(wanted[kept]));
    sink_.RowAppended(rows_.back());
  }
  // Another window removed rows: the selection no longer names what the user chose.
  if (removed) {
    first_selected_ = -1;
    if (delete_enabled_) SetDeleteEnabled(false);
  }
}

void BarManager::SelectionChanged(int first_selected, int selected_count) {
  first_selected_ = selected_count > 0 ? first_selected : -1;
  if (!rows_.empty()) SetDeleteEnabled(selected_count > 0);
}

std::optional<std::string> BarManager::FilterSeparators(std::string_view text) {
  for (std::string_view chars : {kSemicolon, kComma, kLineBreaks}) {
    if (text.find_first_of(chars) != std::string_view::npos) {
      sink_.ShowMessage(StringResource(str::kCharacterNotAllowed));
      return Without(text, chars);
    }
  }
  return std::nullopt;
}

void BarManager::SetDeleteEnabled(bool enabled) {
  delete_enabled_ = enabled;
  sink_.DeleteEnabledChanged(enabled);
}

void BarManager::ReportRegistryFailures(int message_id, const std::vector<RegFailure>& failures) {
  if (failures.empty()) return;
  const bool denied = std::ranges::any_of(
      failures, [](const RegFailure& f) { return f.error.status == RegStatus::kAccessDenied; });
  std::string why;
  if (denied) {
    why = StringResource(str::kRegistryNeedsAdmin);
  } else {
    const RegFailure& first = failures.front();
    why = RegErrorText(first.error);
    if (why.empty()) why = first.path;
  }
  sink_.ShowMessage(FormatString1(StringResource(message_id), why));
}

}  // namespace quillbay
