// Saves a picture of each of the program's windows, as the offscreen platform draws them, for
// checking the layout by eye. Usage: quillbay_screenshots <folder> [point size [name suffix]]
// The point size stands for the desktop's font size; QT_SCALE_FACTOR gives the scale.
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdio>

#include "registration/backup_file.h"
#include "resources/dialog_templates.h"
#include "tests/support/registration_fakes.h"
#include "tests/support/temp_dir.h"
#include "ui/about_dlg.h"
#include "ui/link_page_dlg.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_dialog_window.h"
#include "ui/quillbay_dlg.h"

namespace quillbay {
namespace {

// What a user would have done before the picture is taken.
void Prepare(QtDialogWindow& window) {
  if (window.objectName().toInt() == dlg::kMain) {
    window.SetText(idc::kBarName, "My bar");
    QApplication::setActiveWindow(&window);
    window.SetFocus(idc::kBarList);
    qobject_cast<QTreeWidget*>(window.Control(idc::kBarList))->topLevelItem(0)->setSelected(true);
    // Shift+Tab from the list to Delete: the selection shows without the focus, and the focus
    // cue on the button.
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &back);
  } else if (window.objectName().toInt() == dlg::kLinkPage) {
    window.SetText(idc::kLinkName, "Example site");
    window.SetText(idc::kUrl, "http://www.example.com");
    qobject_cast<QPushButton*>(window.Control(idc::kAddLink))->click();
    window.SetText(idc::kLinkName, "News");
    window.SetText(idc::kUrl, "http://news.example.com");
    qobject_cast<QPushButton*>(window.Control(idc::kAddLink))->click();
  }
}

}  // namespace
}  // namespace quillbay

int main(int argc, char** argv) {
  using namespace quillbay;
  QApplication application(argc, argv);
  const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
  if (argc > 2) {
    QFont font = QApplication::font();
    font.setPointSize(QString::fromLocal8Bit(argv[2]).toInt());
    QApplication::setFont(font);
  }
  const QString suffix = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
  if (!QDir().mkpath(folder.path())) return 1;

  QtDialogPlatform platform;
  bool saved_all = true;
  platform.SetShownHook([&](QtDialogWindow& window) {
    Prepare(window);
    const QString name =
        folder.filePath(QStringLiteral("dialog_%1%2.png").arg(window.objectName(), suffix));
    saved_all = window.grab().save(name) && saved_all;
    std::printf("%s\n", qPrintable(name));
    window.EndDialog(DialogResult::kCancel);
  });

  // The pictures only show windows: the bars are listed, and nothing is registered.
  const testing::TempDir scratch;
  const std::string backup = scratch.File("bkupRegKeyf");
  testing::WriteBytes(backup,
                      "{6A1C2E40-9D3B-4F55-8C21-0B7E2D9F4A13},My bar;\r\n"
                      "{0F3B8D72-51A4-4E09-B6C8-7D2E91A05C66},News;\r\n");
  testing::MemoryRegistryStore store;
  testing::ScriptedGuidSource guids;
  CAboutDlg(platform).DoModal();
  Bars bars(store, guids, backup);
  CQuillbayDlg(platform, bars).DoModal();
  CLinkPageDlg(platform).DoModal();
  return saved_all ? 0 : 1;
}
