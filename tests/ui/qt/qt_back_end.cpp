// The contract's user on the Qt back end, on the offscreen platform: keys and clicks are
// Qt Test's, selections go through the list's selection model as a click with Ctrl does.
#include <QApplication>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "tests/ui/contract/dialog_contract.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_dialog_window.h"

namespace quillbay::contract {
namespace {

class QtUser final : public User {
 public:
  explicit QtUser(QtDialogWindow& window) : window_(window) {}
  void Press(UserKey key) override {
    static const Qt::Key kKeys[] = {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Return, Qt::Key_Escape};
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : &window_, kKeys[static_cast<int>(key)],
                    key == UserKey::kShiftTab ? Qt::ShiftModifier : Qt::NoModifier);
  }
  void Click(int id) override { QTest::mouseClick(window_.Control(id), Qt::LeftButton); }
  void Select(int id, const std::vector<int>& rows) override {
    auto* list = qobject_cast<QTreeWidget*>(window_.Control(id));
    list->setFocus(Qt::MouseFocusReason);
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      if (std::find(rows.begin(), rows.end(), row) == rows.end()) {
        list->topLevelItem(row)->setSelected(false);
      }
    }
    for (int row : rows) list->topLevelItem(row)->setSelected(true);
  }
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
