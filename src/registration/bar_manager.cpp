#include "registration/bar_manager.h"

#include <algorithm>

#include "registration/error_text.h"
#include "resources/string_table.h"

namespace quillbay {

BarManager::BarManager(RegistryStore& store, GuidSource& guids, BarManagerSink& sink,
                       std::optional<std::string> backup_path)
    : sink_(sink) {
  if (backup_path) bars_.emplace(store, guids, std::move(*backup_path));
}

void BarManager::Open() {
  kind_ = BarKind::kVertical;
  SetDeleteEnabled(false);
  first_selected_ = -1;
  ShowRows({});
  if (!bars_) {
    sink_.ShowMessage(StringResource(str::kNoDataFolder));
    return;
  }
  // A file that exists but cannot be read is no empty list: the user is told, and since
  // every change reads the file again first, no later command replaces it.
  try {
    ShowRows(bars_->List());
  } catch (const FileError& error) {
    sink_.ShowFileError(error);
  }
}

void BarManager::CreateBar(std::string_view name, std::string_view location) {
  if (name.empty() || location.empty()) {
    sink_.ShowMessage(StringResource(str::kNeedNameAndUrl));
    return;
  }
  if (!bars_) {
    sink_.ShowMessage(StringResource(str::kNoDataFolder));
    return;
  }
  // The name box filters these out already; a caller that skipped the filter must not be
  // able to break a row of the backup file.
  std::string row_name(name);
  std::erase_if(row_name, [](char c) { return kNotInRow.find(c) != std::string_view::npos; });
  const BarOutcome outcome = bars_->Create(row_name, location, kind_);
  if (!outcome.file_error) ShowRows(outcome.rows);
  Report(outcome, outcome.id.value_or(""), str::kRegistryWriteFailed);
}

void BarManager::DeleteSelected() {
  if (!bars_ || first_selected_ < 0 || static_cast<std::size_t>(first_selected_) >= rows_.size())
    return;
  const BarRow row = rows_[static_cast<std::size_t>(first_selected_)];
  const BarOutcome outcome = bars_->Delete(row.id);
  if (!outcome.file_error && outcome.registry.empty()) {
    first_selected_ = -1;
    SetDeleteEnabled(false);
    ShowRows(outcome.rows);
  }
  // A row another window took away meanwhile is gone, and that is all.
  if (outcome.refused != str::kNotListed) Report(outcome, row.id, str::kRegistryRemoveFailed);
}

void BarManager::Report(const BarOutcome& outcome, std::string_view id, int registry_message) {
  if (outcome.refused) sink_.ShowMessage(FormatString1(StringResource(*outcome.refused), id));
  if (outcome.file_error) sink_.ShowFileError(*outcome.file_error);
  if (outcome.not_a_bar) {
    sink_.ShowMessage(FormatString1(StringResource(str::kNoRegistryEntries), id));
  }
  if (outcome.registry.empty()) return;
  const bool denied = std::ranges::any_of(outcome.registry, [](const RegFailure& f) {
    return f.error.status == RegStatus::kAccessDenied;
  });
  std::string why;
  if (denied) {
    why = StringResource(str::kRegistryNeedsAdmin);
  } else {
    const RegFailure& first = outcome.registry.front();
    why = RegErrorText(first.error);
    if (why.empty()) why = first.path;
  }
  sink_.ShowMessage(FormatString1(StringResource(registry_message), why));
}

void BarManager::ShowRows(const std::vector<BarRow>& wanted) {
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
    rows_.push_back(wanted[kept]);
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
  // One character class at a time, in this order: a text holding several shows the message
  // once for each, as putting the text back runs the filter again.
  for (std::string_view chars :
       {kNotInRow.substr(0, 1), kNotInRow.substr(1, 1), kNotInRow.substr(2)}) {
    if (text.find_first_of(chars) != std::string_view::npos) {
      sink_.ShowMessage(StringResource(str::kCharacterNotAllowed));
      std::string out(text);
      std::erase_if(out, [&](char c) { return chars.find(c) != std::string_view::npos; });
      return out;
    }
  }
  return std::nullopt;
}

void BarManager::SetDeleteEnabled(bool enabled) {
  delete_enabled_ = enabled;
  sink_.DeleteEnabledChanged(enabled);
}

#include "registration/error_text.h"
}  // namespace quillbay
