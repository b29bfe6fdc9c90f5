#include "ui/win32/win32_dialog_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "system/win32/text_win32.h"
#include "ui/dialog.h"
#include "ui/win32/win32_dialog_platform.h"
#include "ui/win32/win32_dialog_template.h"

namespace quillbay {
namespace {

// Posted once the window exists, so the shown hook runs inside the modal loop.
constexpr UINT kShownMessage = WM_APP + 1;
// Posted by the watching thread when the watched file changed.
constexpr UINT kFileChangedMessage = WM_APP + 2;
// Posted on a key, so that the focus it moved is looked at once it has moved.
constexpr UINT kKeyHandledMessage = WM_APP + 3;
// Changes are taken together until none came for a moment, but never for longer than the
// list may lag behind its file.
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kSettleMs = 200;
constexpr ULONGLONG kLongestWaitMs = 700;
// How far a layout tightens down: the closest controls of the templates still keep clear.
constexpr double kTightest = 0.9;
// The pixels a list leaves around a cell's text.
constexpr int kCellMargin = 12;

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

// The dots per inch of `window`'s monitor. The manifest makes the program aware of each
// monitor's scale, so widths given in pixels at 96 dpi are scaled here; Windows before 10
// (version 1607) has no GetDpiForWindow and scales for the whole screen.
UINT WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (get_dpi != nullptr) {
    if (const UINT dpi = get_dpi(window); dpi != 0) return dpi;
  }
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

bool IsButton(ControlKind kind) {
  return kind == ControlKind::kPushButton || kind == ControlKind::kCheckBox ||
         kind == ControlKind::kRadioButton;
}

}  // namespace

Win32DialogWindow::Win32DialogWindow(Win32DialogPlatform& platform, CDialog& dialog,
                                     const DialogTemplate& layout)
    : platform_(platform), dialog_(&dialog), layout_(layout) {}

Win32DialogWindow::~Win32DialogWindow() {
  StopWatching();
  for (const HBITMAP picture : pictures_) DeleteObject(picture);
  if (large_icon_ != nullptr) DestroyIcon(large_icon_);
  if (small_icon_ != nullptr) DestroyIcon(small_icon_);
}

DialogResult Win32DialogWindow::Run(HINSTANCE instance, HWND owner) {
  const std::vector<std::uint32_t> bytes = BuildDialogTemplate(layout_);
  const INT_PTR result =
      DialogBoxIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), owner,
                              &Win32DialogWindow::DialogProc, reinterpret_cast<LPARAM>(this));
  CDialog* dialog = dialog_;
  dialog_ = nullptr;
  hwnd_ = nullptr;
  if (dialog != nullptr) dialog->Closed();
  return result == IDOK ? DialogResult::kOk : DialogResult::kCancel;
}

INT_PTR CALLBACK Win32DialogWindow::DialogProc(HWND hwnd, UINT message, WPARAM wparam,
                                               LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Win32DialogWindow*>(lparam);
    SetWindowLongPtrA(hwnd, DWLP_USER, lparam);
    self->hwnd_ = hwnd;
    return self->OnInitDialog();
  }
  auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  return self != nullptr ? self->HandleMessage(message, wparam, lparam) : FALSE;
}

INT_PTR Win32DialogWindow::OnInitDialog() {
  initialized_ = true;
  // Looked up once: under Wine every GetDlgItem asks its server, and a fill asks per row.
  for (const ControlTemplate& control : layout_.controls) {
    if (control.id != idc::kStatic)
      controls_.emplace_back(control.id, GetDlgItem(hwnd_, control.id));
  }
  WidenLabelsToFit();
  UseSharpPictures();
  UseListStyles();
  // The lists are filled before the window is first drawn: each row need not redraw them.
  SetListRedraw(false);
  Busy([&] { dialog_->Initialize(*this); });
  SetListRedraw(true);
  FitToWorkArea();
  CenterOverOwner();
  PostMessageA(hwnd_, kShownMessage, 0, 0);
  // TRUE lets the dialog manager focus the first tab stop, unless the dialog chose one.
  return focus_set_ ? FALSE : TRUE;
}

