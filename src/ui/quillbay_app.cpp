#include "ui/quillbay_app.h"

#include "ui/quillbay_dlg.h"

namespace quillbay {

CQuillbayApp::CQuillbayApp(DialogPlatform& platform, RegistryStore& store, GuidSource& guids,
                           std::optional<std::string> backup_path)
    : platform_(platform), store_(store), guids_(guids), backup_path_(std::move(backup_path)) {}

int CQuillbayApp::Run() {
  CQuillbayDlg dlg(platform_, store_, guids_, backup_path_);
  dlg.DoModal();
  return 0;
}

}  // namespace quillbay
