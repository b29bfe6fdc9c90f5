#include "ui/qt/qt_dialog_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>
#include <utility>

#include "ui/dialog.h"
#include "ui/qt/qt_dialog_controls.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_resources.h"

namespace quillbay {
namespace {

// Where a list's heading keeps the width its column was added with.
constexpr int kAddedWidthRole = Qt::UserRole;

// A change of the watched file is answered once no other change has come for this long, and
// at the latest this long after the first change, however many follow it.
constexpr int kSettleMs = 200;
constexpr int kLongestWaitMs = 800;

// What tells one version of a file from the next, as far as a look at its folder can.
QString FileStamp(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return {};
  return QStringLiteral("%1 %2 %3")
      .arg(info.size())
      .arg(info.lastModified().toMSecsSinceEpoch())
      .arg(info.metadataChangeTime().toMSecsSinceEpoch());
}

// The folder of `path`, or the nearest one above it that exists: there the folder will appear.
QString NearestFolder(const QString& path) {
  QString folder = QFileInfo(path).absolutePath();
  while (!QFileInfo(folder).isDir() && QFileInfo(folder).path() != folder) {
    folder = QFileInfo(folder).path();
  }
  return folder;
}

}  // namespace

QtDialogWindow::QtDialogWindow(QtDialogPlatform& platform, CDialog& dialog,
                               const DialogTemplate& layout, QWidget* parent)
    : QDialog(parent), platform_(platform), dialog_(&dialog), layout_(layout) {
  setWindowFlags((layout.style & ws::kSysMenu) != 0
                     ? kTitleBarFlags
                     : Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(ToQString(layout.caption));
  setObjectName(QString::number(layout.id));
  setSizeGripEnabled(false);

  // The desktop's general font at its own size, as message boxes and menus have it; the
  // template's dialog units follow it.
  setFont(QApplication::font());
  // The window and its title bar must fit the screen's free area: the layout tightens as far
  // as its texts allow, and what is still too tall scrolls.
  const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
  const int title_bar = std::max(40, 2 * QFontMetrics(font()).lineSpacing() + 8);
  const int room = screen != nullptr ? screen->availableGeometry().height() - title_bar : 0;
  units_ = DialogUnits::For(layout, font(), *style(), room);
  const QSize size = MapDialogRect(0, 0, layout.cx, layout.cy).size();
  page_->setFixedSize(size);
  auto* frame = new QVBoxLayout(this);
  frame->setContentsMargins(0, 0, 0, 0);
  if (room > 0 && size.height() > room) {
    scroll_ = new QScrollArea(this);
    scroll_->setFrameStyle(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus);  // Tab goes from control to control only
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidget(page_);
    frame->addWidget(scroll_);
    setFixedSize(size.width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent), room);
    // Whatever takes the focus is scrolled into view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
      if (now != nullptr && page_->isAncestorOf(now)) scroll_->ensureWidgetVisible(now);
    });
  } else {
    frame->addWidget(page_);
    setFixedSize(size);
  }

  QAction* close_item = system_menu_.addAction(QStringLiteral("&Close"));
  close_item->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
  connect(close_item, &QAction::triggered, this, [this] { SystemCommand(kCloseCommand); });

  // Alt+Space as on Windows, although most window managers take it for their own menu.
  // Shift+F10 and the Menu key, the desktop's keys for a context menu, open the window menu
  // from any control: see eventFilter.
  auto* menu_key = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  connect(menu_key, &QShortcut::activated, this, [this] { ShowSystemMenu(mapToGlobal(QPoint())); });
  auto* help_key = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help_key, &QShortcut::activated, this, [this] { platform_.ShowHelp(); });
  // F5 reads the window's data again, whichever control has the focus.
  auto* refresh_key = new QShortcut(QKeySequence(Qt::Key_F5), this);
  connect(refresh_key, &QShortcut::activated, this, [this] {
    if (dialog_ != nullptr) Handle([this] { dialog_->Refresh(); });
  });
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, &QtDialogWindow::FileSettled);

  BuildControls(layout);
}

QtDialogWindow::~QtDialogWindow() {
  // Focus changes while the controls go away must not reach the dialog.
  dialog_ = nullptr;
}

QRect QtDialogWindow::MapDialogRect(int x, int y, int cx, int cy) const {
  return units_.Map(x, y, cx, cy);
}

