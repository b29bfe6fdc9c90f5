// The contract's user on the real Win32 windows: keys go through the dialog manager
// (IsDialogMessage), clicks are BM_CLICK and selections LVM_SETITEMSTATE, so every
// notification is the control's own.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "tests/ui/contract/dialog_contract.h"
#include "ui/win32/win32_dialog_platform.h"

namespace quillbay::contract {
namespace {

void PressKey(HWND dialog, UINT key, bool shift) {
  BYTE keys[256];
  GetKeyboardState(keys);
  const BYTE saved = keys[VK_SHIFT];
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  MSG message{GetFocus() != nullptr ? GetFocus() : dialog, WM_KEYDOWN, key, 1, 0, {}};
  if (!IsDialogMessageA(dialog, &message)) DispatchMessageA(&message);
  keys[VK_SHIFT] = saved;
  SetKeyboardState(keys);
}

class Win32User final : public User {
 public:
  explicit Win32User(HWND dialog) : dialog_(dialog) {}
  void Press(UserKey key) override {
    static const UINT kKeys[] = {VK_TAB, VK_TAB, VK_RETURN, VK_ESCAPE};
    PressKey(dialog_, kKeys[static_cast<int>(key)], key == UserKey::kShiftTab);
  }
  void Click(int id) override { SendMessageA(GetDlgItem(dialog_, id), BM_CLICK, 0, 0); }
  void Select(int id, const std::vector<int>& rows) override {
    const HWND list = GetDlgItem(dialog_, id);
    SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    for (int pass = 0; pass < 2; ++pass) {  // rows leaving the selection first
      for (int row = 0; row < count; ++row) {
        const bool wanted = std::find(rows.begin(), rows.end(), row) != rows.end();
        if (wanted != (pass == 1)) continue;
        item.state = wanted ? LVIS_SELECTED : 0;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
      }
    }
  }
  int Focus() override {
    const HWND focus = GetFocus();
    return focus != nullptr && IsChild(dialog_, focus) ? GetDlgCtrlID(focus) : 0;
  }

 private:
  HWND dialog_;
};

}  // namespace

DialogPlatform& BackEndPlatform() {
  static Win32DialogPlatform platform;
  return platform;
}

void RunOnBackEnd(CDialog& dialog, const Script& script) {
  auto& platform = static_cast<Win32DialogPlatform&>(BackEndPlatform());
  platform.SetShownHook([&](HWND hwnd, int) {
    Win32User user(hwnd);
    script(user);
    EndDialog(hwnd, IDCANCEL);
  });
  dialog.DoModal();
  platform.SetShownHook(nullptr);
}

}  // namespace quillbay::contract
