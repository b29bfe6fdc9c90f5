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

// Stands in for the registry file when there is no data folder to keep it in: every change
// fails, and the window reports it, rather than writing somewhere unexpected.
class UnavailableRegistryStore final : public RegistryStore {
 public:
  RegResult CreateKey(RegRoot, std::string_view, RegKey*) override { return Failure(); }
  RegResult SetDefaultString(RegKey, std::string_view) override { return Failure(); }
  RegResult SetValue(RegKey, std::string_view, RegType, std::span<const std::uint8_t>) override {
    return Failure();
  }
  RegResult DeleteKey(RegRoot, std::string_view) override { return Failure(); }
  RegResult CloseKey(RegKey) override { return Failure(); }

 private:
  static RegResult Failure() {
    return {RegStatus::kStoreError, std::string(StringResource(str::kNoDataFolder))};
  }
};

int Run() {
  QtDialogPlatform platform;
  SystemGuidSource guids;
  const std::optional<std::string> registry_path = DefaultRegistryFilePath();
  if (!registry_path) {
    UnavailableRegistryStore store;
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
