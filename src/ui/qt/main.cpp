#include <QApplication>

#include "registration/machine_bars.h"
#include "resources/dialog_templates.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_resources.h"
#include "ui/quillbay_app.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Lets the desktop match the windows to the menu entry and its icon.
  QApplication::setDesktopFileName(QStringLiteral("quillbay"));
  QApplication::setWindowIcon(quillbay::LoadIconResource(quillbay::res::kProgramIcon));
  quillbay::QtDialogPlatform platform;
  quillbay::MachineBars machine;
  return quillbay::CQuillbayApp(platform, machine.bars()).Run();
}