INT_PTR Win32DialogWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return TRUE;
    case WM_NOTIFY:
      if (reinterpret_cast<const NMHDR*>(lparam)->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT,
                          DrawUnfocusedSelection(*reinterpret_cast<NMLVCUSTOMDRAW*>(lparam)));
        return TRUE;
      }
      if (reinterpret_cast<const NMHDR*>(lparam)->code == TTN_GETDISPINFOA) {
        auto& tip = *reinterpret_cast<NMTTDISPINFOA*>(lparam);
        tip.lpszText = const_cast<char*>(TipUnderCursor(tip.hdr.idFrom).c_str());
        return TRUE;
      }
      OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
      return FALSE;
    case WM_SYSCOMMAND: {
      bool handled = false;
      if (dialog_ != nullptr)
        Busy([&] { handled = dialog_->DispatchSystemCommand(static_cast<int>(wparam)); });
      if (handled) {
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      return FALSE;  // move, close and the rest: the default handling
    }
    case kFileChangedMessage:
      OnFileChanged();
      return TRUE;
    case kKeyHandledMessage:
      ScrollFocusIntoView();
      return TRUE;
    case WM_TIMER:
      if (wparam != kRefreshTimer) return FALSE;
      OnRefreshTimer();
      return TRUE;
    case WM_VSCROLL:
      if (lparam != 0) return FALSE;  // a scroll bar control's, not the window's
      OnVScroll(LOWORD(wparam));
      return TRUE;
    case WM_MOUSEWHEEL:
      if (page_height_ == 0) return FALSE;
      ScrollTo(scroll_y_ - GET_WHEEL_DELTA_WPARAM(wparam) * 3 *
                               static_cast<int>(HIWORD(GetDialogBaseUnits())) / WHEEL_DELTA);
      return TRUE;
    case WM_PAINT:
      return PaintMinimized() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      // One of the messages a dialog procedure answers with its return value.
      return reinterpret_cast<INT_PTR>(large_icon_);
    case WM_DESTROY:
      // The controls go away now; what they report on the way is no longer the dialog's.
      initialized_ = false;
      controls_.clear();
      StopWatching();
      KillTimer(hwnd_, kRefreshTimer);
      return FALSE;
    case kShownMessage:
      // The focus is shown from the start, not only once a key was pressed: after a click,
      // Tab would otherwise move an invisible focus.
      SendMessageA(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
      if (dialog_ != nullptr && platform_.shown_hook()) {
        // The dialog manager shows the window only when its queue first runs empty.
        if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOWNORMAL);
        UpdateWindow(hwnd_);
        platform_.shown_hook()(hwnd_, layout_.id);
      }
      return TRUE;
    default:
      return FALSE;
  }
}

void Win32DialogWindow::OnCommand(int id, int code, HWND control) {
  if (dialog_ == nullptr || !initialized_) return;
  const ControlTemplate* tmpl = Find(id);
  // Enter and Escape come from the dialog manager as clicks of buttons 1 and 2, also in a
  // window without such a button.
  const bool command_button = tmpl == nullptr && (id == IDOK || id == IDCANCEL);
  if (code == BN_CLICKED && (command_button || (tmpl != nullptr && IsButton(tmpl->kind)))) {
    Notify(id, ControlEvent::kClicked);
  } else if (tmpl != nullptr && control != nullptr && tmpl->kind == ControlKind::kEdit &&
             code == EN_CHANGE) {
    Notify(id, ControlEvent::kTextChanged);
  }
}

