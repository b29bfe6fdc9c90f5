#pragma once

#include <array>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resources/dialog_templates.h"
#include "tests/ui/contract/dialog_contract.h"
#include "ui/dialog.h"
#include "ui/dialog_platform.h"

namespace quillbay {

// An in-memory dialog platform for window-logic tests, keeping the contract that the Win32
// back end sets (the contract test runs it beside the real back ends). RunModal builds a
// TestWindow from the template, calls OnInitDialog, gives the focus to the first tab stop
// unless the dialog chose one, and runs the template's script, which plays the user and
// must end the window. A missing script or control throws std::logic_error.
using Key = contract::UserKey;
class TestDialogPlatform;
inline constexpr int kSysCommandClose = 0xF060;

// The window, and the user at it as the contract test drives every back end's.
class TestWindow final : public DialogWindow, public contract::User {
 public:
  TestWindow(TestDialogPlatform& platform, CDialog& dialog, const DialogTemplate& tmpl);

  void Enable(int id, bool enabled) override { Find(id).enabled = enabled; }
  void SetFocus(int id) override { MoveFocus(Find(id).tmpl->id); }
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

  // The user. Actions on a disabled control do nothing.
  void Click(int id) override;
  void Select(int id, const std::vector<int>& rows) override;  // rows leaving it go first
  void Press(Key key) override;
  int Focus() override { return focus_; }
  void ChooseLastSystemMenuItem() override { ChooseSystemCommand(system_menu_.back().first); }
  std::vector<std::string> TakeBoxes() override;
  bool ChooseSystemCommand(int command);  // whether the dialog handled it

  // What the user sees.
  bool enabled(int id) const { return Find(id).enabled; }
  const std::string& caption() const { return caption_; }
  int icon() const { return icon_; }
  const std::vector<std::pair<int, std::string>>& system_menu() const { return system_menu_; }
  std::vector<std::vector<std::string>> Rows(int id) const;
  bool ended() const { return result_ != 0; }
  DialogResult result() const { return static_cast<DialogResult>(result_); }
  // A message box takes the focus while it is open, and gives it back without a notice.
  void LoseFocusToBox() {
    const int focus = focus_;
    MoveFocus(0);
    focus_ = focus;
  }

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

  Control& Find(int id) { return const_cast<Control&>(std::as_const(*this).Find(id)); }
  const Control& Find(int id) const;
  void Notify(int id, ControlEvent event, int item = -1) { dialog_.Dispatch(id, event, item); }
  void MoveFocus(int id);
  void SelectRow(Control& list, int row, bool selected);

  TestDialogPlatform& platform_;
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
  void ShowMessage(std::string_view text) override { Box("!", text); }
  void ShowError(std::string_view text) override { Box("x", text); }
  void ShowHelp() override { messages_.push_back("help"); }

  // The boxes shown since the last call, each as its icon ("!", "x", "help") and text.
  std::vector<std::string> TakeMessages() { return std::exchange(messages_, {}); }
  const std::vector<int>& runs() const { return runs_; }  // templates, in order

 private:
  void Box(const char* icon, std::string_view text);

  std::map<int, Script> scripts_;
  std::vector<std::string> messages_;
  std::vector<int> runs_;
  std::vector<TestWindow*> open_;
};

}  // namespace quillbay
