// The Qt back end driven the way a user drives it: keys, clicks and the window menu, on the
// offscreen platform.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <map>
#include <string>
#include <utility>
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
  int rows_then;  // the list's row count when the event arrived
  std::string text_then;
};

// A dialog whose handlers record what arrives and run what the test gives them.
class ScriptedDialog final : public CDialog {
 public:
  ScriptedDialog(DialogPlatform& platform, int template_id) : CDialog(platform, template_id) {}

  std::function<void(DialogWindow&)> on_init;
  std::function<void(DialogWindow&, const Event&)> on_event;
  std::vector<Event> events;
  std::vector<std::string> commands;  // "ok", "cancel", "system 16", ...

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
    events.push_back({id, event, item, list ? window().RowCount(id) : -1,
                      event == ControlEvent::kTextChanged ? window().GetText(id) : std::string()});
    if (on_event) on_event(window(), events.back());
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

}  // namespace

class QtDialogPlatformTest : public QObject {
  Q_OBJECT

 private slots:
  // Every SetText on an edit box notifies once, with the new text in place; labels do not.
  void SettingTextNotifies() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kLinkPage);
    dialog.on_init = [](DialogWindow& w) {
      w.SetText(idc::kLinkName, "abc");
      w.SetText(idc::kLinkName, "abc");
      w.SetText(idc::kDescription, "one\r\ntwo");
      w.SetText(idc::kLinkNameLabel, "NAME:");
    };
    std::string description;
    RunDriven(platform, dialog, {{dlg::kLinkPage, [&](QtDialogWindow& window) {
                                    description = window.GetText(idc::kDescription);
                                  }}});
    std::vector<std::pair<int, std::string>> changes;
    for (const Event& e : dialog.EventsOf(ControlEvent::kTextChanged)) {
      changes.emplace_back(e.id, e.text_then);
    }
    QCOMPARE(
        changes,
        (std::vector<std::pair<int, std::string>>{
            {idc::kLinkName, "abc"}, {idc::kLinkName, "abc"}, {idc::kDescription, "one\r\ntwo"}}));
    QCOMPARE(description, std::string("one\r\ntwo"));
  }

  // A handler that writes the text back from inside the change notification, as the separator
  // filter does, sees its own write as a change and stops once there is nothing to remove.
  void WritingTextBackFromTheNotificationWorks() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kMain);
    dialog.on_event = [](DialogWindow& w, const Event& e) {
      if (e.event != ControlEvent::kTextChanged) return;
      std::string text = w.GetText(e.id);
      std::erase(text, ';');
      if (text != e.text_then) w.SetText(e.id, text);
    };
    std::string typed;
    std::string set;
    RunDriven(platform, dialog, {{dlg::kMain, [&](QtDialogWindow& window) {
                                    auto* name = ControlOf<QLineEdit>(window, idc::kBarName);
                                    QTest::keyClicks(name, "a;b;");
                                    typed = window.GetText(idc::kBarName);
                                    window.SetText(idc::kLocation, "x;y");
                                    set = window.GetText(idc::kLocation);
                                  }}});
    QCOMPARE(typed, std::string("ab"));
    QCOMPARE(set, std::string("xy"));
    std::vector<std::string> location_texts;
    for (const Event& e : dialog.EventsOf(ControlEvent::kTextChanged)) {
      if (e.id == idc::kLocation) location_texts.push_back(e.text_then);
    }
    QCOMPARE(location_texts, (std::vector<std::string>{"x;y", "xy"}));
  }

  // Inserted rows are announced once they are in the list, deleted rows while they still are.
  void ListAnnouncesInsertionAfterAndDeletionBefore() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kLinkPage);
    std::vector<int> positions;
    std::string deleted_row_text;
    dialog.on_event = [&](DialogWindow& w, const Event& e) {
      if (e.event == ControlEvent::kItemDeleted) deleted_row_text = w.GetCell(e.id, e.item, 0);
    };
    dialog.on_init = [&](DialogWindow& w) {
      w.AddColumn(idc::kLinkList, 0, "Link name", 100);
      w.AddColumn(idc::kLinkList, 1, "URL", 240);
      positions.push_back(w.InsertRow(idc::kLinkList, 7, "first"));  // past the end appends
      positions.push_back(w.InsertRow(idc::kLinkList, 1, "second"));
      positions.push_back(w.InsertRow(idc::kLinkList, 0, "third"));
      w.SetCell(idc::kLinkList, 0, 1, "http://third");
      w.DeleteRow(idc::kLinkList, 1);
    };
    std::vector<std::string> left;
    RunDriven(platform, dialog, {{dlg::kLinkPage, [&](QtDialogWindow& window) {
                                    for (int row = 0; row < window.RowCount(idc::kLinkList); ++row)
                                      left.push_back(window.GetCell(idc::kLinkList, row, 0));
                                    left.push_back(window.GetCell(idc::kLinkList, 0, 1));
                                  }}});
    QCOMPARE(positions, (std::vector<int>{0, 1, 0}));
    const auto inserted = dialog.EventsOf(ControlEvent::kItemInserted);
    QCOMPARE(inserted.size(), std::size_t{3});
    QCOMPARE(inserted[2].item, 0);
    QCOMPARE(inserted[2].rows_then, 3);
    const auto deleted = dialog.EventsOf(ControlEvent::kItemDeleted);
    QCOMPARE(deleted.size(), std::size_t{1});
    QCOMPARE(deleted[0].item, 1);
    QCOMPARE(deleted[0].rows_then, 3);
    QCOMPARE(deleted_row_text, std::string("first"));
    QCOMPARE(left, (std::vector<std::string>{"third", "second", "http://third"}));
    const auto changed = dialog.EventsOf(ControlEvent::kItemChanged);
    QCOMPARE(changed.size(), std::size_t{1});  // the cell set on row 0
    QCOMPARE(changed[0].item, 0);
  }

  // Selecting rows, by the user or otherwise, announces each row whose state changed; taking a
  // selected row out of the list is announced as a deletion only.
  void SelectionChangesAreAnnounced() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kMain);
    dialog.on_init = [](DialogWindow& w) {
      w.AddColumn(idc::kBarList, 0, "GUID", 240);
      for (int row = 0; row < 4; ++row) w.InsertRow(idc::kBarList, row, "row");
    };
    std::vector<int> counts;
    std::vector<int> firsts;
    std::size_t changes_before_delete = 0;
    RunDriven(platform, dialog, {{dlg::kMain, [&](QtDialogWindow& window) {
                                    auto* list = ControlOf<QTreeWidget>(window, idc::kBarList);
                                    list->topLevelItem(2)->setSelected(true);
                                    list->topLevelItem(1)->setSelected(true);
                                    counts.push_back(window.SelectedCount(idc::kBarList));
                                    firsts.push_back(window.FirstSelectedRow(idc::kBarList));
                                    changes_before_delete =
                                        dialog.EventsOf(ControlEvent::kItemChanged).size();
                                    window.DeleteRow(idc::kBarList, 1);
                                    counts.push_back(window.SelectedCount(idc::kBarList));
                                    firsts.push_back(window.FirstSelectedRow(idc::kBarList));
                                    list->clearSelection();
                                    counts.push_back(window.SelectedCount(idc::kBarList));
                                    firsts.push_back(window.FirstSelectedRow(idc::kBarList));
                                  }}});
    QCOMPARE(counts, (std::vector<int>{2, 1, 0}));
    QCOMPARE(firsts, (std::vector<int>{1, 1, -1}));
    const auto changed = dialog.EventsOf(ControlEvent::kItemChanged);
    QCOMPARE(changes_before_delete, std::size_t{2});
    QCOMPARE(changed[0].item, 2);
    QCOMPARE(changed[1].item, 1);
    QCOMPARE(changed.size(), std::size_t{3});  // then the clearing of the row left selected
    QCOMPARE(changed[2].item, 1);
  }

  void EnterGivesOk_data() {
    QTest::addColumn<int>("template_id");
    QTest::addColumn<int>("edit_id");
    QTest::newRow("main window, no default button") << dlg::kMain << idc::kBarName;
    QTest::newRow("link page, default button OK") << dlg::kLinkPage << idc::kLinkName;
  }
  void EnterGivesOk() {
    QFETCH(int, template_id);
    QFETCH(int, edit_id);
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, template_id);
    const DialogResult result =
        RunDriven(platform, dialog, {{template_id, [&](QtDialogWindow& window) {
                                        QTest::keyClick(window.Control(edit_id), Qt::Key_Return);
                                      }}});
    QCOMPARE(result, DialogResult::kOk);
    QCOMPARE(dialog.commands, std::vector<std::string>{"ok"});
  }

  // Enter on a push button that has the focus clicks that button, not the default one.
  void EnterOnFocusedButtonClicksIt() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kLinkPage);
    bool still_open = false;
    RunDriven(platform, dialog, {{dlg::kLinkPage, [&](QtDialogWindow& window) {
                                    window.Control(idc::kAddLink)->setFocus();
                                    QTest::keyClick(window.Control(idc::kAddLink), Qt::Key_Return);
                                    still_open = window.isVisible();
                                  }}});
    QVERIFY(still_open);
    QCOMPARE(dialog.EventsOf(ControlEvent::kClicked).size(), std::size_t{1});
    QCOMPARE(dialog.EventsOf(ControlEvent::kClicked)[0].id, idc::kAddLink);
  }

  void CancelCommands_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("Escape") << 0;
    QTest::newRow("close box") << 1;
    QTest::newRow("button 2") << 2;
  }
  void CancelCommands() {
    QFETCH(int, how);
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kMain);
    const DialogResult result = RunDriven(
        platform, dialog, {{dlg::kMain, [&](QtDialogWindow& window) {
                              if (how == 0) {
                                QTest::keyClick(window.Control(idc::kBarName), Qt::Key_Escape);
                              } else if (how == 1) {
                                window.close();
                              } else {
                                QTest::mouseClick(window.Control(idc::kCancel), Qt::LeftButton);
                              }
                            }}});
    QCOMPARE(result, DialogResult::kCancel);
    QCOMPARE(dialog.commands, std::vector<std::string>{"cancel"});
  }

  // A dialog that does not end on Cancel keeps its window open.
  void CancelHandlerDecidesWhetherTheWindowCloses() {
    QtDialogPlatform platform;
    class Stubborn final : public CDialog {
     public:
      using CDialog::CDialog;
      int cancels = 0;

     protected:
      void OnCancel() override { ++cancels; }
    } dialog(platform, dlg::kAbout);
    bool still_open = false;
    RunDriven(platform, dialog, {{dlg::kAbout, [&](QtDialogWindow& window) {
                                    window.close();
                                    QTest::keyClick(&window, Qt::Key_Escape);
                                    still_open = window.isVisible();
                                  }}});
    QVERIFY(still_open);
    QCOMPARE(dialog.cancels, 2);
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
    // Round the chain once and back to the start.
    expected.push_back(expected.front());
    QCOMPARE(visited, expected);
  }

  // Each radio button is a group of its own: the window unchecks the other one itself.
  void RadioButtonsAreNotMutuallyExclusive() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kMain);
    dialog.on_init = [](DialogWindow& w) { w.SetCheck(idc::kVertical, 1); };
    std::vector<int> states;
    RunDriven(platform, dialog,
              {{dlg::kMain, [&](QtDialogWindow& window) {
                  auto note = [&] {
                    states.push_back(window.GetCheck(idc::kHorizontal));
                    states.push_back(window.GetCheck(idc::kVertical));
                  };
                  QTest::mouseClick(window.Control(idc::kHorizontal), Qt::LeftButton);
                  note();  // both checked
                  QTest::mouseClick(window.Control(idc::kHorizontal), Qt::LeftButton);
                  note();  // a click never unchecks
                  window.SetCheck(idc::kVertical, 0);
                  note();
                }}});
    QCOMPARE(states, (std::vector<int>{1, 1, 1, 1, 1, 0}));
    const auto clicks = dialog.EventsOf(ControlEvent::kClicked);
    QCOMPARE(clicks.size(), std::size_t{2});
    QCOMPARE(clicks[0].id, idc::kHorizontal);
  }

  // The window menu: Close first, the dialog's own items at the end; each item reaches the
  // dialog with its identifier, and an unhandled Close closes like the close box.
  void SystemMenuDeliversCommands() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kMain);
    dialog.on_init = [](DialogWindow& w) {
      QVERIFY(w.HasSystemMenu());
      w.AppendSystemMenuSeparator();
      w.AppendSystemMenuItem(kAboutCommand, StringResource(str::kAboutMenuItem));
    };
    QStringList items;
    bool open_after_about = false;
    const DialogResult result =
        RunDriven(platform, dialog, {{dlg::kMain, [&](QtDialogWindow& window) {
                                        const auto actions = window.SystemMenu().actions();
                                        for (QAction* a : actions) {
                                          items << (a->isSeparator() ? "-" : a->text());
                                        }
                                        // Alt+Space opens the menu; Up, Enter picks the
                                        // last item.
                                        auto* poll = new QTimer(&window);
                                        QObject::connect(poll, &QTimer::timeout, [&window, poll] {
                                          QWidget* popup = QApplication::activePopupWidget();
                                          if (popup != &window.SystemMenu()) return;
                                          poll->stop();
                                          QTest::keyClick(popup, Qt::Key_Up);
                                          QTest::keyClick(popup, Qt::Key_Return);
                                        });
                                        poll->start(5);
                                        QApplication::setActiveWindow(&window);
                                        if (!QTest::qWaitForWindowActive(&window)) return;
                                        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space,
                                                        Qt::AltModifier);
                                        open_after_about = window.isVisible();
                                        actions.front()->trigger();
                                      }}});
    QCOMPARE(items, (QStringList{"&Close", "-", "&About Quillbay..."}));
    QVERIFY(open_after_about);
    QCOMPARE(result, DialogResult::kCancel);
    QCOMPARE(dialog.commands,
             (std::vector<std::string>{"system 16", "system " + std::to_string(0xF060), "cancel"}));
  }

  // A modal run inside a handler, and message boxes owned by the innermost window.
  void NestedRunsAndMessageBoxes() {
    QtDialogPlatform platform;
    ScriptedDialog outer(platform, dlg::kMain);
    ScriptedDialog inner(platform, dlg::kAbout);
    SeenBox seen;
    DialogResult inner_result = DialogResult::kCancel;
    QWidget* box_owner_seen = nullptr;
    outer.on_event = [&](DialogWindow& w, const Event& e) {
      if (e.event != ControlEvent::kClicked || e.id != idc::kCreate) return;
      inner_result = inner.DoModal();
      platform.ShowMessage("Stored.");
      w.SetText(idc::kBarName, "after");
    };
    inner.on_init = [&](DialogWindow&) { box_owner_seen = platform.ActiveWindow(); };
    std::string text_after;
    RunDriven(platform, outer,
              {{dlg::kMain,
                [&](QtDialogWindow& window) {
                  CloseMessageBoxes(&window, &seen);
                  QTest::mouseClick(window.Control(idc::kCreate), Qt::LeftButton);
                  text_after = window.GetText(idc::kBarName);
                }},
               {dlg::kAbout, [&](QtDialogWindow& window) {
                  platform.ShowError("Disk full.");
                  QCOMPARE(seen.icon, QMessageBox::Critical);
                  QVERIFY(window.isVisible());
                  QTest::keyClick(window.Control(idc::kOk), Qt::Key_Return);
                }}});
    QCOMPARE(inner_result, DialogResult::kOk);
    QCOMPARE(text_after, std::string("after"));
    QCOMPARE(seen.count, 2);
    QCOMPARE(seen.text, QString("Stored."));
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.title, QString("qt_dialog_platform_tests"));
    QVERIFY(box_owner_seen != nullptr);
  }

  // F1 in any window asks for help: the help text in a box of its own.
  void F1ShowsTheHelpText() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kLinkPage);
    SeenBox seen;
    RunDriven(platform, dialog, {{dlg::kLinkPage, [&](QtDialogWindow& window) {
                                    CloseMessageBoxes(&window, &seen);
                                    QApplication::setActiveWindow(&window);
                                    if (!QTest::qWaitForWindowActive(&window)) return;
                                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
                                  }}});
    QCOMPARE(seen.count, 1);
    QCOMPARE(seen.text.toStdString(), std::string(StringResource(str::kHelpText)));
    QVERIFY(dialog.commands.empty());
  }

  // The picture takes the sample bitmap's size; the window icon is the program's icon.
  void ImagesComeFromTheResources() {
    QtDialogPlatform platform;
    ScriptedDialog dialog(platform, dlg::kLinkPage);
    dialog.on_init = [](DialogWindow& w) { w.SetIcon(res::kProgramIcon); };
    QSize picture;
    QList<QSize> icon_sizes;
    RunDriven(platform, dialog, {{dlg::kLinkPage, [&](QtDialogWindow& window) {
                                    picture = window.Control(idc::kSampleImage)->size();
                                    icon_sizes = window.windowIcon().availableSizes();
                                  }}});
    QCOMPARE(picture, QSize(185, 238));
    QCOMPARE(icon_sizes, QList<QSize>{QSize(32, 32)});
  }
};

}  // namespace quillbay

QTEST_MAIN(quillbay::QtDialogPlatformTest)
#include "qt_dialog_platform_test.moc"
