#include <QApplication>

#include <optional>
#include <string>

#include "registration/posix/file_registry_store.h"
#include "resources/dialog_templates.h"
#include "system/data_files.h"
#include "system/guid.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_resources.h"
#include "ui/quillbay_app.h"

namespace quillbay {
namespace {

int Run() {
  QtDialogPlatform platform;
  SystemGuidSource guids;
  // Without a data folder there is no list either: the window says so and touches no store.
  FileRegistryStore store(DataFilePath(kRegistryFileName).value_or(""));
  return CQuillbayApp(platform, store, guids, DataFilePath(kBackupFileName)).Run();
}

}  // namespace
}  // namespace quillbay

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Lets the desktop match the windows to the menu entry and its icon.
  QApplication::setDesktopFileName(QStringLiteral("quillbay"));
  QApplication::setWindowIcon(quillbay::LoadIconResource(quillbay::res::kProgramIcon));
  return quillbay::Run();
}
