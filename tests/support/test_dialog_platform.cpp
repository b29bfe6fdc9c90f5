#include "tests/support/test_dialog_platform.h"

#include <algorithm>
#include <utility>

namespace quillbay {

TestWindow::TestWindow(TestDialogPlatform& platform, CDialog& dialog, const DialogTemplate& tmpl)
    : platform_(platform), dialog_(dialog), template_(tmpl), caption_(tmpl.caption) {
  for (const ControlTemplate& c : tmpl.controls) {
    Control control;
    control.tmpl = &c;
    control.tab_stop = (c.style & cs::kTabStop) != 0;
    if (c.kind != ControlKind::kEdit) control.text = c.text;
    controls_.push_back(std::move(control));
  }
}

const TestWindow::Control& TestWindow::Find(int id) const {
  for (const Control& c : controls_) {
    if (c.tmpl->id == id && id != idc::kStatic) return c;
  }
  throw std::logic_error("template " + std::to_string(template_.id) + " has no control " +
                         std::to_string(id));
}

void TestWindow::MoveFocus(int id) {
  if (focus_ == id) return;
  const int old = focus_;
  focus_ = id;
  const ControlKind kind = old != 0 ? Find(old).tmpl->kind : ControlKind::kLabel;
  if (kind == ControlKind::kEdit || kind == ControlKind::kReportList) {
    Notify(old, ControlEvent::kKillFocus);
  }
}

void TestWindow::SetText(int id, std::string_view text) {
  Control& c = Find(id);
  c.text = text;
  if (c.tmpl->kind == ControlKind::kEdit) Notify(id, ControlEvent::kTextChanged);
}

void TestWindow::SetCheck(int id, int state) {
  Control& c = Find(id);
  c.check = state;
  // The dialog manager makes a checked radio button a tab stop, and an unchecked one none.
  if (c.tmpl->kind == ControlKind::kRadioButton) c.tab_stop = state == 1;
}

void TestWindow::AddColumn(int id, int column, std::string_view /*heading*/, int /*width*/) {
  if (column < 0 || column > 1) throw std::logic_error("list " + std::to_string(id));
}

int TestWindow::InsertRow(int id, int position, std::string_view text) {
  Control& list = Find(id);
  const int at = std::clamp(position, 0, RowCount(id));
  list.rows.insert(list.rows.begin() + at, Row{{std::string(text), {}}});
  Notify(id, ControlEvent::kItemInserted, at);
  return at;
}

void TestWindow::SetCell(int id, int row, int column, std::string_view text) {
  Find(id).rows.at(static_cast<std::size_t>(row)).cells.at(static_cast<std::size_t>(column)) = text;
}

std::string TestWindow::GetCell(int id, int row, int column) const {
  return Find(id).rows.at(static_cast<std::size_t>(row)).cells.at(static_cast<std::size_t>(column));
}

int TestWindow::FirstSelectedRow(int id) const {
  const Control& list = Find(id);
  if (list.selected == 0) return -1;
  return static_cast<int>(std::ranges::find(list.rows, true, &Row::selected) - list.rows.begin());
}

void TestWindow::SelectRow(Control& list, int row, bool selected) {
  bool& state = list.rows.at(static_cast<std::size_t>(row)).selected;
  if (state == selected) return;
  state = selected;
  list.selected += selected ? 1 : -1;
  Notify(list.tmpl->id, ControlEvent::kItemChanged, row);
}

void TestWindow::DeleteRow(int id, int row) {
  // A selected row is deselected first; the deletion is announced while the row counts.
  SelectRow(Find(id), row, false);
  Notify(id, ControlEvent::kItemDeleted, row);
  Control& list = Find(id);
  list.rows.erase(list.rows.begin() + row);
}

void TestWindow::Click(int id) {
  Control& c = Find(id);
  if (!c.enabled) return;
  MoveFocus(id);
  // Each radio button is a group of its own: a click checks it and nothing else.
  if (c.tmpl->kind == ControlKind::kRadioButton) SetCheck(id, 1);
  if (c.tmpl->kind == ControlKind::kCheckBox) c.check = 1 - c.check;
  Notify(id, ControlEvent::kClicked);
}

void TestWindow::Select(int id, const std::vector<int>& rows) {
  if (!Find(id).enabled) return;
  MoveFocus(id);
  for (int row = 0; row < RowCount(id); ++row) {
    if (std::ranges::find(rows, row) == rows.end()) SelectRow(Find(id), row, false);
  }
  for (int row : rows) SelectRow(Find(id), row, true);
}

void TestWindow::Press(Key key) {
  if (key == Key::kF1) return platform_.ShowHelp();
  if (key == Key::kEscape) return Notify(idc::kCancel, ControlEvent::kClicked);
  if (key == Key::kEnter) {
    // The focused push button, otherwise the OK command.
    const bool on_button = focus_ != 0 && Find(focus_).tmpl->kind == ControlKind::kPushButton;
    return Notify(on_button ? focus_ : idc::kOk, ControlEvent::kClicked);
  }
  const int n = static_cast<int>(controls_.size());
  const int step = key == Key::kTab ? 1 : n - 1;
  int at = 0;
  while (at < n && controls_[static_cast<std::size_t>(at)].tmpl->id != focus_) ++at;
  if (at == n) at = key == Key::kTab ? n - 1 : 0;  // no focus yet: from the first or last
  for (int i = 1; i <= n; ++i) {
    const Control& c = controls_[static_cast<std::size_t>((at + i * step) % n)];
    if (c.tab_stop && c.enabled) return MoveFocus(c.tmpl->id);
  }
}

bool TestWindow::ChooseSystemCommand(int command) {
  if (dialog_.DispatchSystemCommand(command)) return true;
  if ((command & 0xFFF0) == kSysCommandClose) Notify(idc::kCancel, ControlEvent::kClicked);
  return false;
}

std::vector<std::string> TestWindow::TakeBoxes() {
  return platform_.TakeMessages();
}

std::vector<std::vector<std::string>> TestWindow::Rows(int id) const {
  std::vector<std::vector<std::string>> out;
  for (const Row& row : Find(id).rows) out.push_back({row.cells.begin(), row.cells.end()});
  return out;
}

DialogResult TestDialogPlatform::RunModal(CDialog& dialog) {
  const DialogTemplate* tmpl = FindDialogTemplate(dialog.template_id());
  const auto script = scripts_.find(dialog.template_id());
  if (tmpl == nullptr || script == scripts_.end()) {
    throw std::logic_error("no script for template " + std::to_string(dialog.template_id()));
  }
  runs_.push_back(tmpl->id);
  TestWindow window(*this, dialog, *tmpl);
  open_.push_back(&window);
  dialog.Initialize(window);
  if (window.Focus() == 0) window.Press(Key::kTab);
  const Script run = script->second;  // a copy: the script may register others
  if (!window.ended()) run(window);
  dialog.Closed();
  open_.pop_back();
  if (!window.ended()) throw std::logic_error("the script left the window open");
  return window.result();
}

void TestDialogPlatform::Box(const char* icon, std::string_view text) {
  if (!open_.empty()) open_.back()->LoseFocusToBox();
  std::string box = icon;
  messages_.push_back(box.append(" ").append(text));
}

}  // namespace quillbay
