// The main window on the real Win32 list: its columns against the list's own measures, its
// selection once the focus has left, and the list following a file another process changes.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "resources/dialog_templates.h"
#include "system/data_files.h"
#include "tests/support/registration_fakes.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/contract/dialog_contract.h"
#include "ui/link_page_dlg.h"
#include "ui/quillbay_dlg.h"
#include "ui/win32/win32_dialog_platform.h"

namespace quillbay {
namespace {

constexpr const char* kLongName = "Harbour charts and tide tables for the whole coast";

Win32DialogPlatform& Platform() {
  return static_cast<Win32DialogPlatform&>(contract::BackEndPlatform());
}

void RunWindow(CDialog& dlg, const std::function<void(HWND)>& run) {
  Platform().SetShownHook([&](HWND window, int) {
    run(window);
    EndDialog(window, IDCANCEL);
  });
  dlg.DoModal();
  Platform().SetShownHook(nullptr);
}

void RunMainWindow(const std::string& backup, const std::function<void(HWND)>& run) {
  testing::MemoryRegistryStore store;
  testing::ScriptedGuidSource guids;
  Bars bars(store, guids, backup);
  CQuillbayDlg dlg(Platform(), bars);
  RunWindow(dlg, run);
}

// Eight rows, more than the list shows at once, the first with a long name.
std::string ListOfEight(const testing::TempDir& dir) {
  const std::string path = (dir.path() / "bkupRegKeyf").string();
  std::ofstream out(path, std::ios::binary);
  for (char digit = '1'; digit <= '8'; ++digit) {
    out << "{" << std::string(8, digit) << "-1111-2222-3333-444455556666},"
        << (digit == '1' ? kLongName : "Tide bar") << ";\r\n";
  }
  return path;
}

// Lets the windows' messages flow until `done`, for `limit_ms` at most.
bool FlowUntil(const std::function<bool()>& done, DWORD limit_ms = 5000) {
  const ULONGLONG end = GetTickCount64() + limit_ms;
  for (ULONGLONG now = GetTickCount64(); !done(); now = GetTickCount64()) {
    if (now >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  return true;
}

// quillbay-cli.exe of this build, run to its end while the window's messages flow.
DWORD RunCli(const std::string& arguments) {
  std::string exe = "Z:" QUILLBAY_CLI;
  for (char& c : exe) c = c == '/' ? '\\' : c;
  std::string line = "\"" + exe + "\" " + arguments;
  STARTUPINFOA start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &start, &process)) {
    return GetLastError();
  }
  FlowUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 60000);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

// Run at 96 and at 192 dpi (QUILLBAY_DPI, set by the test's command).
TEST(MainWindow, ColumnsShowTheWholeGuidAndANameColumnWithoutScrollingAcross) {
  testing::TempDir dir;
  RunMainWindow(ListOfEight(dir), [](HWND window) {
    const HWND list = GetDlgItem(window, idc::kBarList);
    const int dpi = static_cast<int>(GetDpiForWindow(list));
    char wanted[8] = {};
    if (GetEnvironmentVariableA("QUILLBAY_DPI", wanted, sizeof wanted) > 0) {
      EXPECT_EQ(dpi, std::stoi(wanted));
    }
    int widest = 0;
    for (const char digit : std::string("0123456789ABCDEF")) {
      std::string id = "{";  // appended: GCC 12's -Wrestrict misreads "{" + string at -O2
      for (const std::size_t length : {8u, 4u, 4u, 4u, 12u})
        id.append(std::string(length, digit)) += '-';
      id.back() = '}';
      widest = std::max(widest, ListView_GetStringWidth(list, id.c_str()));
    }
    const int guid = ListView_GetColumnWidth(list, 0);
    const int name = ListView_GetColumnWidth(list, 1);
    RECT client;
    GetClientRect(list, &client);
    std::printf("columns %d + %d px in a %d px list at %d dpi\n", guid, name,
                static_cast<int>(client.right), dpi);
    EXPECT_GT(guid, widest);
    EXPECT_GE(name, MulDiv(100, dpi, 96));
    EXPECT_LE(guid + name, client.right);
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & WS_HSCROLL, 0);
    EXPECT_NE(GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL, 0);
    // The long name, cut off in its column, is the tooltip of its row under the mouse.
    RECT cell{};
    cell.top = 1;  // the column
    SendMessageA(list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
    POINT mouse{cell.left + 4, cell.top + 2};
    ClientToScreen(list, &mouse);
    SetCursorPos(mouse.x, mouse.y);
    NMTTDISPINFOA tip{};
    tip.hdr = {list, reinterpret_cast<UINT_PTR>(list), TTN_GETDISPINFOA};
    SendMessageA(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    const std::string text = tip.lpszText != nullptr ? tip.lpszText : "";
    EXPECT_EQ(text, kLongName);
  });
}

TEST(MainWindow, SelectionStaysShownWhenTheFocusMovesToDelete) {
  testing::TempDir dir;
  RunMainWindow(ListOfEight(dir), [](HWND window) {
    const HWND list = GetDlgItem(window, idc::kBarList);
    SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
    ListView_SetItemState(list, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    const HWND remove = GetDlgItem(window, idc::kDelete);
    SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(remove), TRUE);
    EXPECT_EQ(GetFocus(), remove);
    EXPECT_NE(GetWindowLongA(list, GWL_STYLE) & LVS_SHOWSELALWAYS, 0);
    EXPECT_NE(ListView_GetExtendedListViewStyle(list) & LVS_EX_FULLROWSELECT, 0u);
    EXPECT_EQ(ListView_GetItemState(list, 2, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));
    EXPECT_EQ(SendMessageA(remove, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0);
  });
}

// Run at 96 and at 192 dpi, where it is taller than the display's 1024 pixels.
TEST(LinkPageWindow, FitsTheScreensFreeAreaAndScrollsToItsFoot) {
  CLinkPageDlg dlg(Platform());
  RunWindow(dlg, [](HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT box;
    GetWindowRect(window, &box);
    std::printf("link page %ld x %ld px\n", box.right - box.left, box.bottom - box.top);
    EXPECT_LE(box.bottom - box.top, monitor.rcWork.bottom - monitor.rcWork.top);
    SendMessageA(window, WM_VSCROLL, SB_BOTTOM, 0);
    RECT client;
    GetClientRect(window, &client);
    for (const int id : {idc::kDescription, idc::kSampleImage}) {
      GetWindowRect(GetDlgItem(window, id), &box);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
      EXPECT_GE(box.top, 0) << id;
      EXPECT_LE(box.bottom, client.bottom) << id;
    }
  });
}

// The window's list is the Windows folder's, which quillbay-cli.exe changes.
TEST(MainWindow, ListFollowsTheFileThatAnotherProcessChanges) {
  const std::string id = "{5B0D7C1E-2F44-4A8B-9E63-0C1D2E3F4A5B}";
  RunMainWindow(DataFilePath(kBackupFileName).value(), [&](HWND window) {
    const HWND list = GetDlgItem(window, idc::kBarList);
    const auto shown = [&] {
      char text[64];
      for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        ListView_GetItemText(list, row, 0, text, sizeof text);
        if (id == text) return true;
      }
      return false;
    };
    ASSERT_FALSE(shown());
    ASSERT_EQ(RunCli("add --id " + id + " \"Tide bar\" http://www.example.com/"), 0u);
    EXPECT_TRUE(FlowUntil(shown));
    ASSERT_EQ(RunCli("delete " + id), 0u);
    EXPECT_TRUE(FlowUntil([&] { return !shown(); }));
  });
}

}  // namespace
}  // namespace quillbay
