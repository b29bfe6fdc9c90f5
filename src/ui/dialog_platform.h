#pragma once

#include <span>
#include <string>
#include <string_view>

namespace quillbay {

class CDialog;

enum class DialogResult { kOk = 1, kCancel = 2 };

// What happened to a control. The platform delivers these to the dialog's OnEvent.
enum class ControlEvent {
  kClicked,       // push button, check box or radio button clicked
  kTextChanged,   // edit box text changed, also when the program set it
  kItemChanged,   // list row state changed (selection included); `item` is the row
  kItemInserted,  // list row inserted (after insertion); `item` is the row
  kItemDeleted,   // list row about to be deleted (it still counts); `item` is the row
  kDeleteKey,     // the Delete key pressed in a list
};

// The controls of one open dialog, addressed by their identifiers. A back end hands one
// to the dialog for as long as the dialog's window exists.
class DialogWindow {
 public:
  virtual ~DialogWindow() = default;

  // Any control.
  virtual void Enable(int id, bool enabled) = 0;
  virtual void SetFocus(int id) = 0;

  // Edit boxes and labels. Setting an edit box's text notifies kTextChanged.
  virtual std::string GetText(int id) const = 0;
  virtual void SetText(int id, std::string_view text) = 0;

  // Check boxes and radio buttons: 1 checked, 0 unchecked.
  virtual int GetCheck(int id) const = 0;
  virtual void SetCheck(int id, int state) = 0;

  // Report-style lists. Deleting a selected row deselects it first (kItemChanged), then
  // announces the deletion. Setting a cell's text notifies nothing.
  // `width_px` is in pixels at 96 dpi: the column is at least that wide at the window's dpi.
  virtual void AddColumn(int id, int column, std::string_view heading, int width_px) = 0;
  // Widens a column where the list's font needs it, so that each of `texts` shows whole. The
  // other columns keep at least the widths they were added with: where the columns then no
  // longer fit, the list widens, and the window with it, as the layout grows for a large font,
  // so that the list needs no scroll bar across while its columns fit.
  virtual void FitColumn(int id, int column, std::span<const std::string> texts) = 0;
  // Inserts a row with the first column's text; a position past the end appends.
  // Returns the row's index.
  virtual int InsertRow(int id, int position, std::string_view text) = 0;
  virtual void SetCell(int id, int row, int column, std::string_view text) = 0;
  virtual std::string GetCell(int id, int row, int column) const = 0;
  virtual int RowCount(int id) const = 0;
  virtual int FirstSelectedRow(int id) const = 0;  // -1 when none
  virtual int SelectedCount(int id) const = 0;
  virtual void DeleteRow(int id, int row) = 0;

  // The window itself.
  virtual void SetCaption(std::string_view caption) = 0;
  virtual void SetIcon(int icon_id) = 0;  // large and small
  virtual bool HasSystemMenu() const = 0;
  virtual void AppendSystemMenuSeparator() = 0;
  virtual void AppendSystemMenuItem(int command, std::string_view text) = 0;
  // Asks for the dialog's OnRefresh whenever the file at `path` changes: written, replaced,
  // made or removed, by this process or another. Changes close together give one call once
  // they settle, not one each; nothing polls in between. F5 in the window asks for it too.
  virtual void WatchFile(const std::string& path) = 0;
  // Ends the modal run once the current handler returns.
  virtual void EndDialog(DialogResult result) = 0;
};

// The window system: modal runs, message boxes and help.
class DialogPlatform {
 public:
  virtual ~DialogPlatform() = default;

  // Builds the window from `dialog`'s template, calls its OnInitDialog once the controls
  // exist, delivers events until the dialog ends, and returns how it ended. Enter while no
  // push button has the focus is delivered as a click of button 1; Escape and the close box
  // as a click of button 2.
  virtual DialogResult RunModal(CDialog& dialog) = 0;

  // Modal box with one OK button and the exclamation icon over the active window,
  // captioned with the program file's name without folder and extension.
  virtual void ShowMessage(std::string_view text) = 0;

  // The same with the stop icon: how a FileError escaping a handler is shown.
  virtual void ShowError(std::string_view text) = 0;

  // The help command (F1): a box with a short help text and, when the main window's window
  // menu has the About item, a button that gives that command to the main window.
  virtual void ShowHelp() = 0;
};

}  // namespace quillbay
