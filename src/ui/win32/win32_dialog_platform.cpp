#include "ui/win32/win32_dialog_platform.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "resources/dialog_templates.h"
#include "resources/string_table.h"
#include "system/win32/text_win32.h"
#include "ui/dialog.h"
#include "ui/win32/win32_dialog_window.h"
#include "ui/win32/win32_program.h"

namespace quillbay {
namespace {

// The message filter hook has no user data; there is one platform per program.
Win32DialogPlatform* g_platform = nullptr;

}  // namespace

Win32DialogPlatform::Win32DialogPlatform(HINSTANCE instance)
    : instance_(instance), help_box_([this](HWND owner) { ShowHelpBox(owner); }) {
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
  help_box_(ActiveWindow());
}

void Win32DialogPlatform::ShowHelpBox(HWND owner) {
  // As on Linux: the help text, OK and, when the main window's window menu has it, About.
  const std::wstring text = WideText(StringResource(str::kHelpText));
  const std::wstring caption = WideText(ApplicationTitleOf(ModulePath()));
  const HWND main = MainWindow();
  const HMENU menu = main != nullptr ? GetSystemMenu(main, FALSE) : nullptr;
  std::wstring about;
  if (menu != nullptr && GetMenuState(menu, kAboutCommand, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
    char item[128] = {};
    GetMenuStringA(menu, kAboutCommand, item, sizeof item, MF_BYCOMMAND);
    about = WideText(item);
  }
  const TASKDIALOG_BUTTON buttons[] = {{kAboutCommand, about.c_str()}};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.hInstance = instance_;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.dwCommonButtons = TDCBF_OK_BUTTON;
  config.pszWindowTitle = caption.c_str();
  config.pszMainIcon = TD_INFORMATION_ICON;
  config.pszContent = text.c_str();
  config.cButtons = about.empty() ? 0 : 1;
  config.pButtons = buttons;
  config.nDefaultButton = IDOK;
  int pressed = 0;
  if (SUCCEEDED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr)) &&
      pressed == kAboutCommand) {
    SendMessageA(main, WM_SYSCOMMAND, kAboutCommand, 0);
  }
}

HWND Win32DialogPlatform::ActiveWindow() const {
  return open_windows_.empty() ? nullptr : open_windows_.back()->hwnd();
}

HWND Win32DialogPlatform::MainWindow() const {
  return open_windows_.empty() ? nullptr : open_windows_.front()->hwnd();
}

Win32DialogWindow* Win32DialogPlatform::WindowOf(HWND window) const {
  for (Win32DialogWindow* open : open_windows_) {
    const HWND dialog = open->hwnd();
    if (dialog != nullptr && (window == dialog || IsChild(dialog, window))) return open;
  }
  return nullptr;
}

void Win32DialogPlatform::ShowBox(UINT icon, std::string_view text) {
  const std::string body(text);
  const std::string caption = ApplicationTitleOf(ModulePath());
  MessageBoxA(ActiveWindow(), body.c_str(), caption.c_str(), MB_OK | icon);
}

LRESULT CALLBACK Win32DialogPlatform::MessageFilter(int code, WPARAM wparam, LPARAM lparam) {
  const auto* message = reinterpret_cast<const MSG*>(lparam);
  Win32DialogWindow* window =
      code == MSGF_DIALOGBOX && g_platform != nullptr && message->message == WM_KEYDOWN
          ? g_platform->WindowOf(message->hwnd)
          : nullptr;
  if (window != nullptr) {
    const bool plain =
        GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
    if (plain && message->wParam == VK_F1) {
      g_platform->ShowHelp();
      return TRUE;
    }
    // F5 reads the window's file again, as Windows lists do.
    if (plain && message->wParam == VK_F5) {
      window->RefreshNow();
      return TRUE;
    }
    window->KeyPressed();
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace quillbay
