#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "resources/dialog_templates.h"
#include "ui/dialog.h"
#include "ui/dialog_platform.h"

namespace quillbay {

// An in-memory dialog platform for window-logic tests: no display, no toolkit.
//
// RunModal builds a TestWindow from the dialog's template (every control of the template,
// nothing else), calls OnInitDialog, puts the focus on the first enabled tab stop unless
// OnInitDialog set it, and then
// runs the script registered for that template with OnRun. The script plays the user: it
// types, clicks, selects, presses keys and reads controls. It must end the window (Escape,
// a button, the close box...) before it returns; a window that is still open afterwards,
// a template without a script, an unknown control id or an operation on the wrong kind of
// control throws TestPlatformError, which escapes RunModal and fails the test.
//
// Notifications follow the dialog platform's rules, synchronously as a real toolkit sends
// them: setting an edit box's text (by the program or the user) notifies kTextChanged, so
// a handler that writes text back runs again; a list insertion notifies kItemInserted
// after the row is in; a deletion notifies kItemDeleted while the row still counts; every
// change of a row's selection, and every change of a cell's text, notifies kItemChanged
// for that row; focus leaving an edit box or a list notifies kKillFocus.
//
// Buttons 1 and 2 give the OK and Cancel commands instead of kClicked. Check boxes toggle
// and radio buttons check themselves and uncheck the other radio buttons of their group
// before kClicked is delivered. Enter clicks the focused push button, and gives the OK
// command when no push button has the focus. Actions on a disabled control do nothing and
// return false, as a user cannot reach it.
//
// Message boxes and help requests are recorded in messages(); OnMessage lets a test act
// while a box is "open" (for example to look at the window it belongs to).
//
// Example:
//   TestDialogPlatform platform;
//   platform.OnRun(dlg::kAbout, [](TestWindow& w) { w.PressEscape(); });
//   CAboutDlg about(platform);
//   EXPECT_EQ(about.DoModal(), DialogResult::kCancel);

class TestDialogPlatform;

// A misuse of the test platform or of the dialog platform interface.
class TestPlatformError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// One item of a window's system menu; a separator has command 0 and no text.
struct SystemMenuItem {
  int command = 0;
  std::string text;
  bool separator = false;

  friend bool operator==(const SystemMenuItem&, const SystemMenuItem&) = default;
};

// Standard system-menu commands the test window offers before the program adds its own.
inline constexpr int kSysCommandMove = 0xF010;
inline constexpr int kSysCommandClose = 0xF060;

enum class MessageIcon { kExclamation, kStop, kHelp };

// One message box (or help request) as it was shown.
struct ShownMessage {
  MessageIcon icon;
  std::string text;
  int owner_template = 0;  // the template of the active window; 0 when none was open

  friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};

class TestWindow final : public DialogWindow {
 public:
  TestWindow(TestDialogPlatform& platform, CDialog& dialog, const DialogTemplate& tmpl);

  // --- DialogWindow, as the program uses it ---
  void Enable(int id, bool enabled) override;
  bool IsEnabled(int id) const override;
  void SetFocus(int id) override;
  std::string GetText(int id) const override;
  void SetText(int id, std::string_view text) override;
  int GetCheck(int id) const override;
  void SetCheck(int id, int state) override;
  void AddColumn(int id, int column, std::string_view heading, int width_px) override;
  int InsertRow(int id, int position, std::string_view text) override;
  void SetCell(int id, int row, int column, std::string_view text) override;
  std::string GetCell(int id, int row, int column) const override;
  int RowCount(int id) const override;
  int FirstSelectedRow(int id) const override;
  int SelectedCount(int id) const override;
  void DeleteRow(int id, int row) override;
  void SetCaption(std::string_view caption) override;
  void SetIcon(int icon_id) override;
  bool HasSystemMenu() const override;
  void AppendSystemMenuSeparator() override;
  void AppendSystemMenuItem(int command, std::string_view text) override;
  void EndDialog(DialogResult result) override;

