// The contract's user on the in-memory platform.
#include "tests/support/test_dialog_platform.h"
#include "tests/ui/contract/dialog_contract.h"

namespace quillbay::contract {

DialogPlatform& BackEndPlatform() {
  static TestDialogPlatform platform;
  return platform;
}

void RunOnBackEnd(CDialog& dialog, const Script& script) {
  struct MemoryUser final : User {
    explicit MemoryUser(TestWindow& window) : w(window) {}
    void Press(UserKey key) override {
      if (key == UserKey::kF1) return BackEndPlatform().ShowHelp();
      w.Press(static_cast<Key>(key));
    }
    void Click(int id) override { w.Click(id); }
    void Select(int list, const std::vector<int>& rows) override { w.Select(list, rows); }
    int Focus() override { return w.focus(); }
    void ChooseLastSystemMenuItem() override {
      w.ChooseSystemCommand(w.system_menu().back().first);
    }
    std::vector<std::string> TakeBoxes() override {
      return static_cast<TestDialogPlatform&>(BackEndPlatform()).TakeMessages();
    }
    TestWindow& w;
  };
  auto& platform = static_cast<TestDialogPlatform&>(BackEndPlatform());
  platform.OnRun(dialog.template_id(), [&](TestWindow& w) {
    MemoryUser user(w);
    script(user);
    w.EndDialog(DialogResult::kCancel);
  });
  dialog.DoModal();
}

}  // namespace quillbay::contract
