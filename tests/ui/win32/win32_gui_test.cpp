// One pass through the program on the real Win32 windows and the real registry: the pieces
// are wired together, message boxes belong to the right window with the right icon, and F1
// reaches the help viewer. What the windows decide is tested on the in-memory platform.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "linkpage/link_page.h"
#include "registration/win32/win32_registry_store.h"
#include "resources/dialog_templates.h"
#include "system/guid.h"
#include "tests/ui/contract/dialog_contract.h"
#include "ui/quillbay_app.h"
#include "ui/win32/win32_dialog_platform.h"
#include "ui/win32/win32_program.h"

namespace quillbay {
namespace {

struct SeenBox {
  std::string text;
  HWND owner;
  HICON icon;
};
std::vector<SeenBox> g_boxes;

std::string TextOf(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Runs in each box's own modal loop: notes the box and presses its OK button.
void CALLBACK CloseMessageBoxes(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND box, LPARAM) -> BOOL {
        if (!IsWindowVisible(box) || TextOf(box) != ApplicationTitleOf(ModulePath())) return TRUE;
        SeenBox seen{"", GetWindow(box, GW_OWNER), nullptr};
        for (HWND part = GetWindow(box, GW_CHILD); part; part = GetWindow(part, GW_HWNDNEXT)) {
          if ((GetWindowLongA(part, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            seen.icon = reinterpret_cast<HICON>(SendMessageA(part, STM_GETICON, 0, 0));
          } else if (seen.text.empty() && GetDlgCtrlID(part) != IDOK) {
            seen.text = TextOf(part);
          }
        }
        g_boxes.push_back(seen);
        SendMessageA(box, WM_COMMAND, IDOK, 0);
        return TRUE;
      },
      0);
}

void Click(HWND w, int id) {
  SendMessageA(GetDlgItem(w, id), BM_CLICK, 0, 0);
}

TEST(Win32ProgramTest, OnePassThroughEveryWindow) {
  auto& platform = static_cast<Win32DialogPlatform&>(contract::BackEndPlatform());
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string page = std::string(temp) + "quillbay-links.htm";
  const std::string backup = std::string(temp) + "quillbay-bkupRegKeyf";
  DeleteFileA(backup.c_str());
  std::string help_file;
  platform.SetHelpViewer([&](HWND, const std::string& file) { help_file = file; });
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, CloseMessageBoxes);
  g_boxes.clear();
  HWND main_window = nullptr, about_window = nullptr;
  int rows_after_create = 0, rows_after_delete = -1;

  platform.SetShownHook([&](HWND w, int template_id) {
    if (template_id == dlg::kMain) {
      main_window = w;
      SetDlgItemTextA(w, idc::kBarName, "Tide;bar");  // one box for the separator
      SetDlgItemTextA(w, idc::kLocation, "http://www.example.com/tide.htm");
      Click(w, idc::kCreate);
      const HWND list = GetDlgItem(w, idc::kBarList);
      rows_after_create = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
      LVITEMA item{};
      item.stateMask = item.state = LVIS_SELECTED;
      SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
      Click(w, idc::kDelete);
      rows_after_delete = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
      SendMessageA(w, WM_SYSCOMMAND, kAboutCommand, 0);
      Click(w, idc::kCreateHtml);
      // F1 and then Enter in the name box: help, then the OK command ends the window.
      SendMessageA(w, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(w, idc::kBarName)), 1);
      for (WPARAM key : {WPARAM{VK_F1}, WPARAM{VK_RETURN}}) {
        MSG message{GetFocus(), WM_KEYDOWN, key, 1, 0, {}};
        IsDialogMessageA(w, &message);
      }
    } else if (template_id == dlg::kAbout) {
      about_window = w;
      EXPECT_EQ(GetWindow(w, GW_OWNER), main_window);
      platform.ShowError("Disk full.");  // a file error's box, over the About box
      Click(w, idc::kOk);
    } else {
      SetDlgItemTextA(w, idc::kLinkName, "News");
      Click(w, idc::kAddLink);
      SetDlgItemTextA(w, idc::kPath, page.c_str());
      Click(w, idc::kOk);
    }
  });
  Win32RegistryStore store;
  SystemGuidSource guids;
  EXPECT_EQ(CQuillbayApp(platform, store, guids, backup).Run(), 0);
  platform.SetShownHook(nullptr);
  KillTimer(nullptr, timer);

  EXPECT_EQ(rows_after_create, 1);
  EXPECT_EQ(rows_after_delete, 0);
  ASSERT_EQ(g_boxes.size(), 2u);
  EXPECT_EQ(g_boxes[0].owner, main_window);
  EXPECT_EQ(g_boxes[0].icon, LoadIconA(nullptr, IDI_EXCLAMATION));
  EXPECT_EQ(g_boxes[1].text, "Disk full.");
  EXPECT_EQ(g_boxes[1].icon, LoadIconA(nullptr, IDI_HAND));
  EXPECT_EQ(g_boxes[1].owner, about_window);
  EXPECT_EQ(help_file, HelpFilePathOf(ModulePath()));
  std::ifstream in(page, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            BuildLinkPage("", {{"News", "http://"}}));
  in.close();
  DeleteFileA(page.c_str());
  DeleteFileA(backup.c_str());
}

TEST(Win32ProgramTest, TitleAndHelpFileFollowTheProgramPath) {
  EXPECT_EQ(ApplicationTitleOf("C:\\Program Files\\Quillbay\\quill.bay.exe"), "quill.bay");
  EXPECT_EQ(HelpFilePathOf("C:\\tools.d\\quillbay"), "C:\\tools.d\\quillbay.HLP");
  EXPECT_EQ(HelpFilePathOf("D:quill.bay.exe"), "D:quill.bay.HLP");
}

}  // namespace
}  // namespace quillbay
