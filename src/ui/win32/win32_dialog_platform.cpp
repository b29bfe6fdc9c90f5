#include "ui/win32/win32_dialog_platform.h"

#include <commctrl.h>

#include <string>

#include "resources/dialog_templates.h"
#include "ui/dialog.h"
#include "ui/win32/win32_dialog_window.h"
#include "ui/win32/win32_program.h"

namespace quillbay {
namespace {

// The message filter hook has no user data; there is one platform per program.
Win32DialogPlatform* g_platform = nullptr;

void OpenHelp(HWND owner, const std::string& help_file) {
  WinHelpA(owner, help_file.c_str(), HELP_FINDER, 0);
}

}  // namespace

Win32DialogPlatform::Win32DialogPlatform(HINSTANCE instance)
    : instance_(instance), help_viewer_(OpenHelp) {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  g_platform = this;
  filter_ = SetWindowsHookExA(WH_MSGFILTER, &Win32DialogPlatform::MessageFilter, nullptr,
                              GetCurrentThreadId());
}

Win32DialogPlatform::~Win32DialogPlatform() {
  if (filter_ != nullptr) UnhookWindowsHookEx(filter_);
  if (g_platform == this) g_platform = nullptr;
}

DialogResult Win32DialogPlatform::RunModal(CDialog& dialog) {
  const DialogTemplate* layout = FindDialogTemplate(dialog.template_id());
  if (layout == nullptr) return DialogResult::kCancel;
  Win32DialogWindow window(*this, dialog, *layout);
  const HWND owner = ActiveWindow();
  open_windows_.push_back(&window);
  const DialogResult result = window.Run(instance_, owner);
  open_windows_.pop_back();
  return result;
}

void Win32DialogPlatform::ShowMessage(std::string_view text) {
  ShowBox(MB_ICONEXCLAMATION, text);
}

void Win32DialogPlatform::ShowError(std::string_view text) {
  ShowBox(MB_ICONSTOP, text);
}

void Win32DialogPlatform::ShowHelp() {
  // The help command goes to the main window, whichever window F1 was pressed in.
  help_viewer_(MainWindow(), HelpFilePathOf(ModulePath()));
}

HWND Win32DialogPlatform::ActiveWindow() const {
  return open_windows_.empty() ? nullptr : open_windows_.back()->hwnd();
}

HWND Win32DialogPlatform::MainWindow() const {
  return open_windows_.empty() ? nullptr : open_windows_.front()->hwnd();
}

bool Win32DialogPlatform::IsOurs(HWND window) const {
  for (const Win32DialogWindow* open : open_windows_) {
    const HWND dialog = open->hwnd();
    if (dialog != nullptr && (window == dialog || IsChild(dialog, window))) return true;
  }
  return false;
}

void Win32DialogPlatform::ShowBox(UINT icon, std::string_view text) {
  const std::string body(text);
  const std::string caption = ApplicationTitleOf(ModulePath());
  MessageBoxA(ActiveWindow(), body.c_str(), caption.c_str(), MB_OK | icon);
}

LRESULT CALLBACK Win32DialogPlatform::MessageFilter(int code, WPARAM wparam, LPARAM lparam) {
  const auto* message = reinterpret_cast<const MSG*>(lparam);
  if (code == MSGF_DIALOGBOX && g_platform != nullptr && message->message == WM_KEYDOWN &&
      message->wParam == VK_F1 && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 &&
      GetKeyState(VK_MENU) >= 0 && g_platform->IsOurs(message->hwnd)) {
    g_platform->ShowHelp();
    return TRUE;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace quillbay
