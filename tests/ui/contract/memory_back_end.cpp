// The contract's user on the in-memory platform.
#include "tests/support/test_dialog_platform.h"
#include "tests/ui/contract/dialog_contract.h"

namespace quillbay::contract {
namespace {

class MemoryUser final : public User {
 public:
  explicit MemoryUser(TestWindow& w) : w_(w) {}
  void Press(UserKey key) override { w_.Press(static_cast<Key>(key)); }
  void Click(int id) override { w_.Click(id); }
  void Select(int list, const std::vector<int>& rows) override { w_.Select(list, rows); }
  int Focus() override { return w_.focus(); }

 private:
  TestWindow& w_;
};

}  // namespace

DialogPlatform& BackEndPlatform() {
  static TestDialogPlatform platform;
  return platform;
}

void RunOnBackEnd(CDialog& dialog, const Script& script) {
  static_cast<TestDialogPlatform&>(BackEndPlatform())
      .OnRun(dialog.template_id(), [&](TestWindow& w) {
        MemoryUser user(w);
        script(user);
        w.EndDialog(DialogResult::kCancel);
      });
  dialog.DoModal();
}

}  // namespace quillbay::contract
