// The contract's user on the real Win32 windows: keys go through the dialog manager, clicks
// are BM_CLICK and selections LVM_SETITEMSTATE, so every notification is the control's own.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

#include "tests/ui/contract/dialog_contract.h"
#include "ui/win32/win32_dialog_platform.h"
#include "ui/win32/win32_program.h"

namespace quillbay::contract {
namespace {

std::vector<std::string> g_boxes;

std::string TextOf(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Runs in each box's own modal loop: a message box is the dialog with an icon control.
void CALLBACK CloseMessageBoxes(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND box, LPARAM) -> BOOL {
        const HWND icon = FindWindowExA(box, nullptr, "Static", nullptr);
        if (!IsWindowVisible(box) || icon == nullptr ||
            (GetWindowLongA(icon, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
          return TRUE;
        }
        const auto shown = reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0));
        std::string seen = shown == LoadIconA(nullptr, IDI_HAND) ? "x " : "! ";
        seen += TextOf(GetDlgItem(box, 0xFFFF));
        if (TextOf(box) != ApplicationTitleOf(ModulePath())) seen += " in " + TextOf(box);
        g_boxes.push_back(seen);
        SendMessageA(box, WM_COMMAND, IDOK, 0);
        return TRUE;
      },
      0);
}

class Win32User final : public User {
 public:
  explicit Win32User(HWND dialog) : dialog_(dialog) {}
  void Press(UserKey key) override {
    static const WPARAM kKeys[] = {VK_TAB, VK_TAB, VK_RETURN, VK_ESCAPE,
                                   VK_F1,  VK_UP,  VK_DOWN,   VK_DELETE};
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = key == UserKey::kShiftTab ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG message{GetFocus(), WM_KEYDOWN, kKeys[static_cast<int>(key)], 1, 0, {}};
    IsDialogMessageA(dialog_, &message);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  }
  void Click(int id) override { SendMessageA(GetDlgItem(dialog_, id), BM_CLICK, 0, 0); }
  void Select(int id, const std::vector<int>& rows) override {
    const HWND list = GetDlgItem(dialog_, id);
    SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
    for (int row = 0; row < ListView_GetItemCount(list); ++row)  // leaving the selection
      if (std::ranges::find(rows, row) == rows.end())
        ListView_SetItemState(list, row, 0, LVIS_SELECTED);
    for (int row : rows) ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
  }
  void ChooseLastSystemMenuItem() override {
    const HMENU menu = GetSystemMenu(dialog_, FALSE);
    SendMessageA(dialog_, WM_SYSCOMMAND, GetMenuItemID(menu, GetMenuItemCount(menu) - 1), 0);
  }
  std::vector<std::string> TakeBoxes() override { return std::exchange(g_boxes, {}); }
  int Focus() override { return IsChild(dialog_, GetFocus()) ? GetDlgCtrlID(GetFocus()) : 0; }

 private:
  HWND dialog_;
};

}  // namespace

DialogPlatform& BackEndPlatform() {
  static Win32DialogPlatform platform;
  [[maybe_unused]] static const UINT_PTR timer = SetTimer(nullptr, 0, 20, CloseMessageBoxes);
  platform.SetHelpBox([](HWND) { g_boxes.push_back("help"); });
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
