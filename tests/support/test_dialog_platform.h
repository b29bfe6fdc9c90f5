#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "resources/dialog_templates.h"
#include "tests/ui/contract/dialog_contract.h"

namespace quillbay {

// An in-memory dialog platform keeping the Win32 back end's contract. RunModal focuses the
// first tab stop unless OnInitDialog chose one, then runs the template's script, which plays
// the user at the window and must end it. Actions on a disabled control do nothing.
using Key = contract::UserKey;

class TestWindow final : public DialogWindow, public contract::User {
 public:
  TestWindow(std::vector<std::string>& boxes, CDialog& dialog, const DialogTemplate& tmpl)
      : boxes_(boxes), dialog_(dialog), template_(tmpl), caption_(tmpl.caption) {
    for (const ControlTemplate& c : tmpl.controls) {
      const std::string_view text = c.kind == ControlKind::kEdit ? "" : c.text;
      controls_.push_back({&c, true, (c.style & cs::kTabStop) != 0, std::string(text), 0, 0, {}});
    }
  }

  void Enable(int id, bool enabled) override { Find(id).enabled = enabled; }
  void SetFocus(int id) override { focus_ = Find(id).tmpl->id; }
  std::string GetText(int id) const override { return Find(id).text; }
  void SetText(int id, std::string_view text) override {
    Find(id).text = text;
    if (Find(id).tmpl->kind == ControlKind::kEdit) Notify(id, ControlEvent::kTextChanged);
  }
  int GetCheck(int id) const override { return Find(id).check; }
  void SetCheck(int id, int state) override {
    Find(id).check = state;
    // The dialog manager makes a checked radio button a tab stop, and an unchecked one none.
    if (Find(id).tmpl->kind == ControlKind::kRadioButton) Find(id).tab_stop = state == 1;
  }
  void AddColumn(int, int, std::string_view, int) override {}
  void FitColumn(int, int, std::span<const std::string>) override {}
  int InsertRow(int id, int position, std::string_view text) override {
    const int at = std::clamp(position, 0, RowCount(id));
    Find(id).rows.insert(Find(id).rows.begin() + at, Row{{std::string(text), {}}});
    Notify(id, ControlEvent::kItemInserted, at);
    return at;
  }
  void SetCell(int id, int row, int column, std::string_view text) override {
    Cell(id, row, column) = text;
  }
  std::string GetCell(int id, int row, int column) const override { return Cell(id, row, column); }
  int RowCount(int id) const override { return static_cast<int>(Find(id).rows.size()); }
  int FirstSelectedRow(int id) const override {
    const std::vector<Row>& rows = Find(id).rows;
    if (Find(id).selected == 0) return -1;
    return static_cast<int>(std::ranges::find(rows, true, &Row::selected) - rows.begin());
  }
  int SelectedCount(int id) const override { return Find(id).selected; }
  void DeleteRow(int id, int row) override {
    // A selected row is deselected first; the deletion is announced while the row counts.
    SelectRow(id, row, false);
    Notify(id, ControlEvent::kItemDeleted, row);
    Find(id).rows.erase(Find(id).rows.begin() + row);
  }
  void SetCaption(std::string_view caption) override { caption_ = caption; }
  void SetIcon(int) override {}
  bool HasSystemMenu() const override { return (template_.style & ws::kSysMenu) != 0; }
  void AppendSystemMenuSeparator() override { system_menu_.push_back({0, ""}); }
  void AppendSystemMenuItem(int command, std::string_view text) override {
    system_menu_.push_back({command, std::string(text)});
  }
  void WatchFile(const std::string& path) override { watched_ = path; }
  void EndDialog(DialogResult result) override { result_ = static_cast<int>(result); }