void Win32DialogWindow::OnNotify(const NMHDR& header) {
  if (dialog_ == nullptr || !initialized_) return;
  const int id = static_cast<int>(header.idFrom);
  const ControlTemplate* tmpl = Find(id);
  if (tmpl == nullptr || tmpl->kind != ControlKind::kReportList) return;
  const auto& list = reinterpret_cast<const NMLISTVIEW&>(header);
  switch (header.code) {
    case LVN_INSERTITEM:
      Notify(id, ControlEvent::kItemInserted, list.iItem);
      break;
    case LVN_DELETEITEM:  // sent while the row is still in the list
      Notify(id, ControlEvent::kItemDeleted, list.iItem);
      break;
    case LVN_ITEMCHANGED:
      Notify(id, ControlEvent::kItemChanged, list.iItem);
      break;
    case LVN_KEYDOWN:
      if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) {
        Notify(id, ControlEvent::kDeleteKey);
      }
      break;
    default:
      break;
  }
}

void Win32DialogWindow::WidenLabelsToFit() {
  // The template's sizes were made for its own font; the font the system substitutes may
  // run wider. A label whose text then wraps past its height grows to the right, as far as
  // the window's edge, rather than lose its last words.
  RECT client;
  GetClientRect(hwnd_, &client);
  RECT margin{0, 0, 4, 0};
  MapDialogRect(hwnd_, &margin);
  for (const ControlTemplate& control : layout_.controls) {
    if (control.kind != ControlKind::kLabel || control.text.empty()) continue;
    HWND label = nullptr;
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      if (GetDlgCtrlID(child) == static_cast<int>(static_cast<WORD>(control.id)) &&
          WindowText(child) == control.text) {
        label = child;
        break;
      }
    }
    if (label == nullptr) continue;
    RECT box;
    GetWindowRect(label, &box);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
    const HDC dc = GetDC(label);
    const HGDIOBJ old_font =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    const std::string text(control.text);
    const UINT prefix = (control.style & cs::kNoPrefix) != 0 ? DT_NOPREFIX : 0;
    RECT wrapped{0, 0, box.right - box.left, 0};
    DrawTextA(dc, text.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | prefix);
    RECT line{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), -1, &line, DT_CALCRECT | DT_SINGLELINE | prefix);
    SelectObject(dc, old_font);
    ReleaseDC(label, dc);
    if (wrapped.bottom <= box.bottom - box.top && wrapped.right <= box.right - box.left) continue;
    const LONG width = std::min(line.right, client.right - margin.right - box.left);
    if (width > box.right - box.left) {
      SetWindowPos(label, nullptr, 0, 0, width, box.bottom - box.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

void Win32DialogWindow::UseSharpPictures() {
  // Above 96 dpi a picture is drawn from the bitmap made at twice the size, scaled to the
  // window's dots per inch, rather than shown at its own small size.
  const UINT dpi = WindowDpi(hwnd_);
  if (dpi <= 96) return;
  for (const ControlTemplate& control : layout_.controls) {
    const HWND picture = control.kind == ControlKind::kPicture ? Control(control.id) : nullptr;
    if (picture == nullptr) continue;
    BITMAP size{};
    const auto shown =
        reinterpret_cast<HGDIOBJ>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    if (shown == nullptr || GetObjectA(shown, sizeof size, &size) == 0) continue;
    const std::string name = "BITMAP_" + std::to_string(control.resource) + "_2X";
    const auto sharp = static_cast<HBITMAP>(
        LoadImageA(platform_.instance(), name.c_str(), IMAGE_BITMAP,
                   MulDiv(size.bmWidth, static_cast<int>(dpi), 96),
                   MulDiv(size.bmHeight, static_cast<int>(dpi), 96), LR_DEFAULTCOLOR));
    if (sharp == nullptr) continue;
    SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(sharp));
    pictures_.push_back(sharp);
  }
}

void Win32DialogWindow::SetListRedraw(bool redraw) {
  for (const ControlTemplate& control : layout_.controls) {
    if (control.kind != ControlKind::kReportList) continue;
    SendMessageA(Control(control.id), WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
    if (redraw) InvalidateRect(Control(control.id), nullptr, TRUE);
  }
}

bool Win32DialogWindow::PaintMinimized() {
  if (large_icon_ == nullptr || !IsIconic(hwnd_)) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(hwnd_, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, large_icon_);
  EndPaint(hwnd_, &paint);
  return true;
}

void Win32DialogWindow::CenterOverOwner() {
  RECT window;
  GetWindowRect(hwnd_, &window);
  RECT area;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  RECT around = area;
  if (const HWND owner = GetWindow(hwnd_, GW_OWNER); owner != nullptr && IsWindowVisible(owner)) {
    GetWindowRect(owner, &around);
  }
  const LONG width = window.right - window.left;
  const LONG height = window.bottom - window.top;
  LONG x = around.left + (around.right - around.left - width) / 2;
  LONG y = around.top + (around.bottom - around.top - height) / 2;
  // Keep the title bar on the screen.
  x = std::max(area.left, std::min(x, area.right - width));
  y = std::max(area.top, std::min(y, area.bottom - height));
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

template <typename Handler>
void Win32DialogWindow::Busy(Handler&& handler) {
  ++busy_;
  handler();
  if (--busy_ == 0 && std::exchange(refresh_due_, false) && hwnd_ != nullptr) RefreshNow();
}

void Win32DialogWindow::Notify(int id, ControlEvent event, int item) {
  Busy([&] { dialog_->Dispatch(id, event, item); });
}

void Win32DialogWindow::RefreshNow() {
  if (dialog_ == nullptr || !initialized_) return;
  if (busy_ > 0) {
    refresh_due_ = true;
    return;
  }
  Busy([&] { dialog_->Refresh(); });
}

void Win32DialogWindow::OnFileChanged() {
  // Each change puts the refresh off a little, so that a burst of them gives few.
  const ULONGLONG now = GetTickCount64();
  if (change_pending_since_ == 0) change_pending_since_ = now;
  if (now - change_pending_since_ < kLongestWaitMs)
    SetTimer(hwnd_, kRefreshTimer, kSettleMs, nullptr);
}

void Win32DialogWindow::OnRefreshTimer() {
  KillTimer(hwnd_, kRefreshTimer);
  change_pending_since_ = 0;
  RefreshNow();
}

LRESULT Win32DialogWindow::DrawUnfocusedSelection(NMLVCUSTOMDRAW& draw) const {
  // Without the focus a list shows its selection in the 3-D face colour, which on its white
  // hardly shows; a light shade of the highlight colour does, and still differs from it.
  const HWND list = draw.nmcd.hdr.hwndFrom;
  const ControlTemplate* tmpl = Find(static_cast<int>(draw.nmcd.hdr.idFrom));
  if (tmpl == nullptr || (tmpl->style & cs::kShowSelAlways) == 0) return CDRF_DODEFAULT;
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  const auto row = static_cast<WPARAM>(draw.nmcd.dwItemSpec);
  if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT || GetFocus() == list ||
      SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) == 0) {
    return CDRF_DODEFAULT;
  }
  const COLORREF mark = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF back = GetSysColor(COLOR_WINDOW);
  const auto shade = [&](auto part) {
    return static_cast<BYTE>((part(mark) + 2 * part(back)) / 3);
  };
  draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
  draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
  draw.clrTextBk = RGB(shade([](COLORREF c) { return GetRValue(c); }),
                       shade([](COLORREF c) { return GetGValue(c); }),
                       shade([](COLORREF c) { return GetBValue(c); }));
  return CDRF_NEWFONT;
}

void Win32DialogWindow::UseListStyles() {
  // The highlight covers the whole row, and the cells of the row under the mouse that are too
  // narrow for their texts show them whole in the list's tooltip.
  for (const ControlTemplate& control : layout_.controls) {
    const HWND list = control.kind == ControlKind::kReportList ? Control(control.id) : nullptr;
    if (list == nullptr) continue;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    if (tooltip_ == nullptr) {
      tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                 WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                 platform_.instance(), nullptr);
      // Wide enough for any name; a tip of several cells shows one a line.
      SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN));
    }
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

