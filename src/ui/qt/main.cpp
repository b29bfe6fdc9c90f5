#include <QApplication>

#include "resources/dialog_templates.h"
#include "ui/dialog.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_resources.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Lets the desktop match the windows to the menu entry and its icon.
  QApplication::setDesktopFileName(QStringLiteral("quillbay"));
  QApplication::setWindowIcon(quillbay::LoadIconResource(quillbay::res::kProgramIcon));
  quillbay::QtDialogPlatform platform;
  quillbay::CDialog main_window(platform, quillbay::dlg::kMain);
  main_window.DoModal();
  return 0;
}