  void Click(int id) override {
    Control& c = Find(id);
    if (!c.enabled) return;
    focus_ = id;
    // A radio button checks itself and unchecks the others of its group.
    if (c.tmpl->kind == ControlKind::kRadioButton) {
      for (const ControlTemplate& other : GroupOf(template_, Index(id)))
        if (other.kind == ControlKind::kRadioButton) SetCheck(other.id, other.id == id ? 1 : 0);
    }
    if (c.tmpl->kind == ControlKind::kCheckBox) c.check = 1 - c.check;
    Notify(id, ControlEvent::kClicked);
  }
  void Select(int id, const std::vector<int>& rows) override {  // rows leaving it go first
    if (!Find(id).enabled) return;
    focus_ = id;
    for (int row = 0; row < RowCount(id); ++row)
      if (std::ranges::find(rows, row) == rows.end()) SelectRow(id, row, false);
    for (int row : rows) SelectRow(id, row, true);
  }
  void Press(Key key) override;
  int Focus() override { return focus_; }
  void ChooseLastSystemMenuItem() override { ChooseSystemCommand(system_menu_.back().first); }
  std::vector<std::string> TakeBoxes() override { return std::exchange(boxes_, {}); }
  bool ChooseSystemCommand(int command) { return dialog_.DispatchSystemCommand(command); }

  bool enabled(int id) const { return Find(id).enabled; }
  const std::string& caption() const { return caption_; }
  const std::vector<std::pair<int, std::string>>& system_menu() const { return system_menu_; }
  std::vector<std::vector<std::string>> Rows(int id) const {
    std::vector<std::vector<std::string>> out;
    for (const Row& row : Find(id).rows) out.push_back({row.cells.begin(), row.cells.end()});
    return out;
  }
  const std::string& watched() const { return watched_; }
  void FileChanged() { dialog_.Refresh(); }  // what the watcher and F5 do
  bool ended() const { return result_ != 0; }
  DialogResult result() const { return static_cast<DialogResult>(result_); }

 private:
  struct Row {
    std::array<std::string, 2> cells;  // every list of the templates has two columns
    bool selected = false;
  };
  struct Control {
    const ControlTemplate* tmpl;
    bool enabled, tab_stop;
    std::string text;
    int check = 0, selected = 0;  // the selected rows, kept so that no query walks the rows
    std::vector<Row> rows;
  };

  std::size_t Index(int id) const { return static_cast<std::size_t>(&Find(id) - &controls_[0]); }
  Control& Find(int id) const {
    const auto c = std::ranges::find(controls_, id, [](const Control& x) { return x.tmpl->id; });
    if (c == controls_.end() || id == idc::kStatic) throw std::logic_error(std::to_string(id));
    return *c;
  }
  Row& RowOf(int id, int row) const { return Find(id).rows.at(static_cast<std::size_t>(row)); }
  std::string& Cell(int id, int row, int column) const {
    return RowOf(id, row).cells.at(static_cast<std::size_t>(column));
  }
  void Notify(int id, ControlEvent event, int item = -1) { dialog_.Dispatch(id, event, item); }
  void SelectRow(int id, int row, bool selected) {
    bool& state = RowOf(id, row).selected;
    if (state == selected) return;
    state = selected;
    Find(id).selected += selected ? 1 : -1;
    Notify(id, ControlEvent::kItemChanged, row);
  }

  std::vector<std::string>& boxes_;  // the platform's
  CDialog& dialog_;
  const DialogTemplate& template_;
  mutable std::vector<Control> controls_;
  std::string caption_;
  std::string watched_;
  std::vector<std::pair<int, std::string>> system_menu_;
  int focus_ = 0;
  int result_ = 0;
};

class TestDialogPlatform final : public DialogPlatform {
 public:
  using Script = std::function<void(TestWindow&)>;
  void OnRun(int template_id, Script script) { scripts_[template_id] = std::move(script); }

  DialogResult RunModal(CDialog& dialog) override;
  void ShowMessage(std::string_view text) override { messages_.emplace_back("! ").append(text); }
  void ShowError(std::string_view text) override { messages_.emplace_back("x ").append(text); }
  void ShowHelp() override { messages_.push_back("help"); }

  // The boxes shown since the last call, each as its icon ("!", "x", "help") and text.
  std::vector<std::string> TakeMessages() { return std::exchange(messages_, {}); }
  const std::vector<int>& runs() const { return runs_; }  // templates, in order

 private:
  std::map<int, Script> scripts_;
  std::vector<std::string> messages_;
  std::vector<int> runs_;
};

}  // namespace quillbay
