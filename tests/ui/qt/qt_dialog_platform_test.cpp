// The Qt back end keeps the dialog platform's rules, driven the way a user drives it on the
// offscreen platform. What the windows do with the notifications is tested on the in-memory
// platform; these check that the real toolkit delivers them as that platform does.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <string>
#include <vector>

#include "qt_test_support.h"
#include "resources/dialog_templates.h"
#include "resources/string_table.h"
#include "ui/dialog.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_dialog_window.h"

namespace quillbay {
namespace {

struct Event {
  int id;
  ControlEvent event;
  int item;
  int rows_then;          // the list's row count when the event arrived
  std::string text_then;  // an edit box's text when it announced a change

  bool operator==(const Event&) const = default;
};

// Records what arrives; runs the test's set-up; takes ';' out of edit boxes as the main
// window's separator filter does, from inside the change notification.
class ScriptedDialog final : public CDialog {
 public:
  ScriptedDialog(DialogPlatform& platform, int template_id) : CDialog(platform, template_id) {}

  std::function<void(DialogWindow&)> on_init;
  std::vector<Event> events;
  std::vector<std::string> commands;
  std::string deleted_text;  // the cell of the last deleted row, read in the notification

  std::vector<Event> EventsOf(ControlEvent kind) const {
    std::vector<Event> found;
    for (const Event& e : events) {
      if (e.event == kind) found.push_back(e);
    }
    return found;
  }

 protected:
  void OnInitDialog() override {
    if (on_init) on_init(window());
  }
  void OnEvent(int id, ControlEvent event, int item) override {
    const bool list = event == ControlEvent::kItemChanged || event == ControlEvent::kItemInserted ||
                      event == ControlEvent::kItemDeleted;
    const bool text = event == ControlEvent::kTextChanged;
    events.push_back({id, event, item, list ? window().RowCount(id) : -1,
                      text ? window().GetText(id) : std::string()});
    if (event == ControlEvent::kItemDeleted) deleted_text = window().GetCell(id, item, 0);
    if (!text) return;
    std::string filtered = window().GetText(id);
    if (std::erase(filtered, ';') > 0) window().SetText(id, filtered);
  }
  void OnOK() override {
    commands.push_back("ok");
    CDialog::OnOK();
  }
  void OnCancel() override {
    commands.push_back("cancel");
    CDialog::OnCancel();
  }
  bool OnSystemMenuCommand(int command) override {
    commands.push_back("system " + std::to_string(command));
    return command == kAboutCommand;
  }
};

std::vector<std::pair<int, std::string>> TextChanges(const ScriptedDialog& dialog) {
  std::vector<std::pair<int, std::string>> changes;
  for (const Event& e : dialog.EventsOf(ControlEvent::kTextChanged)) {
    changes.emplace_back(e.id, e.text_then);
  }
  return changes;
}

}  // namespace

class QtDialogPlatformTest : public QObject {
  Q_OBJECT

