#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "resources/dialog_templates.h"
#include "ui/dialog.h"
#include "ui/dialog_platform.h"

namespace quillbay {

// An in-memory dialog platform for window-logic tests: no display, no toolkit. It keeps the
// contract the Win32 back end sets (the contract test runs it beside the real back ends).
//
// RunModal builds a TestWindow from the template, calls OnInitDialog, puts the focus on the
// first tab stop unless the dialog chose one, and runs the script registered for the
// template with OnRun. The script plays the user and must end the window. A missing script,
// an unknown control or a window left open throws TestPlatformError.
class TestDialogPlatform;

class TestPlatformError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

enum class MessageIcon { kExclamation, kStop, kHelp };

struct ShownMessage {
  MessageIcon icon;
  std::string text;
  friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};

enum class Key { kTab, kShiftTab, kEnter, kEscape };

inline constexpr int kSysCommandClose = 0xF060;

class TestWindow final : public DialogWindow {
 public:
  TestWindow(CDialog& dialog, const DialogTemplate& tmpl);

  // DialogWindow.
  void Enable(int id, bool enabled) override { Find(id).enabled = enabled; }
  void SetFocus(int id) override;
  std::string GetText(int id) const override { return Find(id).text; }
  void SetText(int id, std::string_view text) override;
  int GetCheck(int id) const override { return Find(id).check; }
  void SetCheck(int id, int state) override;
  void AddColumn(int id, int column, std::string_view heading, int width_px) override;
  int InsertRow(int id, int position, std::string_view text) override;
  void SetCell(int id, int row, int column, std::string_view text) override;
  std::string GetCell(int id, int row, int column) const override;
  int RowCount(int id) const override { return static_cast<int>(Find(id).rows.size()); }
  int FirstSelectedRow(int id) const override;
  int SelectedCount(int id) const override { return Find(id).selected; }
  void DeleteRow(int id, int row) override;
  void SetCaption(std::string_view caption) override { caption_ = caption; }
  void SetIcon(int icon_id) override { icon_ = icon_id; }
  bool HasSystemMenu() const override { return (template_.style & ws::kSysMenu) != 0; }
  void AppendSystemMenuSeparator() override { system_menu_.push_back({0, ""}); }
  void AppendSystemMenuItem(int command, std::string_view text) override {
    system_menu_.push_back({command, std::string(text)});
  }
  void EndDialog(DialogResult result) override { result_ = static_cast<int>(result); }

  // The user. Actions on a disabled control do nothing and return false.
  bool Type(int id, std::string_view text);  // key by key at the end, each one a change
  bool Click(int id);
  // Makes `rows` the selection: rows leaving it first, in order, then the new ones.
  bool Select(int id, const std::vector<int>& rows);
  void Press(Key key);
  bool ChooseSystemCommand(int command);  // whether the dialog handled it

  // What the user sees.
  bool enabled(int id) const { return Find(id).enabled; }
  int focus() const { return focus_; }
  const std::string& caption() const { return caption_; }
  int icon() const { return icon_; }
  const std::vector<std::pair<int, std::string>>& system_menu() const { return system_menu_; }
  std::vector<std::vector<std::string>> Rows(int id) const;
  bool ended() const { return result_ != 0; }
  DialogResult result() const { return static_cast<DialogResult>(result_); }

 private:
  struct Row {
    std::array<std::string, 2> cells;  // every list of the templates has two columns
    bool selected = false;
  };
  struct Control {
    const ControlTemplate* tmpl = nullptr;
    bool enabled = true;
    bool tab_stop = false;
    std::string text;
    int check = 0;
    int selected = 0;  // kept, so that no query walks the rows
    std::vector<Row> rows;
  };

  Control& Find(int id);
  const Control& Find(int id) const;
  void Notify(int id, ControlEvent event, int item = -1) { dialog_.Dispatch(id, event, item); }
  void MoveFocus(int id);
  void SelectRow(Control& list, int row, bool selected);

  CDialog& dialog_;
  const DialogTemplate& template_;
  std::vector<Control> controls_;
  std::string caption_;
  int icon_ = 0;
  std::vector<std::pair<int, std::string>> system_menu_;
  int focus_ = 0;
  int result_ = 0;
};

class TestDialogPlatform final : public DialogPlatform {
 public:
  using Script = std::function<void(TestWindow&)>;

  void OnRun(int template_id, Script script) { scripts_[template_id] = std::move(script); }

  DialogResult RunModal(CDialog& dialog) override;
  void ShowMessage(std::string_view text) override { Record(MessageIcon::kExclamation, text); }
  void ShowError(std::string_view text) override { Record(MessageIcon::kStop, text); }
  void ShowHelp() override;

  const std::vector<ShownMessage>& messages() const { return messages_; }
  void ClearMessages() { messages_.clear(); }
  std::vector<std::string> MessageTexts(MessageIcon icon) const;
  const std::vector<int>& runs() const { return runs_; }  // templates, in order

 private:
  void Record(MessageIcon icon, std::string_view text) {
    messages_.push_back({icon, std::string(text)});
  }

  std::map<int, Script> scripts_;
  std::vector<ShownMessage> messages_;
  std::vector<int> runs_;
};

}  // namespace quillbay
