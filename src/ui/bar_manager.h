#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/bars.h"
#include "resources/string_table.h"

namespace quillbay {

// What the bar manager tells its window. Messages are modal: an operation goes on only
// after the call returns.
class BarManagerSink {
 public:
  virtual ~BarManagerSink() = default;
  virtual void ShowMessage(std::string_view text) = 0;     // exclamation icon
  virtual void ShowFileError(const FileError& error) = 0;  // stop icon
  virtual void RowAppended(const BarRow& /*row*/) {}
  virtual void RowRemoved(std::size_t /*index*/) {}
  virtual void DeleteEnabledChanged(bool /*enabled*/) {}
};

// The logic of the main window without the window: the list it shows, the chosen kind, the
// selection and Delete's state, over the bars themselves.
class BarManager {
 public:
  BarManager(Bars& bars, BarManagerSink& sink) : sink_(sink), bars_(bars) {}

  void Open();
  // Reads the list again, after another process changed it or on the user's request. The
  // selection stays on the same bar while that bar is listed. A list that cannot be read is
  // said once, not at every change that follows.
  void Reload();
  void CreateBar(std::string_view name, std::string_view location);
  void DeleteSelected();
  // The list's selection changed: `first_selected` is the lowest selected row (-1: none).
  void SelectionChanged(int first_selected, int selected_count);
  void ChooseKind(BarKind kind) { kind_ = kind; }
  // The text to put back into the box after removing characters a row cannot hold, or
  // nullopt when the text may stay as it is. Putting it back runs the filter again.
  std::optional<std::string> FilterSeparators(std::string_view text);

  // The backup file, or why there is none.
  const Expected<std::string, int>& list_path() const { return bars_.backup_path(); }
  const std::vector<BarRow>& rows() const { return rows_; }
  BarKind kind() const { return kind_; }
  bool delete_enabled() const { return delete_enabled_; }

 private:
  // Brings the list to `wanted`, the rows the backup file holds.
  void ShowRows(const std::vector<BarRow>& wanted);
  // Tells the user what went wrong in `outcome`; `id` names the bar.
  void Tell(const BarOutcome& outcome, std::string_view id,
            int registry_message = str::kRegistryWriteFailed);
  void SetDeleteEnabled(bool enabled);

  BarManagerSink& sink_;
  Bars& bars_;
  std::vector<BarRow> rows_;
  int first_selected_ = -1;
  BarKind kind_ = BarKind::kVertical;
  bool delete_enabled_ = false;
  bool list_unread_ = false;  // the last reading of the list failed and was said
};

}  // namespace quillbay
