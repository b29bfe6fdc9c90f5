// The program as it runs on Linux: the real windows on the Qt back end over the registry file
// store, driven with keys and clicks on the offscreen platform.
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <string>

#include "qt_test_support.h"
#include "registration/backup_file.h"
#include "registration/file_registry_store.h"
#include "resources/dialog_templates.h"
#include "resources/string_table.h"
#include "system/guid.h"
#include "ui/quillbay_app.h"

namespace quillbay {

class QtProgramTest : public QObject {
  Q_OBJECT

 private slots:
  // Typing a bar with a separator in its name, creating it, writing a link page from the
  // link page window, deleting the bar, and leaving with Enter.
  void CreateWriteDeleteAndLeave() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const std::string registry = folder.filePath("registry.reg").toStdString();
    const std::string backup = folder.filePath("bkupRegKeyf").toStdString();
    const QString page = folder.filePath("links.htm");

    QtDialogPlatform platform;
    FileRegistryStore store(registry);
    SystemGuidSource guids;
    SeenBox seen;
    QString caption;
    std::string typed_name;
    int rows_after_create = -1;
    std::string name_cell;
    std::vector<BarRow> backup_after_create;
    bool delete_enabled_on_selection = false;
    int rows_after_delete = -1;
    bool delete_enabled_after_delete = true;
    bool page_written = false;
    bool left_with_enter = false;

    const Drivers drive{
        {dlg::kMain,
         [&](QtDialogWindow& window) {
           CloseMessageBoxes(&window, &seen);
           caption = window.windowTitle();
           QTest::keyClicks(window.Control(idc::kBarName), "My;bar");
           typed_name = window.GetText(idc::kBarName);
           QTest::keyClicks(window.Control(idc::kLocation), "http://www.example.com");
           QTest::mouseClick(window.Control(idc::kCreate), Qt::LeftButton);
           rows_after_create = window.RowCount(idc::kBarList);
           name_cell = window.GetCell(idc::kBarList, 0, 1);
           backup_after_create = LoadBackup(backup);

           auto* list = ControlOf<QTreeWidget>(window, idc::kBarList);
           list->topLevelItem(0)->setSelected(true);
           delete_enabled_on_selection = window.IsEnabled(idc::kDelete);
           QTest::mouseClick(window.Control(idc::kDelete), Qt::LeftButton);
           rows_after_delete = window.RowCount(idc::kBarList);
           delete_enabled_after_delete = window.IsEnabled(idc::kDelete);

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
    QCOMPARE(caption, QString("Tollmere"));
    QCOMPARE(typed_name, std::string("Mybar"));
    QCOMPARE(seen.count, 1);
    QCOMPARE(seen.text.toStdString(), std::string(StringResource(str::kCharacterNotAllowed)));
    QCOMPARE(rows_after_create, 1);
    QCOMPARE(name_cell, std::string("Mybar"));
    QCOMPARE(backup_after_create.size(), std::size_t{1});
    QCOMPARE(backup_after_create[0].name, std::string("Mybar"));
    QVERIFY(QFile::exists(QString::fromStdString(registry)));
    QVERIFY(delete_enabled_on_selection);
    QCOMPARE(rows_after_delete, 0);
    QVERIFY(!delete_enabled_after_delete);
    QVERIFY(page_written);
    QVERIFY(left_with_enter);
    QFile written(page);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().contains("http://"));
  }
};

}  // namespace quillbay

QTEST_MAIN(quillbay::QtProgramTest)
#include "qt_program_test.moc"