  // --- The user ---
  // Moves the focus to a control, as clicking into it or tabbing to it does.
  bool Focus(int id);
  // Types `text` into an edit box one keystroke at a time, each one a change, at
  // `position` (default: the end).
  bool Type(int id, std::string_view text, std::optional<std::size_t> position = std::nullopt);
  // Pastes `text` into an edit box as one change, at `position` (default: the end).
  bool Paste(int id, std::string_view text, std::optional<std::size_t> position = std::nullopt);
  // Selects everything in an edit box and deletes it (one change, when there was text).
  bool Clear(int id);
  // Clicks a push button, check box or radio button.
  bool Click(int id);
  // Selects exactly `rows` of a list (a click, or a click with Shift/Ctrl).
  bool SelectRows(int id, const std::vector<int>& rows);
  bool SelectRow(int id, int row) { return SelectRows(id, {row}); }
  bool ClearSelection(int id) { return SelectRows(id, {}); }
  // Toggles one row's selection (Ctrl+click).
  bool ToggleRow(int id, int row);
  void PressEnter();
  void PressEscape();
  void PressF1();
  // Chooses a system-menu command; the close box is kSysCommandClose. The low four bits
  // may be set, as the system sets them at times. Returns whether the dialog handled it.
  bool ChooseSystemCommand(int command);
  void CloseBox() { ChooseSystemCommand(kSysCommandClose); }

  // --- What the user sees ---
  int template_id() const { return template_->id; }
  const std::string& caption() const { return caption_; }
  int icon() const { return icon_; }
  const std::vector<SystemMenuItem>& system_menu() const { return system_menu_; }
  int focus() const { return focus_; }  // id of the focused control; 0 when none
  bool IsChecked(int id) const { return GetCheck(id) == 1; }
  std::vector<std::string> ColumnHeadings(int id) const;
  std::vector<int> ColumnWidths(int id) const;
  std::vector<int> SelectedRows(int id) const;
  // The cells of every row, column by column.
  std::vector<std::vector<std::string>> Rows(int id) const;
  bool ended() const { return result_.has_value(); }
  std::optional<DialogResult> result() const { return result_; }
  // Whether the modal run is over; reads still work afterwards, actions throw.
  bool closed() const { return closed_; }

 private:
  friend class TestDialogPlatform;

  struct Column {
    std::string heading;
    int width = 0;
  };
  struct Row {
    std::vector<std::string> cells;
    bool selected = false;
  };
  struct Control {
    const ControlTemplate* tmpl = nullptr;
    std::size_t index = 0;  // position in the template (tab order)
    bool enabled = true;
    std::string text;
    int check = 0;
    std::vector<Column> columns;
    std::vector<Row> rows;
  };

  Control& Find(int id);
  const Control& Find(int id) const;
  Control& FindKind(int id, ControlKind kind);
  const Control& FindKind(int id, ControlKind kind) const;
  Row& FindRow(Control& list, int row);
  const Row& FindRow(const Control& list, int row) const;
  void RequireOpen() const;
  void RequireUser() const;
  void Notify(int id, ControlEvent event, int item = -1);
  void ChangeText(Control& edit, std::string text);
  void MoveFocus(int id);
  void SetRowSelected(Control& list, int row, bool selected);
  void FocusFirstTabStop();
  void MarkClosed() { closed_ = true; }

  TestDialogPlatform& platform_;
  CDialog& dialog_;
  const DialogTemplate* template_;
  std::vector<Control> controls_;
  std::string caption_;
  int icon_ = 0;
  std::vector<SystemMenuItem> system_menu_;
  int focus_ = 0;
  std::optional<DialogResult> result_;
  bool closed_ = false;
};

class TestDialogPlatform final : public DialogPlatform {
 public:
  using Script = std::function<void(TestWindow&)>;
  using MessageHandler = std::function<void(const ShownMessage&)>;

  // The user's part of every later run of template `template_id`, replacing an earlier one.
  void OnRun(int template_id, Script script);
  // Called while each message box or help request is open, after it has been recorded.
  void OnMessage(MessageHandler handler) { on_message_ = std::move(handler); }

  DialogResult RunModal(CDialog& dialog) override;
  void ShowMessage(std::string_view text) override;
  void ShowError(std::string_view text) override;
  void ShowHelp() override;

  const std::vector<ShownMessage>& messages() const { return messages_; }
  void ClearMessages() { messages_.clear(); }
  // The texts of the boxes shown with `icon`, in order.
  std::vector<std::string> MessageTexts(MessageIcon icon) const;
  // Templates of the modal runs, in the order they started.
  const std::vector<int>& runs() const { return runs_; }
  // The innermost open window, or nullptr.
  TestWindow* active_window() const { return open_.empty() ? nullptr : open_.back(); }
  // The window of the latest run of `template_id` (still readable after it closed), or
  // nullptr when there was none.
  const TestWindow* LastWindow(int template_id) const;

 private:
  void Record(MessageIcon icon, std::string_view text);

  std::map<int, Script> scripts_;
  MessageHandler on_message_;
  std::vector<ShownMessage> messages_;
  std::vector<int> runs_;
  std::vector<TestWindow*> open_;
  std::vector<std::unique_ptr<TestWindow>> windows_;
};

}  // namespace quillbay