void QtDialogWindow::BuildControls(const DialogTemplate& layout) {
  std::vector<QWidget*> widgets;
  for (const ControlTemplate& control : layout.controls) {
    QWidget* widget = BuildControl(control, units_, page_);
    controls_.push_back({control.id, control.kind, control.style, widget});
    Connect(controls_.back());
    // Lists tell when Delete is pressed in them; radio buttons take the arrow keys; every
    // control the keys for a context menu.
    widget->installEventFilter(this);
    widgets.push_back(widget);
  }
  ArrangeControls(layout, widgets);
}

void QtDialogWindow::Connect(const ControlEntry& control) {
  const int id = control.id;
  QWidget* widget = control.widget;
  if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
    connect(edit, &QPlainTextEdit::textChanged, this,
            [this, id] { Notify(id, ControlEvent::kTextChanged); });
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    connect(line, &QLineEdit::textChanged, this,
            [this, id] { Notify(id, ControlEvent::kTextChanged); });
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    if (button->isDefault()) default_button_ = button;
    connect(button, &QPushButton::clicked, this, [this, id] { ButtonClicked(id); });
  } else if (auto* box = qobject_cast<QAbstractButton*>(widget)) {
    connect(box, &QAbstractButton::clicked, this,
            [this, id] { Notify(id, ControlEvent::kClicked); });
  } else if (auto* list = qobject_cast<QTreeWidget*>(widget)) {
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, id](const QItemSelection& selected, const QItemSelection& deselected) {
              // Rows leaving the list are announced as deleted, not as changed.
              if (deleting_row_) return;
              std::set<int> rows;
              for (const QItemSelection* part : {&deselected, &selected}) {
                for (const QItemSelectionRange& range : *part) {
                  for (int row = range.top(); row <= range.bottom(); ++row) rows.insert(row);
                }
              }
              for (int row : rows) Notify(id, ControlEvent::kItemChanged, row);
            });
  }
}

DialogResult QtDialogWindow::Run() {
  dialog_->Initialize(*this);
  if (!focus_set_) {
    // As after WM_INITDIALOG: the focus starts on the first tab stop.
    for (const ControlEntry& control : controls_) {
      if ((control.style & cs::kTabStop) != 0 && control.widget->isEnabled()) {
        control.widget->setFocus(Qt::TabFocusReason);
        break;
      }
    }
  }
  if (!ended_) {
    running_ = true;
    if (platform_.shown_hook()) {
      QTimer::singleShot(0, this, [this] {
        if (running_ && !ended_) platform_.shown_hook()(*this);
      });
    }
    exec();
    running_ = false;
  }
  CDialog* dialog = dialog_;
  dialog_ = nullptr;
  if (dialog != nullptr) dialog->Closed();
  return result_;
}

QWidget* QtDialogWindow::Control(int id) const {
  const ControlEntry* control = Find(id);
  return control != nullptr ? control->widget : nullptr;
}

const QtDialogWindow::ControlEntry* QtDialogWindow::Find(int id) const {
  if (id == idc::kStatic) return nullptr;
  for (const ControlEntry& control : controls_) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

template <typename Handler>
void QtDialogWindow::Handle(Handler&& handler) {
  ++handlers_running_;
  handler();
  if (--handlers_running_ == 0 && std::exchange(refresh_due_, false)) settle_.start(0);
}

void QtDialogWindow::Notify(int id, ControlEvent event, int item) {
  if (dialog_ != nullptr) Handle([&] { dialog_->Dispatch(id, event, item); });
}

void QtDialogWindow::ButtonClicked(int id) {
  Notify(id, ControlEvent::kClicked);
}

void QtDialogWindow::SystemCommand(int command) {
  if (dialog_ == nullptr) return;
  bool handled = false;
  Handle([&] { handled = dialog_->DispatchSystemCommand(command); });
  if (!handled && (command & 0xFFF0) == kCloseCommand) close();
}

void QtDialogWindow::ShowSystemMenuAtFocus() {
  const QWidget* focus = focusWidget();
  ShowSystemMenu(focus != nullptr ? focus->mapToGlobal(QPoint(0, focus->height()))
                                  : mapToGlobal(QPoint()));
}

void QtDialogWindow::ShowSystemMenu(const QPoint& global_pos) {
  if (HasSystemMenu()) system_menu_.exec(global_pos);
}

// --- DialogWindow ------------------------------------------------------------------------

void QtDialogWindow::Enable(int id, bool enabled) {
  if (QWidget* widget = Control(id)) widget->setEnabled(enabled);
}

void QtDialogWindow::SetFocus(int id) {
  if (QWidget* widget = Control(id)) {
    widget->setFocus(Qt::OtherFocusReason);
    focus_set_ = true;
  }
}

std::string QtDialogWindow::GetText(int id) const {
  const QWidget* widget = Control(id);
  if (widget == nullptr) return {};
  if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) return ToStdString(edit->text());
  if (const auto* edit = qobject_cast<const QPlainTextEdit*>(widget)) {
    // Multi-line edit boxes hand out their lines joined by CR LF.
    QString text = edit->toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return ToStdString(text);
  }
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    return ToStdString(button->text());
  }
  if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
    return ToStdString(group->title());
  }
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return ToStdString(label->text());
  return {};
}

