#include <windows.h>

#include "registration/win32/win32_registry_store.h"
#include "system/data_files.h"
#include "system/guid.h"
#include "ui/quillbay_app.h"
#include "ui/win32/win32_dialog_platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  quillbay::Win32DialogPlatform platform(instance);
  quillbay::Win32RegistryStore store;
  quillbay::SystemGuidSource guids;
  quillbay::CQuillbayApp app(platform, store, guids,
                             quillbay::DataFilePath(quillbay::kBackupFileName));
  return app.Run();
}
