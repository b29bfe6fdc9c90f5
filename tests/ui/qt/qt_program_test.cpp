// The program as it runs on Linux: the real windows on the Qt back end over the registry file
// store, driven with keys and clicks on the offscreen platform. One pass through every window
// shows the pieces are wired together; their logic is tested elsewhere.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <string>

#include "qt_test_support.h"
#include "registration/backup_file.h"
#include "registration/file_registry_store.h"
#include "resources/dialog_templates.h"
#include "system/guid.h"
#include "ui/quillbay_app.h"

namespace quillbay {

class QtProgramTest : public QObject {
  Q_OBJECT

 private slots:
  void CreateWriteDeleteAndLeave() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString registry = folder.filePath("registry.reg");
    const std::string backup = folder.filePath("bkupRegKeyf").toStdString();
    const QString page = folder.filePath("links.htm");

    QtDialogPlatform platform;
    FileRegistryStore store(registry.toStdString());
    SystemGuidSource guids;
    SeenBox boxes;  // none expected; closing them keeps a fault from hanging the test
    std::vector<BarRow> backup_after_create;
    int rows_after_delete = -1;
    bool page_written = false;
    bool left_with_enter = false;

    const Drivers drive{
        {dlg::kMain,
         [&](QtDialogWindow& window) {
           CloseMessageBoxes(&window, &boxes);
           QTest::keyClicks(window.Control(idc::kBarName), "My bar");
           QTest::keyClicks(window.Control(idc::kLocation), "http://www.example.com");
           QTest::mouseClick(window.Control(idc::kCreate), Qt::LeftButton);
           backup_after_create = LoadBackup(backup);

           ControlOf<QTreeWidget>(window, idc::kBarList)->topLevelItem(0)->setSelected(true);
           QTest::mouseClick(window.Control(idc::kDelete), Qt::LeftButton);
           rows_after_delete = window.RowCount(idc::kBarList);

           QTest::mouseClick(window.Control(idc::kCreateHtml), Qt::LeftButton);
           page_written = QFile::exists(page);

           window.SetFocus(idc::kBarName);
           QTest::keyClick(window.Control(idc::kBarName), Qt::Key_Return);
           left_with_enter = !window.isVisible();
         }},
        {dlg::kLinkPage,
         [&](QtDialogWindow& window) {
           QTest::keyClicks(window.Control(idc::kLinkName), "News");
           QTest::mouseClick(window.Control(idc::kAddLink), Qt::LeftButton);
           QTest::keyClicks(window.Control(idc::kPath), page);
           window.SetFocus(idc::kLinkName);
           QTest::keyClick(window.Control(idc::kLinkName), Qt::Key_Return);
         }},
    };
    const int status = RunDrivenBy(
        platform, drive, [&] { return CQuillbayApp(platform, store, guids, backup).Run(); });

    QCOMPARE(status, 0);
    QCOMPARE(boxes.count, 0);
    QCOMPARE(backup_after_create.size(), std::size_t{1});
    QCOMPARE(backup_after_create[0].name, std::string("My bar"));
    QVERIFY(QFile::exists(registry));
    QCOMPARE(rows_after_delete, 0);
    QVERIFY(page_written);
    QVERIFY(left_with_enter);
  }
};

}  // namespace quillbay

QTEST_MAIN(quillbay::QtProgramTest)
#include "qt_program_test.moc"
