// The program as it runs on Linux: the real windows on the Qt back end over the registry
// file, driven with keys and clicks. One pass through the windows shows the pieces are wired
// together; what the windows decide is tested on the in-memory platform.
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "registration/file_registry_store.h"
#include "resources/dialog_templates.h"
#include "system/guid.h"
#include "tests/ui/contract/dialog_contract.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_dialog_window.h"
#include "ui/quillbay_app.h"

namespace quillbay {
namespace {

TEST(QtProgramTest, CreateDeleteWriteAPageAndLeaveWithEnter) {
  auto& platform = static_cast<QtDialogPlatform&>(contract::BackEndPlatform());
  QTemporaryDir folder;
  const QString page = folder.filePath("links.htm");
  int boxes = 0, rows_after_create = 0, rows_after_delete = -1;
  bool left_with_enter = false;
  QTimer closer;  // a box would be a fault; closing it keeps the test from hanging
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      ++boxes;
      box->accept();
    }
  });
  closer.start(5);
  const auto key = [](QtDialogWindow& w, int id, auto keys) {
    w.SetFocus(id);
    QTest::keyClicks(w.Control(id), keys);
  };
  platform.SetShownHook([&](QtDialogWindow& w) {
    if (w.objectName().toInt() == dlg::kLinkPage) {
      key(w, idc::kLinkName, "News");
      QTest::mouseClick(w.Control(idc::kAddLink), Qt::LeftButton);
      key(w, idc::kPath, page);
      QTest::keyClick(w.Control(idc::kPath), Qt::Key_Return);
      return;
    }
    key(w, idc::kBarName, "My bar");
    key(w, idc::kLocation, "http://www.example.com");
    QTest::mouseClick(w.Control(idc::kCreate), Qt::LeftButton);
    rows_after_create = w.RowCount(idc::kBarList);
    qobject_cast<QTreeWidget*>(w.Control(idc::kBarList))->topLevelItem(0)->setSelected(true);
    QTest::mouseClick(w.Control(idc::kDelete), Qt::LeftButton);
    rows_after_delete = w.RowCount(idc::kBarList);
    QTest::mouseClick(w.Control(idc::kCreateHtml), Qt::LeftButton);
    key(w, idc::kBarName, "");
    QTest::keyClick(w.Control(idc::kBarName), Qt::Key_Return);
    left_with_enter = !w.isVisible();
    if (!left_with_enter) w.EndDialog(DialogResult::kCancel);
  });
  FileRegistryStore store(folder.filePath("registry.reg").toStdString());
  SystemGuidSource guids;
  EXPECT_EQ(
      CQuillbayApp(platform, store, guids, folder.filePath("bkupRegKeyf").toStdString()).Run(), 0);
  platform.SetShownHook(nullptr);
  EXPECT_EQ(boxes, 0);
  EXPECT_EQ(rows_after_create, 1);
  EXPECT_EQ(rows_after_delete, 0);
  EXPECT_TRUE(QFile::exists(page));
  EXPECT_TRUE(left_with_enter);
}

}  // namespace
}  // namespace quillbay
