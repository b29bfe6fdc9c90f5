// The contract on the in-memory platform, whose window is its own user.
#include "tests/support/test_dialog_platform.h"

namespace quillbay::contract {

DialogPlatform& BackEndPlatform() {
  static TestDialogPlatform platform;
  return platform;
}

void RunOnBackEnd(CDialog& dialog, const Script& script) {
  static_cast<TestDialogPlatform&>(BackEndPlatform())
      .OnRun(dialog.template_id(), [&](TestWindow& w) {
        script(w);
        w.EndDialog(DialogResult::kCancel);
      });
  dialog.DoModal();
}

}  // namespace quillbay::contract
