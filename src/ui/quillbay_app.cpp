#include "ui/quillbay_app.h"

#include "ui/quillbay_dlg.h"

namespace quillbay {

int CQuillbayApp::Run() {
  CQuillbayDlg dlg(platform_, bars_);
  dlg.DoModal();
  return 0;
}

}  // namespace quillbay
