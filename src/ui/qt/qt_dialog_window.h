#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QTimer>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "resources/dialog_templates.h"
#include "ui/dialog_platform.h"
#include "ui/qt/qt_look.h"

class QFileSystemWatcher;
class QPushButton;
class QScrollArea;

namespace quillbay {

class QtDialogPlatform;

// One open dialog: a fixed-size QDialog whose controls are built from the dialog's template
// and turned into the platform's control events.
class QtDialogWindow final : public QDialog, public DialogWindow {
 public:
  // Window-menu command of the Close item, as the classic system menu numbers it.
  static constexpr int kCloseCommand = 0xF060;

  QtDialogWindow(QtDialogPlatform& platform, CDialog& dialog, const DialogTemplate& layout,
                 QWidget* parent);
  ~QtDialogWindow() override;

  // Runs OnInitDialog, then the modal loop unless the dialog already ended.
  DialogResult Run();

  // The widget of control `id` (the first one with that identifier), nullptr when none.
  QWidget* Control(int id) const;
  // What stands in for the title-bar menu: Close, then the items the dialog appended, each
  // with its command number as its data.
  QMenu& SystemMenu() { return system_menu_; }
  // Dialog units to pixels for this window's font.
  QRect MapDialogRect(int x, int y, int cx, int cy) const;

  // DialogWindow.
  void Enable(int id, bool enabled) override;
  void SetFocus(int id) override;
  std::string GetText(int id) const override;
  void SetText(int id, std::string_view text) override;
  int GetCheck(int id) const override;
  void SetCheck(int id, int state) override;
  void AddColumn(int id, int column, std::string_view heading, int width_px) override;
  void FitColumn(int id, int column, std::span<const std::string> texts) override;
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
  void WatchFile(const std::string& path) override;
  void EndDialog(DialogResult result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;

 private:
  struct ControlEntry {
    int id;
    ControlKind kind;
    std::uint32_t style;
    QWidget* widget;
  };

  void BuildControls(const DialogTemplate& layout);
  // Turns the widget's signals into the control's events.
  void Connect(const ControlEntry& control);
  const ControlEntry* Find(int id) const;
  // Runs `handler`, a call into the dialog. A change of the watched file heard meanwhile, in a
  // message box's loop, is answered once the outermost handler has returned.
  template <typename Handler>
  void Handle(Handler&& handler);
  void Notify(int id, ControlEvent event, int item = -1);
  void WidenControl(QWidget& control, int extra);
  void WatchAgain();
  void FileChanged(bool file_itself);
  void FileSettled();
  void ButtonClicked(int id);
  void MoveInGroup(std::size_t index, bool forward);
  void SystemCommand(int command);
  void ShowSystemMenu(const QPoint& global_pos);
  void ShowSystemMenuAtFocus();

  QtDialogPlatform& platform_;
  CDialog* dialog_;  // null once the window is closed
  const DialogTemplate& layout_;
  std::vector<ControlEntry> controls_;
  QPushButton* default_button_ = nullptr;
  QWidget* page_ = new QWidget(this);      // holds the controls at their template places
  QScrollArea* scroll_ = nullptr;          // around the page when it is taller than the screen
  QMenu system_menu_{this};                // a child, so the popup knows its window
  DialogUnits units_;                      // of the window's font
  QFileSystemWatcher* watcher_ = nullptr;  // the watched file and its folder
  QString watched_path_;
  QString file_stamp_;          // the watched file's size and times at the last change heard
  QTimer settle_;               // runs from a change until changes settle
  QElapsedTimer first_change_;  // since the first change not yet answered
  int handlers_running_ = 0;
  bool refresh_due_ = false;
  bool running_ = false;
  bool ended_ = false;
  bool focus_set_ = false;
  bool deleting_row_ = false;
  DialogResult result_ = DialogResult::kCancel;
};

}  // namespace quillbay