 private slots:
  // Every SetText on an edit box notifies, also with the same text; labels do not. A text
  // written back from inside the notification notifies again.
  void SettingTextNotifies() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kLinkPage);
    dialog.on_init = [](DialogWindow& w) {
      w.SetText(idc::kLinkName, "abc");
      w.SetText(idc::kLinkName, "abc");
      w.SetText(idc::kLinkNameLabel, "NAME:");
      w.SetText(idc::kUrl, "x;y");
    };
    RunDriven(platform, dialog, {{dlg::kLinkPage, [&](QtDialogWindow& window) {
                                    window.SetText(idc::kTitle, "");
                                    QTest::keyClicks(window.Control(idc::kTitle), "a;");
                                  }}});
    QCOMPARE(TextChanges(dialog), (std::vector<std::pair<int, std::string>>{
                                      {idc::kLinkName, "abc"},
                                      {idc::kLinkName, "abc"},
                                      {idc::kUrl, "x;y"},
                                      {idc::kUrl, "xy"},
                                      {idc::kTitle, ""},
                                      {idc::kTitle, "a"},
                                      {idc::kTitle, "a;"},
                                      {idc::kTitle, "a"},
                                  }));
  }

  // Inserted rows are announced once they are in the list, deleted rows while they still are,
  // readable from the handler. Selection changes are announced row by row.
  void ListNotifications() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kMain);
    dialog.on_init = [](DialogWindow& w) {
      w.AddColumn(idc::kBarList, 0, "GUID", 240);
      w.InsertRow(idc::kBarList, 7, "first");  // past the end appends
      w.InsertRow(idc::kBarList, 0, "second");
      w.InsertRow(idc::kBarList, 2, "third");
    };
    std::vector<int> selection;
    RunDriven(platform, dialog, {{dlg::kMain, [&](QtDialogWindow& window) {
                                    auto* list = ControlOf<QTreeWidget>(window, idc::kBarList);
                                    list->topLevelItem(2)->setSelected(true);
                                    list->topLevelItem(1)->setSelected(true);
                                    window.DeleteRow(idc::kBarList, 1);
                                    selection = {window.SelectedCount(idc::kBarList),
                                                 window.FirstSelectedRow(idc::kBarList)};
                                  }}});
    const std::vector<Event> list_events = {
        {idc::kBarList, ControlEvent::kItemInserted, 0, 1, ""},
        {idc::kBarList, ControlEvent::kItemInserted, 0, 2, ""},
        {idc::kBarList, ControlEvent::kItemInserted, 2, 3, ""},
        {idc::kBarList, ControlEvent::kItemChanged, 2, 3, ""},
        {idc::kBarList, ControlEvent::kItemChanged, 1, 3, ""},
        {idc::kBarList, ControlEvent::kItemDeleted, 1, 3, ""},
    };
    std::vector<Event> seen;
    for (const Event& e : dialog.events) {
      if (e.id == idc::kBarList && e.event != ControlEvent::kKillFocus) seen.push_back(e);
    }
    QVERIFY(seen == list_events);
    QCOMPARE(dialog.deleted_text, std::string("first"));
    QCOMPARE(selection, (std::vector<int>{1, 1}));
  }

  void KeysAndCloseBoxEndTheWindow_data() {
    QTest::addColumn<int>("template_id");
    QTest::addColumn<int>("edit_id");
    QTest::addColumn<int>("key");  // 0: the close box
    QTest::addColumn<QString>("command");
    QTest::newRow("Enter, main window")
        << dlg::kMain << idc::kBarName << int{Qt::Key_Return} << "ok";
    QTest::newRow("Enter, link page")
        << dlg::kLinkPage << idc::kLinkName << int{Qt::Key_Return} << "ok";
    QTest::newRow("Escape") << dlg::kLinkPage << idc::kLinkName << int{Qt::Key_Escape} << "cancel";
    QTest::newRow("close box") << dlg::kMain << idc::kBarName << 0 << "cancel";
  }
  void KeysAndCloseBoxEndTheWindow() {
    QFETCH(int, template_id);
    QFETCH(int, edit_id);
    QFETCH(int, key);
    QFETCH(QString, command);
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, template_id);
    const DialogResult result = RunDriven(
        platform, dialog, {{template_id, [&](QtDialogWindow& window) {
                              if (key == 0) {
                                window.close();
                              } else {
                                QTest::keyClick(window.Control(edit_id), static_cast<Qt::Key>(key));
                              }
                            }}});
    QCOMPARE(result, command == "ok" ? DialogResult::kOk : DialogResult::kCancel);
    QCOMPARE(dialog.commands, std::vector<std::string>{command.toStdString()});
  }

  void TabOrderFollowsTheTemplate_data() {
    QTest::addColumn<int>("template_id");
    for (int id : {dlg::kAbout, dlg::kMain, dlg::kLinkPage}) {
      QTest::newRow(std::to_string(id).c_str()) << id;
    }
  }
  void TabOrderFollowsTheTemplate() {
    QFETCH(int, template_id);
    std::vector<int> expected;
    for (const ControlTemplate& c : FindDialogTemplate(template_id)->controls) {
      if ((c.style & cs::kTabStop) != 0) expected.push_back(c.id);
    }
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, template_id);
    std::vector<int> visited;
    RunDriven(platform, dialog,
              {{template_id, [&](QtDialogWindow& window) {
                  QApplication::setActiveWindow(&window);
                  if (!QTest::qWaitForWindowActive(&window)) return;
                  for (std::size_t i = 0; i <= expected.size(); ++i) {
                    QWidget* focus = QApplication::focusWidget();
                    visited.push_back(focus != nullptr ? focus->objectName().mid(8).toInt() : 0);
                    QTest::keyClick(focus, Qt::Key_Tab);
                  }
                }}});
    expected.push_back(expected.front());  // round the chain once and back to the start
    QCOMPARE(visited, expected);
  }

  // A click never unchecks a radio button, and neither clears the other: the window does.
  void RadioButtonsAreNotMutuallyExclusive() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kMain);
    dialog.on_init = [](DialogWindow& w) { w.SetCheck(idc::kVertical, 1); };
    std::vector<int> states;
    RunDriven(platform, dialog,
              {{dlg::kMain, [&](QtDialogWindow& window) {
                  for (int i = 0; i < 2; ++i) {
                    QTest::mouseClick(window.Control(idc::kHorizontal), Qt::LeftButton);
                  }
                  states = {window.GetCheck(idc::kHorizontal), window.GetCheck(idc::kVertical)};
                }}});
    QCOMPARE(states, (std::vector<int>{1, 1}));
    QCOMPARE(dialog.EventsOf(ControlEvent::kClicked).size(), std::size_t{2});
  }

  // The dialog's own items come last in the window menu and reach it with their identifier;
  // an unhandled Close closes like the close box.
  void SystemMenuDeliversCommands() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kMain);
    dialog.on_init = [](DialogWindow& w) {
      w.AppendSystemMenuSeparator();
      w.AppendSystemMenuItem(kAboutCommand, StringResource(str::kAboutMenuItem));
    };
    bool open_after_about = false;
    RunDriven(platform, dialog, {{dlg::kMain, [&](QtDialogWindow& window) {
                                    const auto actions = window.SystemMenu().actions();
                                    QCOMPARE(actions.back()->text(), QString("&About Quillbay..."));
                                    actions.back()->trigger();
                                    open_after_about = window.isVisible();
                                    actions.front()->trigger();
                                  }}});
    QVERIFY(open_after_about);
    QCOMPARE(dialog.commands,
             (std::vector<std::string>{"system 16", "system " + std::to_string(0xF060), "cancel"}));
  }

  // Messages, file errors and help each get a box of their own kind.
  void MessageBoxes() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kMain);
    std::vector<std::pair<QMessageBox::Icon, QString>> boxes;
    RunDriven(platform, dialog, {{dlg::kMain, [&](QtDialogWindow& window) {
                                    SeenBox seen;
                                    CloseMessageBoxes(&window, &seen);
                                    const auto note = [&] {
                                      boxes.emplace_back(seen.icon, seen.text);
                                    };
                                    platform.ShowMessage("Careful.");
                                    note();
                                    platform.ShowError("Disk full.");
                                    note();
                                    QApplication::setActiveWindow(&window);
                                    if (!QTest::qWaitForWindowActive(&window)) return;
                                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
                                    note();
                                  }}});
    QCOMPARE(boxes.size(), std::size_t{3});
    QCOMPARE(boxes[0].first, QMessageBox::Warning);
    QCOMPARE(boxes[0].second, QString("Careful."));
    QCOMPARE(boxes[1].first, QMessageBox::Critical);
    QCOMPARE(boxes[1].second, QString("Disk full."));
    QCOMPARE(boxes[2].second.toStdString(), std::string(StringResource(str::kHelpText)));
  }
};

}  // namespace quillbay

QTEST_MAIN(quillbay::QtDialogPlatformTest)
#include "qt_dialog_platform_test.moc"
