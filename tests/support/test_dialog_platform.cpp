#include "tests/support/test_dialog_platform.h"

#include <algorithm>
#include <utility>

#include "resources/string_table.h"

namespace quillbay {
namespace {

std::string Describe(int id) {
  return "control " + std::to_string(id);
}

bool IsNotifying(ControlKind kind) {
  return kind == ControlKind::kEdit || kind == ControlKind::kReportList;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TestWindow

TestWindow::TestWindow(TestDialogPlatform& platform, CDialog& dialog, const DialogTemplate& tmpl)
    : platform_(platform), dialog_(dialog), template_(&tmpl), caption_(tmpl.caption) {
  std::size_t index = 0;
  for (const ControlTemplate& c : tmpl.controls) {
    Control control;
    control.tmpl = &c;
    control.index = index++;
    if (c.kind != ControlKind::kEdit && c.kind != ControlKind::kReportList) control.text = c.text;
    controls_.push_back(std::move(control));
  }
  if (tmpl.style & ws::kSysMenu) {
    system_menu_.push_back({kSysCommandMove, "&Move", false});
    system_menu_.push_back({0, "", true});
    system_menu_.push_back({kSysCommandClose, "&Close", false});
  }
}

TestWindow::Control& TestWindow::Find(int id) {
  return const_cast<Control&>(std::as_const(*this).Find(id));
}

const TestWindow::Control& TestWindow::Find(int id) const {
  if (id == idc::kStatic) {
    throw TestPlatformError("template " + std::to_string(template_->id) +
                            ": static controls (-1) cannot be addressed");
  }
  for (const Control& c : controls_) {
    if (c.tmpl->id == id) return c;
  }
  throw TestPlatformError("template " + std::to_string(template_->id) + " has no " + Describe(id));
}

TestWindow::Control& TestWindow::FindKind(int id, ControlKind kind) {
  return const_cast<Control&>(std::as_const(*this).FindKind(id, kind));
}

const TestWindow::Control& TestWindow::FindKind(int id, ControlKind kind) const {
  const Control& c = Find(id);
  const bool fits = c.tmpl->kind == kind ||
                    (kind == ControlKind::kCheckBox && c.tmpl->kind == ControlKind::kRadioButton);
  if (!fits) {
    throw TestPlatformError("template " + std::to_string(template_->id) + ": " + Describe(id) +
                            " is not of the kind this operation needs");
  }
  return c;
}

TestWindow::Row& TestWindow::FindRow(Control& list, int row) {
  return const_cast<Row&>(std::as_const(*this).FindRow(list, row));
}

const TestWindow::Row& TestWindow::FindRow(const Control& list, int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= list.rows.size()) {
    throw TestPlatformError(Describe(list.tmpl->id) + " has no row " + std::to_string(row));
  }
  return list.rows[static_cast<std::size_t>(row)];
}

void TestWindow::RequireOpen() const {
  if (closed_) {
    throw TestPlatformError("template " + std::to_string(template_->id) + ": the window is closed");
  }
}

void TestWindow::RequireUser() const {
  RequireOpen();
  if (result_) {
    throw TestPlatformError("template " + std::to_string(template_->id) +
                            ": the window has ended; the user cannot reach it any more");
  }
}

void TestWindow::Notify(int id, ControlEvent event, int item) {
  dialog_.Dispatch(id, event, item);
}

void TestWindow::ChangeText(Control& edit, std::string text) {
  edit.text = std::move(text);
  Notify(edit.tmpl->id, ControlEvent::kTextChanged);
}

void TestWindow::MoveFocus(int id) {
  if (focus_ == id) return;
  const int old = focus_;
  focus_ = id;
  if (old != 0 && IsNotifying(Find(old).tmpl->kind)) Notify(old, ControlEvent::kKillFocus);
}

void TestWindow::SetRowSelected(Control& list, int row, bool selected) {
  Row& r = FindRow(list, row);
  if (r.selected == selected) return;
  r.selected = selected;
  Notify(list.tmpl->id, ControlEvent::kItemChanged, row);
}

void TestWindow::FocusFirstTabStop() {
  for (const Control& c : controls_) {
    if ((c.tmpl->style & cs::kTabStop) && c.enabled) {
      focus_ = c.tmpl->id;
      return;
    }
  }
}

void TestWindow::Enable(int id, bool enabled) {
  RequireOpen();
  Find(id).enabled = enabled;
}

bool TestWindow::IsEnabled(int id) const {
  return Find(id).enabled;
}

void TestWindow::SetFocus(int id) {
  RequireOpen();
  Find(id);
  MoveFocus(id);
}

std::string TestWindow::GetText(int id) const {
  const Control& c = Find(id);
  if (c.tmpl->kind == ControlKind::kReportList || c.tmpl->kind == ControlKind::kPicture) {
    throw TestPlatformError(Describe(id) + " has no text");
  }
  return c.text;
}

void TestWindow::SetText(int id, std::string_view text) {
  RequireOpen();
  Control& c = Find(id);
  if (c.tmpl->kind == ControlKind::kReportList || c.tmpl->kind == ControlKind::kPicture) {
    throw TestPlatformError(Describe(id) + " has no text");
  }
  if (c.tmpl->kind == ControlKind::kEdit) {
    ChangeText(c, std::string(text));
  } else {
    c.text = text;
  }
}

int TestWindow::GetCheck(int id) const {
  return FindKind(id, ControlKind::kCheckBox).check;
}

void TestWindow::SetCheck(int id, int state) {
  RequireOpen();
  if (state != 0 && state != 1) throw TestPlatformError("check state must be 0 or 1");
  FindKind(id, ControlKind::kCheckBox).check = state;
}

void TestWindow::AddColumn(int id, int column, std::string_view heading, int width_px) {
  RequireOpen();
  Control& list = FindKind(id, ControlKind::kReportList);
  if (column < 0) throw TestPlatformError("negative column index");
  const auto at = std::min(static_cast<std::size_t>(column), list.columns.size());
  list.columns.insert(list.columns.begin() + static_cast<std::ptrdiff_t>(at),
                      Column{std::string(heading), width_px});
  for (Row& r : list.rows) {
    r.cells.insert(r.cells.begin() + static_cast<std::ptrdiff_t>(at), std::string());
  }
}

int TestWindow::InsertRow(int id, int position, std::string_view text) {
  RequireOpen();
  Control& list = FindKind(id, ControlKind::kReportList);
  if (list.columns.empty()) throw TestPlatformError(Describe(id) + ": a row before any column");
  if (position < 0) throw TestPlatformError(Describe(id) + ": negative row position");
  const auto at = std::min(static_cast<std::size_t>(position), list.rows.size());
  Row row;
  row.cells.resize(list.columns.size());
  row.cells[0] = text;
  list.rows.insert(list.rows.begin() + static_cast<std::ptrdiff_t>(at), std::move(row));
  const int index = static_cast<int>(at);
  Notify(id, ControlEvent::kItemInserted, index);
  return index;
}

void TestWindow::SetCell(int id, int row, int column, std::string_view text) {
  RequireOpen();
  Control& list = FindKind(id, ControlKind::kReportList);
  Row& r = FindRow(list, row);
  if (column < 0 || static_cast<std::size_t>(column) >= r.cells.size()) {
    throw TestPlatformError(Describe(id) + " has no column " + std::to_string(column));
  }
  if (r.cells[static_cast<std::size_t>(column)] == text) return;
  r.cells[static_cast<std::size_t>(column)] = text;
  Notify(id, ControlEvent::kItemChanged, row);
}

std::string TestWindow::GetCell(int id, int row, int column) const {
  const Control& list = FindKind(id, ControlKind::kReportList);
  const Row& r = FindRow(list, row);
  if (column < 0 || static_cast<std::size_t>(column) >= r.cells.size()) {
    throw TestPlatformError(Describe(id) + " has no column " + std::to_string(column));
  }
  return r.cells[static_cast<std::size_t>(column)];
}

int TestWindow::RowCount(int id) const {
  return static_cast<int>(FindKind(id, ControlKind::kReportList).rows.size());
}

int TestWindow::FirstSelectedRow(int id) const {
  const Control& list = FindKind(id, ControlKind::kReportList);
  for (std::size_t i = 0; i < list.rows.size(); ++i) {
    if (list.rows[i].selected) return static_cast<int>(i);
  }
  return -1;
}

int TestWindow::SelectedCount(int id) const {
  const Control& list = FindKind(id, ControlKind::kReportList);
  return static_cast<int>(
      std::ranges::count_if(list.rows, [](const Row& r) { return r.selected; }));
}

void TestWindow::DeleteRow(int id, int row) {
  RequireOpen();
  Control& list = FindKind(id, ControlKind::kReportList);
  FindRow(list, row);
  Notify(id, ControlEvent::kItemDeleted, row);
  // The handler may have changed the list; look the row up again.
  Control& again = FindKind(id, ControlKind::kReportList);
  FindRow(again, row);
  again.rows.erase(again.rows.begin() + row);
}

void TestWindow::SetCaption(std::string_view caption) {
  RequireOpen();
  caption_ = caption;
}

void TestWindow::SetIcon(int icon_id) {
  RequireOpen();
  icon_ = icon_id;
}

bool TestWindow::HasSystemMenu() const {
  return (template_->style & ws::kSysMenu) != 0;
}

void TestWindow::AppendSystemMenuSeparator() {
  RequireOpen();
  if (!HasSystemMenu()) throw TestPlatformError("the window has no system menu");
  system_menu_.push_back({0, "", true});
}

void TestWindow::AppendSystemMenuItem(int command, std::string_view text) {
  RequireOpen();
  if (!HasSystemMenu()) throw TestPlatformError("the window has no system menu");
  system_menu_.push_back({command, std::string(text), false});
}

void TestWindow::EndDialog(DialogResult result) {
  RequireOpen();
  result_ = result;  // the last call before the handler returns decides, as in a real run
}

// --- The user ---

bool TestWindow::Focus(int id) {
  RequireUser();
  if (!Find(id).enabled) return false;
  MoveFocus(id);
  return true;
}

bool TestWindow::Type(int id, std::string_view text, std::optional<std::size_t> position) {
  RequireUser();
  Control& edit = FindKind(id, ControlKind::kEdit);
  if (!edit.enabled) return false;
  MoveFocus(id);
  if (edit.tmpl->style & cs::kReadOnly) return true;
  std::size_t at = std::min(position.value_or(edit.text.size()), edit.text.size());
  for (char ch : text) {
    // A handler may have rewritten the text; the caret stays where it can.
    Control& box = FindKind(id, ControlKind::kEdit);
    at = std::min(at, box.text.size());
    std::string next = box.text;
    next.insert(at, 1, ch);
    ++at;
    ChangeText(box, std::move(next));
  }
  return true;
}

bool TestWindow::Paste(int id, std::string_view text, std::optional<std::size_t> position) {
  RequireUser();
  Control& edit = FindKind(id, ControlKind::kEdit);
  if (!edit.enabled) return false;
  MoveFocus(id);
  if ((edit.tmpl->style & cs::kReadOnly) || text.empty()) return true;
  const std::size_t at = std::min(position.value_or(edit.text.size()), edit.text.size());
  std::string next = edit.text;
  next.insert(at, text);
  ChangeText(edit, std::move(next));
  return true;
}

bool TestWindow::Clear(int id) {
  RequireUser();
  Control& edit = FindKind(id, ControlKind::kEdit);
  if (!edit.enabled) return false;
  MoveFocus(id);
  if ((edit.tmpl->style & cs::kReadOnly) || edit.text.empty()) return true;
  ChangeText(edit, std::string());
  return true;
}

bool TestWindow::Click(int id) {
  RequireUser();
  Control& c = Find(id);
  const ControlKind kind = c.tmpl->kind;
  if (kind != ControlKind::kPushButton && kind != ControlKind::kCheckBox &&
      kind != ControlKind::kRadioButton) {
    throw TestPlatformError(Describe(id) + " cannot be clicked");
  }
  if (!c.enabled) return false;
  MoveFocus(id);
  if (kind == ControlKind::kPushButton && id == idc::kOk) {
    dialog_.DispatchOk();
    return true;
  }
  if (kind == ControlKind::kPushButton && id == idc::kCancel) {
    dialog_.DispatchCancel();
    return true;
  }
  if (kind == ControlKind::kCheckBox) {
    Find(id).check = Find(id).check == 1 ? 0 : 1;
  } else if (kind == ControlKind::kRadioButton) {
    // An automatic radio button checks itself and clears the others of its group: the run
    // of controls from the last one starting a group up to the next one starting a group.
    const std::size_t index = Find(id).index;
    std::size_t first = index;
    while (first > 0 && !(controls_[first].tmpl->style & cs::kGroup)) --first;
    std::size_t end = index + 1;
    while (end < controls_.size() && !(controls_[end].tmpl->style & cs::kGroup)) ++end;
    for (std::size_t i = first; i < end; ++i) {
      if (controls_[i].tmpl->kind == ControlKind::kRadioButton) controls_[i].check = 0;
    }
    Find(id).check = 1;
  }
  Notify(id, ControlEvent::kClicked);
  return true;
}

bool TestWindow::SelectRows(int id, const std::vector<int>& rows) {
  RequireUser();
  Control& list = FindKind(id, ControlKind::kReportList);
  if (!list.enabled) return false;
  if ((list.tmpl->style & cs::kSingleSel) && rows.size() > 1) {
    throw TestPlatformError(Describe(id) + " allows one selected row only");
  }
  for (int row : rows) FindRow(list, row);
  MoveFocus(id);
  // Rows leaving the selection go first, as a click on another row does.
  const int count = RowCount(id);
  for (int row = 0; row < count && row < RowCount(id); ++row) {
    if (std::ranges::find(rows, row) == rows.end()) {
      SetRowSelected(FindKind(id, ControlKind::kReportList), row, false);
    }
  }
  for (int row : rows) {
    if (row < RowCount(id)) SetRowSelected(FindKind(id, ControlKind::kReportList), row, true);
  }
  return true;
}

bool TestWindow::ToggleRow(int id, int row) {
  RequireUser();
  Control& list = FindKind(id, ControlKind::kReportList);
  if (!list.enabled) return false;
  const bool selected = FindRow(list, row).selected;
  if (!selected && (list.tmpl->style & cs::kSingleSel)) return SelectRows(id, {row});
  MoveFocus(id);
  SetRowSelected(FindKind(id, ControlKind::kReportList), row, !selected);
  return true;
}

void TestWindow::PressEnter() {
  RequireUser();
  if (focus_ != 0) {
    const Control& c = Find(focus_);
    if (c.tmpl->kind == ControlKind::kPushButton && c.enabled) {
      Click(focus_);
      return;
    }
  }
  dialog_.DispatchOk();
}

void TestWindow::PressEscape() {
  RequireUser();
  dialog_.DispatchCancel();
}

void TestWindow::PressF1() {
  RequireUser();
  platform_.ShowHelp();
}

bool TestWindow::ChooseSystemCommand(int command) {
  RequireUser();
  // The system uses the low four bits of a command itself; they arrive set at times.
  const bool listed = std::ranges::any_of(system_menu_, [&](const SystemMenuItem& item) {
    return !item.separator && item.command == (command & 0xFFF0);
  });
  if (!listed) {
    throw TestPlatformError("the system menu has no command " + std::to_string(command));
  }
  if (dialog_.DispatchSystemCommand(command)) return true;
  // The default handling: only Close does anything a test can see.
  if ((command & 0xFFF0) == kSysCommandClose) dialog_.DispatchCancel();
  return false;
}

std::vector<std::string> TestWindow::ColumnHeadings(int id) const {
  std::vector<std::string> out;
  for (const Column& c : FindKind(id, ControlKind::kReportList).columns) out.push_back(c.heading);
  return out;
}

std::vector<int> TestWindow::ColumnWidths(int id) const {
  std::vector<int> out;
  for (const Column& c : FindKind(id, ControlKind::kReportList).columns) out.push_back(c.width);
  return out;
}

std::vector<int> TestWindow::SelectedRows(int id) const {
  const Control& list = FindKind(id, ControlKind::kReportList);
  std::vector<int> out;
  for (std::size_t i = 0; i < list.rows.size(); ++i) {
    if (list.rows[i].selected) out.push_back(static_cast<int>(i));
  }
  return out;
}

std::vector<std::vector<std::string>> TestWindow::Rows(int id) const {
  std::vector<std::vector<std::string>> out;
  for (const Row& r : FindKind(id, ControlKind::kReportList).rows) out.push_back(r.cells);
  return out;
}

// ---------------------------------------------------------------------------------------
// TestDialogPlatform

void TestDialogPlatform::OnRun(int template_id, Script script) {
  scripts_[template_id] = std::move(script);
}

DialogResult TestDialogPlatform::RunModal(CDialog& dialog) {
  const DialogTemplate* tmpl = FindDialogTemplate(dialog.template_id());
  if (!tmpl) {
    throw TestPlatformError("no dialog template " + std::to_string(dialog.template_id()));
  }
  const auto script = scripts_.find(tmpl->id);
  if (script == scripts_.end()) {
    throw TestPlatformError("no script for template " + std::to_string(tmpl->id));
  }
  runs_.push_back(tmpl->id);
  windows_.push_back(std::make_unique<TestWindow>(*this, dialog, *tmpl));
  TestWindow& window = *windows_.back();
  open_.push_back(&window);

  // Whatever way the run ends, the window is gone afterwards.
  struct CloseOnExit {
    TestDialogPlatform& platform;
    TestWindow& window;
    CDialog& dialog;
    ~CloseOnExit() {
      window.MarkClosed();
      dialog.Closed();
      platform.open_.pop_back();
    }
  } close_on_exit{*this, window, dialog};

  dialog.Initialize(window);
  if (!window.ended()) {
    // A focus the dialog chose while opening stands; otherwise the first tab stop gets it.
    if (window.focus() == 0) window.FocusFirstTabStop();
    // Copied: the script may register scripts of its own.
    const Script run = script->second;
    run(window);
  }
  if (!window.ended()) {
    throw TestPlatformError("the script of template " + std::to_string(tmpl->id) +
                            " returned with the window still open");
  }
  return *window.result();
}

void TestDialogPlatform::Record(MessageIcon icon, std::string_view text) {
  const TestWindow* owner = active_window();
  messages_.push_back({icon, std::string(text), owner ? owner->template_id() : 0});
  if (on_message_) {
    const ShownMessage shown = messages_.back();
    on_message_(shown);
  }
}

void TestDialogPlatform::ShowMessage(std::string_view text) {
  Record(MessageIcon::kExclamation, text);
}

void TestDialogPlatform::ShowError(std::string_view text) {
  Record(MessageIcon::kStop, text);
}

void TestDialogPlatform::ShowHelp() {
  Record(MessageIcon::kHelp, StringResource(str::kHelpText));
}

std::vector<std::string> TestDialogPlatform::MessageTexts(MessageIcon icon) const {
  std::vector<std::string> out;
  for (const ShownMessage& m : messages_) {
    if (m.icon == icon) out.push_back(m.text);
  }
  return out;
}

const TestWindow* TestDialogPlatform::LastWindow(int template_id) const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if ((*it)->template_id() == template_id) return it->get();
  }
  return nullptr;
}

}  // namespace quillbay
