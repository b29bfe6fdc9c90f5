// Opens the main window, with the data folder's backup file and registry as the program
// uses them, and prints the rows its bar list shows: identifier TAB name, one a line.
#include <cstdio>

#include "registration/data_files.h"
#include "registration/file_registry_store.h"
#include "resources/dialog_templates.h"
#include "system/guid.h"
#include "tests/support/test_dialog_platform.h"
#include "ui/quillbay_app.h"

int main() {
  using namespace quillbay;
  TestDialogPlatform platform;
  platform.OnRun(dlg::kMain, [](TestWindow& w) {
    for (const auto& row : w.Rows(idc::kBarList))
      std::printf("%s\t%s\n", row.at(0).c_str(), row.at(1).c_str());
    w.Press(Key::kEscape);
  });
  FileRegistryStore store(DataFilePath(kRegistryFileName).value());
  SystemGuidSource guids;
  return CQuillbayApp(platform, store, guids, DataFilePath(kBackupFileName)).Run();
}
