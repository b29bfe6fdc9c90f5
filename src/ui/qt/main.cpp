#include <QApplication>

#include <optional>
#include <string>

#include "registration/file_registry_store.h"
#include "resources/dialog_templates.h"
#include "resources/string_table.h"
#include "system/guid.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_resources.h"
#include "ui/quillbay_app.h"

namespace quillbay {
namespace {

int Run() {
  QtDialogPlatform platform;
  SystemGuidSource guids;
  const std::optional<std::string> registry_path = DefaultRegistryFilePath();
  if (!registry_path) {
    UnavailableRegistryStore store{std::string(StringResource(str::kNoDataFolder))};
    return CQuillbayApp(platform, store, guids, DefaultBackupPath()).Run();
  }
  FileRegistryStore store(*registry_path);
  CQuillbayApp app(platform, store, guids, DefaultBackupPath());
  return app.Run();
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
