#include "ui/dialog.h"

#include "resources/dialog_templates.h"
#include "resources/string_table.h"
#include "system/file_error.h"

namespace quillbay {

CDialog::CDialog(DialogPlatform& platform, int template_id)
    : platform_(platform), template_id_(template_id) {}

DialogResult CDialog::DoModal() {
  return platform_.RunModal(*this);
}

template <typename Handler>
void CDialog::Guarded(Handler&& handler) {
  try {
    handler();
  } catch (const FileError& error) {
    platform_.ShowError(FileErrorText(error));
  }
}

void CDialog::Initialize(DialogWindow& window) {
  window_ = &window;
  Guarded([&] { OnInitDialog(); });
}

void CDialog::Dispatch(int control_id, ControlEvent event, int item) {
  Guarded([&] {
    if (event == ControlEvent::kClicked && control_id == idc::kOk) return OnOK();
    if (event == ControlEvent::kClicked && control_id == idc::kCancel) return OnCancel();
    OnEvent(control_id, event, item);
  });
}

bool CDialog::DispatchSystemCommand(int command) {
  bool handled = false;
  Guarded([&] { handled = OnSystemMenuCommand(command); });
  return handled;
}

void CDialog::Refresh() {
  Guarded([&] { OnRefresh(); });
}

void CDialog::Closed() {
  window_ = nullptr;
}

void CDialog::ShowMessage(int string_id) {
  platform_.ShowMessage(StringResource(string_id));
}

}  // namespace quillbay
