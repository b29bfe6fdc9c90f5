#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/dialog_platform.h"

namespace quillbay {

class Win32DialogWindow;

// The dialog platform on the Win32 dialog manager and the common controls: every modal run
// builds its window from the dialog's template with DialogBoxIndirectParamA, owned by the
// window open before it, and message boxes belong to the innermost open window. One per
// program, on the user-interface thread.
class Win32DialogPlatform final : public DialogPlatform {
 public:
  // `instance` holds the program's resources (icon 145, bitmap 144).
  explicit Win32DialogPlatform(HINSTANCE instance = GetModuleHandleA(nullptr));
  ~Win32DialogPlatform() override;
  Win32DialogPlatform(const Win32DialogPlatform&) = delete;
  Win32DialogPlatform& operator=(const Win32DialogPlatform&) = delete;

  DialogResult RunModal(CDialog& dialog) override;
  void ShowMessage(std::string_view text) override;
  void ShowError(std::string_view text) override;
  void ShowHelp() override;

  HINSTANCE instance() const { return instance_; }
  // The window of the innermost modal run; nullptr when none is open.
  HWND ActiveWindow() const;
  // The program's main window: the first open one.
  HWND MainWindow() const;

  // Called once each window is on screen and its modal loop runs, with the window and its
  // template: tests and the screenshot tool drive the real windows from here.
  using ShownHook = std::function<void(HWND window, int template_id)>;
  void SetShownHook(ShownHook hook) { shown_hook_ = std::move(hook); }
  const ShownHook& shown_hook() const { return shown_hook_; }

  // Shows the help box over `owner`; the real box unless a test replaces it.
  using HelpBox = std::function<void(HWND owner)>;
  void SetHelpBox(HelpBox box) { help_box_ = std::move(box); }

 private:
  // F1 in any of our windows asks for help, as the framework's message filter does; F5
  // refreshes the window.
  static LRESULT CALLBACK MessageFilter(int code, WPARAM wparam, LPARAM lparam);
  // The open window that is or holds `window`, or nullptr.
  Win32DialogWindow* WindowOf(HWND window) const;
  void ShowHelpBox(HWND owner);
  void ShowBox(UINT icon, std::string_view text);

  HINSTANCE instance_;
  HHOOK filter_ = nullptr;
  std::vector<Win32DialogWindow*> open_windows_;
  ShownHook shown_hook_;
  HelpBox help_box_;
};

}  // namespace quillbay
