#include "ui/bar_manager.h"

#include <algorithm>
#include <utility>

#include "registration/error_text.h"
#include "resources/string_table.h"

namespace quillbay {

void BarManager::Open() {
  kind_ = BarKind::kVertical;
  SetDeleteEnabled(false);
  first_selected_ = -1;
  ShowRows({});
  // A file that exists but cannot be read is no empty list: the user is told, and since
  // every change reads the file again first, no later command replaces it.
  const BarOutcome listed = bars_.List();
  ShowRows(listed.rows);
  Tell(listed, "");
  list_unread_ = !listed.rows_read;
  // A folder that cannot be written is said before the user types a bar in vain.
  if (listed.ok()) {
    if (const BarOutcome lock = bars_.CanChange(); lock.unwritable) Tell(lock, "");
  }
}

void BarManager::Reload() {
  const BarOutcome listed = bars_.List();
  if (!listed.rows_read) {
    if (!std::exchange(list_unread_, true)) Tell(listed, "");
    return;
  }
  list_unread_ = false;
  ShowRows(listed.rows);
}

void BarManager::CreateBar(std::string_view name, std::string_view location) {
  // Bars refuses what a row cannot hold; the boxes' filter keeps most of it out already.
  const BarOutcome outcome = bars_.Create(name, location, kind_);
  if (outcome.rows_read) ShowRows(outcome.rows);
  Tell(outcome, outcome.id.value_or(""));
}

void BarManager::DeleteSelected() {
  if (first_selected_ < 0 || static_cast<std::size_t>(first_selected_) >= rows_.size()) return;
  const BarRow row = rows_[static_cast<std::size_t>(first_selected_)];
  const BarOutcome outcome = bars_.Delete(row.id);
  if (outcome.rows_read && outcome.registry.empty()) {
    first_selected_ = -1;
    SetDeleteEnabled(false);
    ShowRows(outcome.rows);
  }
  // A row another window took away meanwhile is gone, and that is all.
  if (outcome.refused != str::kNotListed) Tell(outcome, row.id, str::kRegistryRemoveFailed);
}

void BarManager::Tell(const BarOutcome& outcome, std::string_view id, int registry_message) {
  for (const UserMessage& message : OutcomeMessages(outcome, id, registry_message)) {
    if (message.file_error) {
      sink_.ShowFileError(*message.file_error);
    } else {
      sink_.ShowMessage(message.text);
    }
  }
}

void BarManager::ShowRows(const std::vector<BarRow>& wanted) {
  // Rows only ever go from anywhere and come at the end: keep the rows that are still
  // wanted in order, drop the others, then append what is new.
  // The list keeps its selection on the rows that stay, so the selected index moves up
  // with each row removed before it; a removed selected row leaves nothing selected.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < rows_.size();) {
    if (kept < wanted.size() && rows_[i] == wanted[kept]) {
      ++kept;
      ++i;
    } else {
      rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
      const auto index = static_cast<int>(i);
      if (index < first_selected_) {
        --first_selected_;
      } else if (index == first_selected_) {
        first_selected_ = -1;
        if (delete_enabled_) SetDeleteEnabled(false);
      }
      sink_.RowRemoved(i);
    }
  }
  rows_.reserve(wanted.size());
  for (; kept < wanted.size(); ++kept) {
    rows_.push_back(wanted[kept]);
    sink_.RowAppended(rows_.back());
  }
}

void BarManager::SelectionChanged(int first_selected, int selected_count) {
  first_selected_ = selected_count > 0 ? first_selected : -1;
  if (!rows_.empty()) SetDeleteEnabled(selected_count > 0);
}

std::optional<std::string> BarManager::FilterSeparators(std::string_view text) {
  // One character class at a time, in this order: a text holding several shows the message
  // once for each, as putting the text back runs the filter again.
  for (std::string_view chars : {";", ",", "\r\n"}) {
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
}  // namespace quillbay