void QtDialogWindow::SetText(int id, std::string_view text) {
  QWidget* widget = Control(id);
  if (widget == nullptr) return;
  QString value = ToQString(text);
  // Setting an edit box's text always notifies, as WM_SETTEXT does, also when the text stays
  // the same; the notification is sent here, once, whatever the widget does with signals.
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    {
      const QSignalBlocker blocker(edit);
      edit->setText(value);
    }
    Notify(id, ControlEvent::kTextChanged);
  } else if (auto* multi_line = qobject_cast<QPlainTextEdit*>(widget)) {
    value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    {
      const QSignalBlocker blocker(multi_line);
      multi_line->setPlainText(value);
    }
    Notify(id, ControlEvent::kTextChanged);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(value);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(value);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(value);
  }
}

int QtDialogWindow::GetCheck(int id) const {
  const auto* button = qobject_cast<const QAbstractButton*>(Control(id));
  return button != nullptr && button->isChecked() ? 1 : 0;
}

void QtDialogWindow::SetCheck(int id, int state) {
  auto* button = qobject_cast<QAbstractButton*>(Control(id));
  if (button == nullptr) return;
  // Setting the state touches this button only, as BM_SETCHECK does; only a click is
  // exclusive.
  const bool exclusive = button->autoExclusive();
  button->setAutoExclusive(false);
  button->setChecked(state == 1);
  button->setAutoExclusive(exclusive);
}

void QtDialogWindow::AddColumn(int id, int column, std::string_view heading, int width_px) {
  auto* list = qobject_cast<QTreeWidget*>(Control(id));
  if (list == nullptr || column < 0) return;
  if (column >= list->columnCount()) list->setColumnCount(column + 1);
  list->headerItem()->setText(column, ToQString(heading));
  list->headerItem()->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
  // Widths are the template font's pixels: they grow with the dialog unit, and are never less
  // than the same pixels at the screen's dpi.
  const int width = std::max(units_.ScalePixels(width_px), width_px * list->logicalDpiX() / 96);
  list->headerItem()->setData(column, kAddedWidthRole, width);
  list->header()->resizeSection(column, width);
  NameByHeadingsUnlessLabelled(*list);
}

void QtDialogWindow::FitColumn(int id, int column, std::span<const std::string> texts) {
  auto* list = qobject_cast<QTreeWidget*>(Control(id));
  if (list == nullptr || column < 0 || column >= list->columnCount()) return;
  int widest = 0;
  for (const std::string& text : texts) {
    widest = std::max(widest, list->fontMetrics().horizontalAdvance(ToQString(text)));
  }
  const int needed = widest + CellPadding(*list);
  QHeaderView& header = *list->header();
  const int grown = needed - header.sectionSize(column);
  if (grown <= 0) return;
  header.resizeSection(column, needed);
  if (column + 1 < list->columnCount()) {
    const int next = header.sectionSize(column + 1);
    const int added = list->headerItem()->data(column + 1, kAddedWidthRole).toInt();
    header.resizeSection(column + 1, std::max(next - grown, std::min(next, added)));
  }
  // Room for the columns beside the frame and a vertical scroll bar, which shows once the rows
  // fill the list: while the columns fit, no horizontal one does.
  const int room = list->width() - 2 * list->frameWidth() -
                   list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
  if (header.length() > room) WidenControl(*list, header.length() - room);
}

void QtDialogWindow::WidenControl(QWidget& control, int extra) {
  // What stands to the right of the control moves along, and the window widens with it.
  const int right = control.geometry().right();
  for (const ControlEntry& entry : controls_) {
    QWidget& widget = *entry.widget;
    if (widget.parentWidget() == page_ && widget.x() > right)
      widget.move(widget.x() + extra, widget.y());
  }
  control.resize(control.width() + extra, control.height());
  page_->setFixedWidth(page_->width() + extra);
  setFixedWidth(width() + extra);
}

