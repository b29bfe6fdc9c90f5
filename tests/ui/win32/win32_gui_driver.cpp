#include "win32_gui_driver.h"

#include <commctrl.h>

#include <stdexcept>

#include "ui/win32/win32_program.h"

namespace quillbay::testing_support {
namespace {

std::vector<SeenBox> g_boxes;

std::string WindowText(HWND window) {
  char text[4096] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

BOOL CALLBACK ReadBoxPart(HWND child, LPARAM lparam) {
  auto* box = reinterpret_cast<SeenBox*>(lparam);
  if (ClassOf(child) != "Static") return TRUE;
  if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    box->icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
  } else if (box->text.empty()) {
    box->text = WindowText(child);
  }
  return TRUE;
}

BOOL CALLBACK CloseIfMessageBox(HWND window, LPARAM) {
  // Our own dialogs carry their own captions; a message box carries the program's name.
  if (ClassOf(window) != "#32770" || !IsWindowVisible(window) ||
      WindowText(window) != ApplicationTitleOf(ModulePath())) {
    return TRUE;
  }
  SeenBox box;
  box.caption = WindowText(window);
  box.owner = GetWindow(window, GW_OWNER);
  EnumChildWindows(window, ReadBoxPart, reinterpret_cast<LPARAM>(&box));
  g_boxes.push_back(box);
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return TRUE;
}

void CALLBACK CloseMessageBoxes(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), CloseIfMessageBox, 0);
}

HWND Item(HWND dialog, int id) {
  const HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) throw std::logic_error("no control " + std::to_string(id));
  return item;
}

}  // namespace

GuiDriver::GuiDriver(Win32DialogPlatform& platform) {
  platform.SetShownHook([this](HWND window, int template_id) {
    shown_.push_back(template_id);
    const auto script = scripts_.find(template_id);
    if (script != scripts_.end()) {
      script->second(window);
    } else {
      PressKey(window, VK_ESCAPE);
    }
    // A script that forgot to end its window must not hang the test.
    if (IsWindow(window) && IsWindowVisible(window)) EndDialog(window, IDABORT);
  });
}

GuiDriver::~GuiDriver() = default;

MessageBoxCloser::MessageBoxCloser() {
  g_boxes.clear();
  timer_ = SetTimer(nullptr, 0, 20, CloseMessageBoxes);
}

MessageBoxCloser::~MessageBoxCloser() {
  KillTimer(nullptr, timer_);
}

const std::vector<SeenBox>& MessageBoxCloser::boxes() const {
  return g_boxes;
}

void MessageBoxCloser::Clear() {
  g_boxes.clear();
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string Text(HWND dialog, int id) {
  return WindowText(Item(dialog, id));
}

void SetText(HWND dialog, int id, std::string_view text) {
  SendMessageA(Item(dialog, id), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(std::string(text).c_str()));
}

void Type(HWND dialog, int id, std::string_view text) {
  const HWND edit = Item(dialog, id);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
  for (char c : text) {
    // The caret to the end first, as after pressing End.
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    const LRESULT length = SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(length), length);
    SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
  }
}

void Click(HWND dialog, int id) {
  SendMessageA(Item(dialog, id), BM_CLICK, 0, 0);
}

void PressKey(HWND dialog, UINT virtual_key) {
  const HWND focus = GetFocus();
  MSG message{};
  message.hwnd = focus != nullptr ? focus : dialog;
  message.message = WM_KEYDOWN;
  message.wParam = virtual_key;
  message.lParam = 1;
  if (!IsDialogMessageA(dialog, &message)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void SelectRows(HWND dialog, int list_id, const std::vector<int>& rows) {
  const HWND list = Item(dialog, list_id);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
  LVITEMA none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  for (int row : rows) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
}

bool Enabled(HWND dialog, int id) {
  return IsWindowEnabled(Item(dialog, id)) != FALSE;
}

int Rows(HWND dialog, int list_id) {
  return static_cast<int>(SendMessageA(Item(dialog, list_id), LVM_GETITEMCOUNT, 0, 0));
}

std::string Cell(HWND dialog, int list_id, int row, int column) {
  char text[1024] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(Item(dialog, list_id), LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&item));
  return text;
}

ProcessResult RunReg(const std::string& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!CreatePipe(&read, &write, &inherit, 0)) throw std::runtime_error("CreatePipe failed");
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write;
  startup.hStdError = write;
  std::string command = "reg.exe " + arguments;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  CloseHandle(write);
  ProcessResult result;
  if (!started) {
    CloseHandle(read);
    throw std::runtime_error("cannot start " + command);
  }
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    result.output.append(buffer, got);
  }
  CloseHandle(read);
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &result.exit_code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return result;
}

}  // namespace quillbay::testing_support
