#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/backup_file.h"
#include "registration/bar_id.h"
#include "registration/bar_registry.h"
#include "registration/registry_store.h"
#include "system/file_error.h"
#include "system/guid.h"

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

// The logic of the main window without the window: the registered bars, the chosen kind,
// and the operations behind the controls.
class BarManager {
 public:
  // `backup_path` is the backup file; nullopt when its folder cannot be determined.
  BarManager(RegistryStore& store, GuidSource& guids, BarManagerSink& sink,
             std::optional<std::string> backup_path);

  void Open();
  void CreateBar(std::string_view name, std::string_view location);
  void DeleteSelected();
  // The list's selection changed: `first_selected` is the lowest selected row (-1: none).
  void SelectionChanged(int first_selected, int selected_count);
  void ChooseKind(BarKind kind) { kind_ = kind; }
  // The text to put back into the box after removing characters a row cannot hold, or
  // nullopt when the text may stay as it is. Putting it back runs the filter again.
  std::optional<std::string> FilterSeparators(std::string_view text);

  const std::vector<BarRow>& rows() const { return rows_; }
  BarKind kind() const { return kind_; }
  bool delete_enabled() const { return delete_enabled_; }
  const std::optional<std::string>& backup_path() const { return backup_path_; }

 private:
  // Brings the list to `recorded`, the rows the backup file holds, followed by the rows
  // that could not be recorded.
  void ShowRows(std::vector<BarRow> wanted);
  void SetDeleteEnabled(bool enabled);
  void ReportRegistryFailures(int message_id, const std::vector<RegFailure>& failures);

  RegistryStore& store_;
  GuidSource& guids_;
  BarManagerSink& sink_;
  std::optional<std::string> backup_path_;
  std::vector<BarRow> rows_;
  std::vector<BarRow> unrecorded_;  // listed, but not in the backup file
  int first_selected_ = -1;
  BarKind kind_ = BarKind::kVertical;
  bool delete_enabled_ = false;
};

}  // namespace quillbay