int QtDialogWindow::InsertRow(int id, int position, std::string_view text) {
  auto* list = qobject_cast<QTreeWidget*>(Control(id));
  if (list == nullptr) return -1;
  const int row = std::clamp(position, 0, list->topLevelItemCount());
  list->insertTopLevelItem(row, NewReportRow(ToQString(text)));
  Notify(id, ControlEvent::kItemInserted, row);
  return row;
}

void QtDialogWindow::SetCell(int id, int row, int column, std::string_view text) {
  auto* list = qobject_cast<QTreeWidget*>(Control(id));
  if (list == nullptr || column < 0) return;
  QTreeWidgetItem* item = list->topLevelItem(row);
  const QString value = ToQString(text);
  if (item == nullptr || item->text(column) == value) return;
  item->setText(column, value);
  // Not announced: the common-controls list sends no change for a cell's text.
}

std::string QtDialogWindow::GetCell(int id, int row, int column) const {
  const auto* list = qobject_cast<const QTreeWidget*>(Control(id));
  if (list == nullptr || column < 0) return {};
  const QTreeWidgetItem* item = list->topLevelItem(row);
  return item != nullptr ? ToStdString(item->text(column)) : std::string();
}

int QtDialogWindow::RowCount(int id) const {
  const auto* list = qobject_cast<const QTreeWidget*>(Control(id));
  return list != nullptr ? list->topLevelItemCount() : 0;
}

// Both selection queries work on the selection's ranges, never on the rows, so a handler
// that asks them on every notification keeps a fill linear.
int QtDialogWindow::FirstSelectedRow(int id) const {
  const auto* list = qobject_cast<const QTreeWidget*>(Control(id));
  if (list == nullptr) return -1;
  int first = -1;
  for (const QItemSelectionRange& range : list->selectionModel()->selection()) {
    if (first < 0 || range.top() < first) first = range.top();
  }
  return first;
}

int QtDialogWindow::SelectedCount(int id) const {
  const auto* list = qobject_cast<const QTreeWidget*>(Control(id));
  if (list == nullptr) return 0;
  int count = 0;
  for (const QItemSelectionRange& range : list->selectionModel()->selection()) {
    count += range.height();
  }
  return count;
}

void QtDialogWindow::DeleteRow(int id, int row) {
  auto* list = qobject_cast<QTreeWidget*>(Control(id));
  if (list == nullptr || row < 0 || row >= list->topLevelItemCount()) return;
  // As the common-controls list does: a selected row is deselected first, which is announced
  // as a change; the deletion is announced while the row still counts.
  if (list->topLevelItem(row)->isSelected()) list->topLevelItem(row)->setSelected(false);
  if (row >= list->topLevelItemCount()) return;
  Notify(id, ControlEvent::kItemDeleted, row);
  if (row >= list->topLevelItemCount()) return;
  deleting_row_ = true;
  delete list->takeTopLevelItem(row);
  deleting_row_ = false;
}

void QtDialogWindow::SetCaption(std::string_view caption) {
  setWindowTitle(ToQString(caption));
}

void QtDialogWindow::SetIcon(int icon_id) {
  setWindowIcon(LoadIconResource(icon_id));
}

bool QtDialogWindow::HasSystemMenu() const {
  return (layout_.style & ws::kSysMenu) != 0;
}

void QtDialogWindow::AppendSystemMenuSeparator() {
  system_menu_.addSeparator();
}

void QtDialogWindow::AppendSystemMenuItem(int command, std::string_view text) {
  QAction* item = system_menu_.addAction(ToQString(text));
  item->setData(command);
  connect(item, &QAction::triggered, this, [this, command] { SystemCommand(command); });
}

void QtDialogWindow::WatchFile(const std::string& path) {
  watched_path_ = QFileInfo(ToQString(path)).absoluteFilePath();
  file_stamp_ = FileStamp(watched_path_);
  if (watcher_ == nullptr) {
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { FileChanged(true); });
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { FileChanged(false); });
  }
  WatchAgain();
}

void QtDialogWindow::WatchAgain() {
  // The folder, which sees the file made, replaced by a rename or removed; the folder of the
  // file a link in its place points to; and the file itself, which sees it written in place.
  QStringList wanted{NearestFolder(watched_path_)};
  const QString target = QFileInfo(watched_path_).canonicalFilePath();
  if (!target.isEmpty()) wanted << QFileInfo(target).absolutePath();
  if (QFileInfo::exists(watched_path_)) wanted << watched_path_;
  wanted.removeDuplicates();
  QStringList gone;
  for (const QString& path : watcher_->files() + watcher_->directories()) {
    if (!wanted.removeOne(path)) gone << path;
  }
  if (!gone.isEmpty()) watcher_->removePaths(gone);
  if (!wanted.isEmpty()) watcher_->addPaths(wanted);
}