const std::string& Win32DialogWindow::TipUnderCursor(UINT_PTR tool) {
  tip_.clear();
  const auto list = reinterpret_cast<HWND>(tool);
  LVHITTESTINFO hit{};
  GetCursorPos(&hit.pt);
  ScreenToClient(list, &hit.pt);
  const auto row =
      static_cast<int>(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (row < 0) return tip_;
  const int id = GetDlgCtrlID(list);
  const auto header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  const int columns = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  const int margin = MulDiv(kCellMargin, static_cast<int>(WindowDpi(list)), 96);
  for (int column = 0; column < columns; ++column) {
    const std::string cell = GetCell(id, row, column);
    const auto shown = static_cast<int>(
        SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(cell.c_str())));
    const auto width =
        static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    if (shown + margin > width) tip_ += (tip_.empty() ? "" : "\n") + cell;
  }
  return tip_;
}

void Win32DialogWindow::FitListToColumns(HWND list) {
  // The columns and, once rows fill it, the vertical scroll bar: no scroll bar across. What
  // does not fit widens the list, and the window with it, moving what stands to its right.
  const auto header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  const int columns = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  if (columns <= 0) return;
  int total = 0;
  for (int column = 0; column < columns; ++column)
    total +=
        static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
  RECT client;
  GetClientRect(list, &client);
  const int room = client.right - GetSystemMetrics(SM_CXVSCROLL);
  if (total <= room) {
    // The last column takes what is left over.
    const int last = columns - 1;
    const auto width =
        static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(last), 0));
    SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(last),
                 MAKELPARAM(width + room - total, 0));
    return;
  }
  const int wider = total - room;
  RECT box;
  GetWindowRect(list, &box);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    RECT other;
    GetWindowRect(child, &other);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&other), 2);
    if (other.left >= box.right) {
      SetWindowPos(child, nullptr, other.left + wider, other.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  SetWindowPos(list, nullptr, 0, 0, box.right - box.left + wider, box.bottom - box.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT window;
  GetWindowRect(hwnd_, &window);
  SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left + wider, window.bottom - window.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32DialogWindow::FitToWorkArea() {
  // A window taller than the screen's free area first tightens its layout down, as far as its
  // controls keep clear of one another, then gets that height and scrolls its controls.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const LONG room = monitor.rcWork.bottom - monitor.rcWork.top;
  RECT window;
  GetWindowRect(hwnd_, &window);
  LONG height = window.bottom - window.top;
  if (height <= room) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  const LONG frame = height - client.bottom;
  // As little tighter as fits, in steps of a hundredth.
  double tighter = std::min(1.0, static_cast<double>(room - frame) / client.bottom);
  while (tighter - 0.01 >= kTightest && frame + TightenDown(tighter, false) > room) tighter -= 0.01;
  height = frame + TightenDown(std::max(tighter, kTightest), true);
  SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left, std::min(height, room),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (height <= room) return;
  page_height_ = height - frame;
  SetWindowLongPtrA(hwnd_, GWL_STYLE, GetWindowLongPtrA(hwnd_, GWL_STYLE) | WS_VSCROLL);
  SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left + GetSystemMetrics(SM_CXVSCROLL),
               room, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  GetClientRect(hwnd_, &client);
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMax = page_height_ - 1;
  info.nPage = static_cast<UINT>(client.bottom);
  SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);
}

LONG Win32DialogWindow::TightenDown(double factor, bool apply) {
  // The gaps shrink: each control moves up and keeps its height, which its text needs; a list
  // shrinks with the gaps, as it scrolls its rows. Returns the page's height then: the margin
  // under the lowest control tightens as the gaps do.
  RECT client;
  GetClientRect(hwnd_, &client);
  LONG lowest = 0;
  LONG tightened = 0;
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    RECT box;
    GetWindowRect(child, &box);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
    const ControlTemplate* tmpl = Find(GetDlgCtrlID(child));
    const bool list = tmpl != nullptr && tmpl->kind == ControlKind::kReportList;
    const LONG top = std::lround(box.top * factor);
    const LONG bottom = list ? std::lround(box.bottom * factor) : top + box.bottom - box.top;
    if (apply) {
      SetWindowPos(child, nullptr, box.left, top, box.right - box.left, bottom - top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    lowest = std::max(lowest, box.bottom);
    tightened = std::max(tightened, bottom);
  }
  return tightened + std::lround((client.bottom - lowest) * factor);
}

void Win32DialogWindow::OnVScroll(int code) {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int line = HIWORD(GetDialogBaseUnits());
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_TRACKPOS;
  GetScrollInfo(hwnd_, SB_VERT, &info);
  switch (code) {
    case SB_LINEUP:
      return ScrollTo(scroll_y_ - line);
    case SB_LINEDOWN:
      return ScrollTo(scroll_y_ + line);
    case SB_PAGEUP:
      return ScrollTo(scroll_y_ - client.bottom);
    case SB_PAGEDOWN:
      return ScrollTo(scroll_y_ + client.bottom);
    case SB_TOP:
      return ScrollTo(0);
    case SB_BOTTOM:
      return ScrollTo(page_height_);
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      return ScrollTo(info.nTrackPos);
    default:
      return;
  }
}

void Win32DialogWindow::ScrollTo(int position) {
  if (page_height_ == 0) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  position = std::clamp(position, 0, std::max(0, page_height_ - static_cast<int>(client.bottom)));
  if (position == scroll_y_) return;
  ScrollWindowEx(hwnd_, 0, scroll_y_ - position, nullptr, nullptr, nullptr, nullptr,
                 SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
  scroll_y_ = position;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS;
  info.nPos = position;
  SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);
}

void Win32DialogWindow::KeyPressed() {
  if (page_height_ != 0) PostMessageA(hwnd_, kKeyHandledMessage, 0, 0);
}

void Win32DialogWindow::ScrollFocusIntoView() {
  const HWND focus = GetFocus();
  if (page_height_ == 0 || focus == nullptr || !IsChild(hwnd_, focus)) return;
  RECT box;
  GetWindowRect(focus, &box);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
  RECT client;
  GetClientRect(hwnd_, &client);
  if (box.top < 0) {
    ScrollTo(scroll_y_ + box.top);
  } else if (box.bottom > client.bottom) {
    ScrollTo(scroll_y_ + std::min(box.bottom - client.bottom, box.top));
  }
}

void Win32DialogWindow::StopWatching() {
  if (watch_thread_ != nullptr) {
    SetEvent(watch_stop_);
    WaitForSingleObject(watch_thread_, INFINITE);
    CloseHandle(watch_thread_);
    watch_thread_ = nullptr;
  }
  if (watch_stop_ != nullptr) CloseHandle(watch_stop_);
  watch_stop_ = nullptr;
  if (watch_folder_ != INVALID_HANDLE_VALUE) CloseHandle(watch_folder_);
  watch_folder_ = INVALID_HANDLE_VALUE;
}

DWORD WINAPI Win32DialogWindow::WatchFolder(void* self_pointer) {
  // Reads the folder's changes and tells the window of those to its file, until told to stop.
  const auto& self = *static_cast<const Win32DialogWindow*>(self_pointer);
  const HWND window = self.hwnd_;
  const HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  alignas(DWORD) std::byte buffer[16384];
  for (bool stop = false; !stop && done != nullptr;) {
    OVERLAPPED read{};
    read.hEvent = done;
    ResetEvent(done);
    if (!ReadDirectoryChangesW(
            self.watch_folder_, buffer, sizeof buffer, FALSE,
            FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE,
            nullptr, &read, nullptr)) {
      break;
    }
    const HANDLE events[] = {self.watch_stop_, done};
    stop = WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1;
    if (stop) CancelIo(self.watch_folder_);
    DWORD bytes = 0;
    if (!GetOverlappedResult(self.watch_folder_, &read, &bytes, TRUE) || stop) continue;
    // No bytes: more changes than the buffer held; ours may be among them.
    bool ours = bytes == 0;
    for (DWORD at = 0; !ours && at < bytes;) {
      const auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer + at);
      ours = CompareStringOrdinal(change->FileName,
                                  static_cast<int>(change->FileNameLength / sizeof(WCHAR)),
                                  self.watch_name_.c_str(), -1, TRUE) == CSTR_EQUAL;
      if (change->NextEntryOffset == 0) break;
      at += change->NextEntryOffset;
    }
    if (ours) PostMessageA(window, kFileChangedMessage, 0, 0);
  }
  if (done != nullptr) CloseHandle(done);
  return 0;
}

HWND Win32DialogWindow::Control(int id) const {
  if (hwnd_ == nullptr || id == idc::kStatic) return nullptr;
  for (const auto& [control_id, control] : controls_) {
    if (control_id == id) return control;
  }
  return nullptr;
}

const ControlTemplate* Win32DialogWindow::Find(int id) const {
  if (id == idc::kStatic) return nullptr;
  for (const ControlTemplate& control : layout_.controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

// --- DialogWindow ------------------------------------------------------------------------

void Win32DialogWindow::Enable(int id, bool enabled) {
  const HWND control = Control(id);
  if (control == nullptr) return;
  // A disabled control cannot keep the keyboard focus; it moves on to the next tab stop.
  if (!enabled && GetFocus() == control) SendMessageA(hwnd_, WM_NEXTDLGCTL, 0, FALSE);
  EnableWindow(control, enabled ? TRUE : FALSE);
}

void Win32DialogWindow::SetFocus(int id) {
  if (const HWND control = Control(id)) {
    SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    focus_set_ = true;
  }
}

std::string Win32DialogWindow::GetText(int id) const {
  const HWND control = Control(id);
  return control != nullptr ? WindowText(control) : std::string();
}

void Win32DialogWindow::SetText(int id, std::string_view text) {
  // An edit box answers WM_SETTEXT with EN_CHANGE, so the change is notified as typing is.
  if (const HWND control = Control(id)) SetWindowTextA(control, std::string(text).c_str());
}

int Win32DialogWindow::GetCheck(int id) const {
  const HWND control = Control(id);
  return control != nullptr && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32DialogWindow::SetCheck(int id, int state) {
  if (const HWND control = Control(id)) {
    SendMessageA(control, BM_SETCHECK, state == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void Win32DialogWindow::AddColumn(int id, int column, std::string_view heading, int width_px) {
  const HWND list = Control(id);
  if (list == nullptr) return;
  std::string text(heading);
  LVCOLUMNA lvc{};
  lvc.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  lvc.fmt = LVCFMT_LEFT;
  lvc.cx = MulDiv(width_px, static_cast<int>(WindowDpi(list)), 96);
  lvc.pszText = text.data();
  lvc.iSubItem = column;
  SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column),
               reinterpret_cast<LPARAM>(&lvc));
}

void Win32DialogWindow::FitColumn(int id, int column, std::span<const std::string> texts) {
  const HWND list = Control(id);
  if (list == nullptr) return;
  int widest = 0;
  for (const std::string& text : texts) {
    widest =
        std::max(widest, static_cast<int>(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0,
                                                       reinterpret_cast<LPARAM>(text.c_str()))));
  }
  // The string width leaves out the margins the list draws around a cell's text.
  const int needed = widest + MulDiv(kCellMargin, static_cast<int>(WindowDpi(list)), 96);
  if (needed > SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0)) {
    SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(needed, 0));
  }
  // The other columns keep their widths.
  FitListToColumns(list);
}

int Win32DialogWindow::InsertRow(int id, int position, std::string_view text) {
  const HWND list = Control(id);
  if (list == nullptr) return -1;
  std::string copy(text);
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = std::max(position, 0);  // past the end appends
  item.pszText = copy.data();
  return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32DialogWindow::SetCell(int id, int row, int column, std::string_view text) {
  const HWND list = Control(id);
  if (list == nullptr) return;
  std::string copy(text);
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = copy.data();
  SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::string Win32DialogWindow::GetCell(int id, int row, int column) const {
  const HWND list = Control(id);
  if (list == nullptr || row < 0) return {};
  // The list copies at most the buffer less its NUL; a full buffer may mean more text.
  for (std::size_t size = 256;; size *= 2) {
    std::string text(size, '\0');
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(size);
    const auto copied = static_cast<std::size_t>(SendMessageA(
        list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (copied + 1 < size) {
      text.resize(copied);
      return text;
    }
  }
}

int Win32DialogWindow::RowCount(int id) const {
  const HWND list = Control(id);
  return list != nullptr ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

int Win32DialogWindow::FirstSelectedRow(int id) const {
  const HWND list = Control(id);
  if (list == nullptr) return -1;
  return static_cast<int>(
      SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

int Win32DialogWindow::SelectedCount(int id) const {
  const HWND list = Control(id);
  return list != nullptr ? static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)) : 0;
}

void Win32DialogWindow::DeleteRow(int id, int row) {
  // The list sends LVN_DELETEITEM before the row goes.
  if (const HWND list = Control(id))
    SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
}

void Win32DialogWindow::SetCaption(std::string_view caption) {
  SetWindowTextA(hwnd_, std::string(caption).c_str());
}

void Win32DialogWindow::SetIcon(int icon_id) {
  const HINSTANCE instance = platform_.instance();
  const auto load = [&](int metric_x, int metric_y) {
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(icon_id), IMAGE_ICON,
                                         GetSystemMetrics(metric_x), GetSystemMetrics(metric_y),
                                         LR_DEFAULTCOLOR));
  };
  const HICON large = load(SM_CXICON, SM_CYICON);
  const HICON small = load(SM_CXSMICON, SM_CYSMICON);
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  if (large_icon_ != nullptr) DestroyIcon(large_icon_);
  if (small_icon_ != nullptr) DestroyIcon(small_icon_);
  large_icon_ = large;
  small_icon_ = small;
}

bool Win32DialogWindow::HasSystemMenu() const {
  return (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_SYSMENU) != 0 &&
         GetSystemMenu(hwnd_, FALSE) != nullptr;
}

void Win32DialogWindow::AppendSystemMenuSeparator() {
  if (const HMENU menu = GetSystemMenu(hwnd_, FALSE)) AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
}

void Win32DialogWindow::AppendSystemMenuItem(int command, std::string_view text) {
  if (const HMENU menu = GetSystemMenu(hwnd_, FALSE)) {
    AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(command), std::string(text).c_str());
  }
}

void Win32DialogWindow::WatchFile(const std::string& path) {
  StopWatching();
  // The folder is watched, not the file: the file is replaced by a rename, made and removed.
  const std::size_t slash = path.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  watch_name_ = WideText(slash == std::string::npos ? path : path.substr(slash + 1));
  watch_folder_ =
      CreateFileW(WideText(folder).c_str(), FILE_LIST_DIRECTORY,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  watch_stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (watch_folder_ != INVALID_HANDLE_VALUE && watch_stop_ != nullptr)
    watch_thread_ = CreateThread(nullptr, 0, &Win32DialogWindow::WatchFolder, this, 0, nullptr);
  // Without a watch the list is as good as F5 makes it.
  if (watch_thread_ == nullptr) StopWatching();
}

void Win32DialogWindow::EndDialog(DialogResult result) {
  // The dialog manager leaves its loop once the current message has been handled.
  ::EndDialog(hwnd_, result == DialogResult::kOk ? IDOK : IDCANCEL);
}

}  // namespace quillbay
