#include "ui/quillbay_app.h"

#include "system/files.h"
#include "ui/quillbay_dlg.h"

namespace quillbay {
namespace {

std::optional<std::string> InWindowsDirectory(std::string_view name) {
  const std::optional<std::string> folder = WindowsDirectory();
  if (!folder) return std::nullopt;
  return JoinPath(*folder, name);
}

}  // namespace

CQuillbayApp::CQuillbayApp(DialogPlatform& platform, RegistryStore& store, GuidSource& guids,
                           std::optional<std::string> backup_path)
    : platform_(platform), store_(store), guids_(guids), backup_path_(std::move(backup_path)) {}

int CQuillbayApp::Run() {
  CQuillbayDlg dlg(platform_, store_, guids_, backup_path_);
  dlg.DoModal();
  return 0;
}

std::optional<std::string> DefaultBackupPath() {
  return InWindowsDirectory("bkupRegKeyf");
}

}  // namespace quillbay
