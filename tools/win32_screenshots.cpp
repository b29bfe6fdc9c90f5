// Opens the real windows one after the other, with some content, and waits at each for a
// picture to be taken of the display: scripts/win32-screenshots.sh takes them. For each
// window it writes "<folder>\<name>.ready" holding the window's rectangle on the screen and
// carries on once the file is gone.
#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <string>

#include "resources/dialog_templates.h"
#include "tests/support/registration_fakes.h"
#include "ui/quillbay_app.h"
#include "ui/win32/win32_dialog_platform.h"

namespace {

using namespace quillbay;

std::string g_folder;

void SetText(HWND w, int id, const char* text) {
  SetDlgItemTextA(w, id, text);
}

void Click(HWND w, int id) {
  SendMessageA(GetDlgItem(w, id), BM_CLICK, 0, 0);
}

void SelectRow(HWND w, int id, int row) {
  LVITEMA item{};
  item.stateMask = item.state = LVIS_SELECTED;
  SendMessageA(GetDlgItem(w, id), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&item));
  // The link list shows its selection only while it has the focus.
  SendMessageA(w, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(w, id)), TRUE);
}

// Waits, with the window's messages flowing, until the picture has been taken.
void Picture(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  RECT rect;
  GetWindowRect(window, &rect);
  const std::string ready = g_folder + "\\" + name + ".ready";
  std::ofstream(ready) << (rect.right - rect.left) << ' ' << (rect.bottom - rect.top) << ' '
                       << rect.left << ' ' << rect.top << '\n';
  for (int waited = 0;
       waited < 30000 && GetFileAttributesA(ready.c_str()) != INVALID_FILE_ATTRIBUTES;
       waited += 50) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(50);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  g_folder = argv[1];
  Win32DialogPlatform platform;
  const auto on_main = [&](HWND w) {
    for (const char* name : {"Tide bar", "Harbour news"}) {
      SetText(w, idc::kBarName, name);
      SetText(w, idc::kLocation, "http://www.example.com/bar.htm");
      Click(w, idc::kCreate);
    }
    SetText(w, idc::kLocation, "c:\\mylocalpage.htm");
    SetText(w, idc::kBarName, "My bar");
    SelectRow(w, idc::kBarList, 1);
    Picture(w, "main");
    // The selection as it stays while the focus is on Delete.
    SendMessageA(w, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(w, idc::kDelete)), TRUE);
    Picture(w, "main-delete");
    SendMessageA(w, WM_SYSCOMMAND, kAboutCommand, 0);
    // The help box of F1, taken and closed from a timer while it runs.
    SetTimer(nullptr, 0, 500, [](HWND, UINT, UINT_PTR timer, DWORD) {
      KillTimer(nullptr, timer);
      const HWND box = GetActiveWindow();
      Picture(box, "help");
      SendMessageA(box, TDM_CLICK_BUTTON, IDOK, 0);
    });
    platform.ShowHelp();
    Click(w, idc::kCreateHtml);
    Click(w, idc::kCancel);
  };
  const auto on_link_page = [](HWND w) {
    for (const auto& [name, url] : {std::pair{"Local data", "file:///c:/data.htm"},
                                    std::pair{"News", "http://news.example.com/"}}) {
      SetText(w, idc::kLinkName, name);
      SetText(w, idc::kUrl, url);
      Click(w, idc::kAddLink);
    }
    Click(w, idc::kTitleCheck);
    SetText(w, idc::kTitle, "My links");
    SetText(w, idc::kPath, "c:\\links.htm");
    SelectRow(w, idc::kLinkList, 0);
    Picture(w, "linkpage");
    // Too tall for the screen, the window scrolls: its foot as well.
    if ((GetWindowLongA(w, GWL_STYLE) & WS_VSCROLL) != 0) {
      SendMessageA(w, WM_VSCROLL, SB_BOTTOM, 0);
      Picture(w, "linkpage-foot");
    }
    Click(w, idc::kCancel);
  };
  platform.SetShownHook([&](HWND w, int template_id) {
    if (template_id == dlg::kMain) on_main(w);
    if (template_id == dlg::kLinkPage) on_link_page(w);
    if (template_id == dlg::kAbout) {
      Picture(w, "about");
      Click(w, idc::kOk);
    }
  });
  // The pictures need rows in the list, not the registry: the keys are kept in memory.
  testing::MemoryRegistryStore store;
  // Fixed identifiers: an unchanged window gives an unchanged picture.
  testing::ScriptedGuidSource guids;
  guids.queued = {
      Guid{0x6A1C2E40, 0x9D3B, 0x4F55, {0x8C, 0x21, 0x0B, 0x7E, 0x2D, 0x9F, 0x4A, 0x13}},
      Guid{0x0F3B8D72, 0x51A4, 0x4E09, {0xB6, 0xC8, 0x7D, 0x2E, 0x91, 0xA0, 0x5C, 0x66}}};
  const std::string backup = g_folder + "\\bkupRegKeyf";
  DeleteFileA(backup.c_str());
  Bars bars(store, guids, backup);
  CQuillbayApp app(platform, bars);
  app.Run();
  // The list and its lock were the pictures' own.
  DeleteFileA(backup.c_str());
  DeleteFileA((backup + ".lock").c_str());
  return 0;
}
