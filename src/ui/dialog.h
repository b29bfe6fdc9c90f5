#pragma once

#include <string_view>

#include "ui/dialog_platform.h"

namespace quillbay {

// A dialog window in the manner of the classic dialog framework: it is built from a
// numbered template, addresses its controls by identifier and reacts in On... handlers.
// The same class runs under every back end.
class CDialog {
 public:
  CDialog(DialogPlatform& platform, int template_id);
  virtual ~CDialog() = default;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  int template_id() const { return template_id_; }

  // Runs the window modally and returns how it ended.
  DialogResult DoModal();

  // Entry points for back ends. Each one runs the matching handler; a FileError escaping
  // it ends that handler and is shown with the stop icon, and the window stays open.
  void Initialize(DialogWindow& window);
  // A click of button 1 is the OK command and of button 2 the Cancel command, here for
  // every back end: Enter, Escape and the close box arrive as those clicks.
  void Dispatch(int control_id, ControlEvent event, int item = -1);
  // Returns false when the command is not the dialog's and gets the default handling.
  bool DispatchSystemCommand(int command);
  void Refresh();  // the watched file changed, or the user pressed F5
  void Closed();   // the window is gone; the controls are no longer reachable

 protected:
  virtual void OnInitDialog() {}
  virtual void OnEvent(int /*control_id*/, ControlEvent /*event*/, int /*item*/) {}
  virtual void OnOK() { EndDialog(DialogResult::kOk); }
  virtual void OnCancel() { EndDialog(DialogResult::kCancel); }
  virtual void OnRefresh() {}
  // Returns true when the command was handled here.
  virtual bool OnSystemMenuCommand(int /*command*/) { return false; }

  DialogPlatform& platform() const { return platform_; }
  DialogWindow& window() const { return *window_; }
  void EndDialog(DialogResult result) { window_->EndDialog(result); }
  void ShowMessage(std::string_view text) { platform_.ShowMessage(text); }
  void ShowMessage(int string_id);

 private:
  template <typename Handler>
  void Guarded(Handler&& handler);

  DialogPlatform& platform_;
  int template_id_;
  DialogWindow* window_ = nullptr;
};

}  // namespace quillbay
