#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ui/win32/win32_dialog_platform.h"

namespace quillbay::testing_support {

// Plays the user on the real windows of a Win32DialogPlatform: each window, once shown, runs
// the script registered for its template, inside its own modal loop. The scripts work with
// the same messages the system sends for mouse and keyboard (BM_CLICK, WM_CHAR, the dialog
// manager's key handling), so every notification is the control's own.
class GuiDriver {
 public:
  using Script = std::function<void(HWND)>;

  explicit GuiDriver(Win32DialogPlatform& platform);
  ~GuiDriver();
  GuiDriver(const GuiDriver&) = delete;
  GuiDriver& operator=(const GuiDriver&) = delete;

  void OnShown(int template_id, Script script) { scripts_[template_id] = std::move(script); }
  // Templates of the windows shown so far, in order.
  const std::vector<int>& shown() const { return shown_; }

 private:
  std::map<int, Script> scripts_;
  std::vector<int> shown_;
};

// One message box as it appeared on the screen, closed with its OK button by a timer that
// runs in the box's own modal loop.
struct SeenBox {
  std::string caption;
  std::string text;
  HWND owner = nullptr;
  HICON icon = nullptr;
};

class MessageBoxCloser {
 public:
  MessageBoxCloser();
  ~MessageBoxCloser();
  MessageBoxCloser(const MessageBoxCloser&) = delete;
  MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;

  const std::vector<SeenBox>& boxes() const;
  void Clear();

 private:
  UINT_PTR timer_ = 0;
};

// --- The user's hands ---
std::string Text(HWND dialog, int id);
void SetText(HWND dialog, int id, std::string_view text);  // WM_SETTEXT, as a paste does
void Type(HWND dialog, int id, std::string_view text);     // WM_CHAR, key by key, at the end
void Click(HWND dialog, int id);                           // BM_CLICK
// A key pressed while the focus is where it is, through the dialog manager.
void PressKey(HWND dialog, UINT virtual_key);
void SelectRows(HWND dialog, int list_id, const std::vector<int>& rows);
bool Enabled(HWND dialog, int id);
int Rows(HWND dialog, int list_id);
std::string Cell(HWND dialog, int list_id, int row, int column);
std::string ClassOf(HWND window);

// Runs Wine's reg.exe with `arguments`; returns its exit code and what it printed.
struct ProcessResult {
  DWORD exit_code = 0;
  std::string output;
};
ProcessResult RunReg(const std::string& arguments);

}  // namespace quillbay::testing_support
