#include <windows.h>

#include "registration/machine_bars.h"
#include "ui/quillbay_app.h"
#include "ui/win32/win32_dialog_platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  quillbay::Win32DialogPlatform platform(instance);
  quillbay::MachineBars machine;
  return quillbay::CQuillbayApp(platform, machine.bars()).Run();
}
