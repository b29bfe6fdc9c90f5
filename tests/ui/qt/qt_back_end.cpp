// The contract's user on the Qt back end, on the offscreen platform: keys and clicks are
// Qt Test's, selections go through the list's selection model as a click with Ctrl does.
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "tests/ui/contract/dialog_contract.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_dialog_window.h"
#include "ui/qt/qt_resources.h"

namespace quillbay::contract {
namespace {

std::vector<std::string> boxes;

// Runs in each box's own modal loop: notes the box and presses its OK button.
void CloseMessageBoxes() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr) return;
  if (QApplication::activeWindow() != box) {  // as a desktop does, the box is activated first
    QApplication::setActiveWindow(box);
    return;
  }
  std::string seen = box->icon() == QMessageBox::Information ? "help"
                     : box->icon() == QMessageBox::Critical  ? "x " + box->text().toStdString()
                                                             : "! " + box->text().toStdString();
  if (box->windowTitle() != ApplicationTitle()) seen += " in " + box->windowTitle().toStdString();
  boxes.push_back(seen);
  box->button(QMessageBox::Ok)->click();
  // The desktop gives the activation back to the window the box belonged to.
  QApplication::setActiveWindow(box->parentWidget());
}

class QtUser final : public User {
 public:
  explicit QtUser(QtDialogWindow& window) : window_(window) {}
  void Press(UserKey key) override {
    static const Qt::Key kKeys[] = {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Return, Qt::Key_Escape,
                                    Qt::Key_F1,  Qt::Key_Up,      Qt::Key_Down,   Qt::Key_Delete};
    QApplication::setActiveWindow(&window_);  // the user types into the window in front
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : &window_, kKeys[static_cast<int>(key)],
                    key == UserKey::kShiftTab ? Qt::ShiftModifier : Qt::NoModifier);
  }
  void Click(int id) override { QTest::mouseClick(window_.Control(id), Qt::LeftButton); }
  void Select(int id, const std::vector<int>& rows) override {
    auto* list = qobject_cast<QTreeWidget*>(window_.Control(id));
    list->setFocus(Qt::MouseFocusReason);
    for (int row = 0; row < list->topLevelItemCount(); ++row)
      if (std::ranges::find(rows, row) == rows.end()) list->topLevelItem(row)->setSelected(false);
    // Neighbouring rows as one range, as a click with Shift makes them.
    for (std::size_t i = 0, end = 0; i < rows.size(); i = end) {
      for (end = i + 1; end < rows.size() && rows[end] == rows[end - 1] + 1;) ++end;
      const QModelIndex top = list->model()->index(rows[i], 0);
      const QModelIndex bottom = list->model()->index(rows[end - 1], 0);
      list->selectionModel()->select(QItemSelection(top, bottom),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  void ChooseLastSystemMenuItem() override { window_.SystemMenu().actions().back()->trigger(); }
  std::vector<std::string> TakeBoxes() override { return std::exchange(boxes, {}); }
  int Focus() override {
    const QWidget* focus = QApplication::focusWidget();
    return focus != nullptr ? focus->objectName().mid(8).toInt() : 0;  // "control_<id>"
  }

 private:
  QtDialogWindow& window_;
};

}  // namespace

DialogPlatform& BackEndPlatform() {
  static QtDialogPlatform platform;
  static QTimer closer;
  if (!closer.isActive()) {
    QObject::connect(&closer, &QTimer::timeout, &CloseMessageBoxes);
    closer.start(5);
  }
  return platform;
}

void RunOnBackEnd(CDialog& dialog, const Script& script) {
  auto& platform = static_cast<QtDialogPlatform&>(BackEndPlatform());
  platform.SetShownHook([&](QtDialogWindow& window) {
    QApplication::setActiveWindow(&window);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    QtUser user(window);
    script(user);
    window.EndDialog(DialogResult::kCancel);
  });
  dialog.DoModal();
  platform.SetShownHook(nullptr);
}

}  // namespace quillbay::contract

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