void QtDialogWindow::FileChanged(bool file_itself) {
  // A file replaced by a rename drops out of the watch, and a new one is not in it yet.
  WatchAgain();
  // The folder changes with each of its files; only a change of this one counts.
  const QString stamp = FileStamp(watched_path_);
  if (!file_itself && stamp == file_stamp_) return;
  file_stamp_ = stamp;
  if (!settle_.isActive()) first_change_.start();
  if (!settle_.isActive() || first_change_.elapsed() < kLongestWaitMs - kSettleMs) {
    settle_.start(kSettleMs);
  }
}

void QtDialogWindow::FileSettled() {
  if (dialog_ == nullptr || ended_) return;
  if (handlers_running_ > 0) {
    refresh_due_ = true;
    return;
  }
  Handle([this] { dialog_->Refresh(); });
}

void QtDialogWindow::EndDialog(DialogResult result) {
  result_ = result;
  ended_ = true;
  // done() hides the window and leaves exec() once control is back in its event loop.
  if (running_) done(static_cast<int>(result));
}

// --- Qt events -----------------------------------------------------------------------------

void QtDialogWindow::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (modifiers == Qt::NoModifier) {
    switch (event->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        // The focused push button, otherwise the default button, otherwise OK.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
          button->click();
        } else if (default_button_ != nullptr) {
          default_button_->click();
        } else {
          ButtonClicked(idc::kOk);
        }
        return;
      case Qt::Key_Escape:
        ButtonClicked(idc::kCancel);
        return;
      default:
        break;
    }
  }
  QDialog::keyPressEvent(event);
}

void QtDialogWindow::closeEvent(QCloseEvent* event) {
  if (ended_ || dialog_ == nullptr) {
    event->accept();
    return;
  }
  // The close box is the Cancel command; the dialog decides whether the window ends.
  event->ignore();
  ButtonClicked(idc::kCancel);
}

void QtDialogWindow::reject() {
  ButtonClicked(idc::kCancel);
}

void QtDialogWindow::contextMenuEvent(QContextMenuEvent* event) {
  // Only the window's background offers the window menu; labels and frames are part of it.
  const QWidget* under = childAt(event->pos());
  if (under == nullptr || under == page_ || (scroll_ != nullptr && under == scroll_->viewport()) ||
      qobject_cast<const QLabel*>(under) != nullptr ||
      qobject_cast<const QGroupBox*>(under) != nullptr) {
    ShowSystemMenu(event->globalPos());
  }
}

void QtDialogWindow::MoveInGroup(std::size_t index, bool forward) {
  // As the dialog manager does: the next enabled control of the group, round its end; a
  // radio button not yet checked is clicked.
  const std::span<const ControlTemplate> group = GroupOf(layout_, index);
  const std::size_t first = static_cast<std::size_t>(&group.front() - layout_.controls.data());
  const std::size_t size = group.size();
  for (std::size_t i = 1; i < size; ++i) {
    const std::size_t at = first + (index - first + (forward ? i : size - i)) % size;
    auto* widget = controls_[at].widget;
    if (!widget->isEnabled() || !widget->isVisible() || controls_[at].id == idc::kStatic) continue;
    widget->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    auto* radio = qobject_cast<QRadioButton*>(widget);
    if (radio != nullptr && !radio->isChecked()) radio->click();
    return;
  }
}

bool QtDialogWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ContextMenu &&
      static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
    ShowSystemMenuAtFocus();
    return true;
  }
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F10 &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier) {
      ShowSystemMenuAtFocus();
      return true;
    }
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    for (std::size_t i = 0; plain && i < controls_.size(); ++i) {
      if (controls_[i].widget != watched) continue;
      if (controls_[i].kind == ControlKind::kReportList && key->key() == Qt::Key_Delete) {
        Notify(controls_[i].id, ControlEvent::kDeleteKey);
        return true;
      }
      if (controls_[i].kind == ControlKind::kRadioButton &&
          (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Left ||
           key->key() == Qt::Key_Right)) {
        MoveInGroup(i, key->key() == Qt::Key_Down || key->key() == Qt::Key_Right);
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace quillbay
