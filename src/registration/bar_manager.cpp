#include "registration/bar_manager.h"

#include <algorithm>

#include "registration/bar_registry.h"
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
  if (!backup_path_) {
    sink_.ShowMessage(StringResource(str::kNoDataFolder));
    return;
  }
  for (BarRow& row : LoadBackup(*backup_path_)) {
    rows_.push_back(std::move(row));
    sink_.RowAppended(rows_.back());
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
  rows_.push_back({*id, Without(name, ";,\r\n")});
  const std::string stored_name = rows_.back().name;
  sink_.RowAppended(rows_.back());
  if (backup_path_) {
    try {
      SaveBackup(*backup_path_, rows_);
    } catch (const FileError& error) {
      // The row stays listed, so the bar can still be deleted; the user knows it is not
      // recorded.
      sink_.ShowFileError(error);
    }
  }
  ReportRegistryFailures(str::kRegistryWriteFailed,
                         RegisterBar(store_, *id, stored_name, location, kind_));
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
  first_selected_ = -1;
  sink_.RowRemoved(index);
  SetDeleteEnabled(false);

  if (!backup_path_) return;
  // One step: the file holds either the old rows or the remaining ones, never neither.
  if (rows_.empty()) {
    RemoveBackup(*backup_path_);
  } else {
    SaveBackup(*backup_path_, rows_);
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
      failures, [](const RegFailure& f) { return f.result.status == RegStatus::kAccessDenied; });
  std::string why;
  if (denied) {
    why = StringResource(str::kRegistryNeedsAdmin);
  } else {
    const RegFailure& first = failures.front();
    why = first.result.detail.empty() ? first.path : first.result.detail;
  }
  sink_.ShowMessage(FormatString1(StringResource(message_id), why));
}

}  // namespace quillbay
