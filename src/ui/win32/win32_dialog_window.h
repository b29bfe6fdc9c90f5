#pragma once

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resources/dialog_templates.h"
#include "ui/dialog_platform.h"

namespace quillbay {

class Win32DialogPlatform;

// One modal run of a dialog on the Win32 dialog manager. The window procedure turns control
// notifications into the dialog's events; the DialogWindow calls work on the real controls.
class Win32DialogWindow final : public DialogWindow {
 public:
  Win32DialogWindow(Win32DialogPlatform& platform, CDialog& dialog, const DialogTemplate& layout);
  Win32DialogWindow(const Win32DialogWindow&) = delete;
  Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;
  ~Win32DialogWindow() override;

  // Builds the window from the template and runs it until EndDialog.
  DialogResult Run(HINSTANCE instance, HWND owner);

  HWND hwnd() const { return hwnd_; }
  int template_id() const { return layout_.id; }

  // F5: the dialog's Refresh now, unless one of its handlers is running; then once it ends.
  void RefreshNow();
  // A key is about to be handled: a window that scrolls brings the focus into view after it.
  void KeyPressed();

  // --- DialogWindow ---
  void Enable(int id, bool enabled) override;
  void SetFocus(int id) override;
  std::string GetText(int id) const override;
  void SetText(int id, std::string_view text) override;
  int GetCheck(int id) const override;
  void SetCheck(int id, int state) override;
  void AddColumn(int id, int column, std::string_view heading, int width_px) override;
  void FitColumn(int id, int column, std::span<const std::string> texts) override;
  int InsertRow(int id, int position, std::string_view text) override;
  void SetCell(int id, int row, int column, std::string_view text) override;
  std::string GetCell(int id, int row, int column) const override;
  int RowCount(int id) const override;
  int FirstSelectedRow(int id) const override;
  int SelectedCount(int id) const override;
  void DeleteRow(int id, int row) override;
  void SetCaption(std::string_view caption) override;
  void SetIcon(int icon_id) override;
  bool HasSystemMenu() const override;
  void AppendSystemMenuSeparator() override;
  void AppendSystemMenuItem(int command, std::string_view text) override;
  void WatchFile(const std::string& path) override;
  void EndDialog(DialogResult result) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR OnInitDialog();
  void OnCommand(int id, int code, HWND control);
  void OnNotify(const NMHDR& header);
  void OnFileChanged();
  void OnRefreshTimer();
  void OnVScroll(int code);
  void ScrollTo(int position);
  void ScrollFocusIntoView();
  void FitToWorkArea();
  LONG TightenDown(double factor, bool apply);
  void UseListStyles();
  LRESULT DrawUnfocusedSelection(NMLVCUSTOMDRAW& draw) const;
  void FitListToColumns(HWND list);
  // The texts cut off in the row under the mouse of the list that is `tool`, one a line.
  const std::string& TipUnderCursor(UINT_PTR tool);
  void StopWatching();
  static DWORD WINAPI WatchFolder(void* self);
  // Runs one of the dialog's handlers. While any runs, a refresh waits: a handler may be in a
  // box's modal loop, half-way through an operation.
  template <typename Handler>
  void Busy(Handler&& handler);
  void WidenLabelsToFit();
  void UseSharpPictures();
  void SetListRedraw(bool redraw);
  bool PaintMinimized();
  void CenterOverOwner();
  void Notify(int id, ControlEvent event, int item = -1);
  HWND Control(int id) const;
  const ControlTemplate* Find(int id) const;

  Win32DialogPlatform& platform_;
  CDialog* dialog_;
  const DialogTemplate& layout_;
  HWND hwnd_ = nullptr;
  std::vector<std::pair<int, HWND>> controls_;  // identifier and window of each control
  HICON large_icon_ = nullptr;
  HICON small_icon_ = nullptr;
  std::vector<HBITMAP> pictures_;
  HWND tooltip_ = nullptr;  // the lists' tooltip, owned by the window and gone with it
  std::string tip_;         // set into picture controls, which do not free them
  bool initialized_ = false;
  bool focus_set_ = false;
  int busy_ = 0;
  bool refresh_due_ = false;
  // The watched file: its folder's change notifications, read by a thread of their own.
  HANDLE watch_folder_ = INVALID_HANDLE_VALUE;
  HANDLE watch_stop_ = nullptr;
  HANDLE watch_thread_ = nullptr;
  std::wstring watch_name_;
  ULONGLONG change_pending_since_ = 0;  // tick of the first change not yet refreshed, or 0
  // A window taller than the screen's free area scrolls: the page's height and where it is.
  int page_height_ = 0;
  int scroll_y_ = 0;
};

}  // namespace quillbay
