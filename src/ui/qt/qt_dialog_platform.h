#pragma once

#include <QMessageBox>

#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/dialog_platform.h"

namespace quillbay {

class QtDialogWindow;

// The dialog platform on Qt Widgets: every modal run builds a QtDialogWindow from the dialog's
// template, and message boxes are owned by the innermost open window.
class QtDialogPlatform final : public DialogPlatform {
 public:
  DialogResult RunModal(CDialog& dialog) override;
  void ShowMessage(std::string_view text) override;
  void ShowError(std::string_view text) override;
  void ShowHelp() override;

  // The window of the innermost modal run, nullptr when none is open.
  QtDialogWindow* ActiveWindow() const;

  // Called once each window is on screen and its modal loop runs: tests and the screenshot
  // tool drive the windows from here.
  using ShownHook = std::function<void(QtDialogWindow&)>;
  void SetShownHook(ShownHook hook) { shown_hook_ = std::move(hook); }
  const ShownHook& shown_hook() const { return shown_hook_; }

 private:
  void ShowBox(QMessageBox::Icon icon, std::string_view text);

  std::vector<QtDialogWindow*> open_windows_;
  ShownHook shown_hook_;
};

}  // namespace quillbay
