#include "ui/about_dlg.h"

#include "resources/dialog_templates.h"

namespace quillbay {

CAboutDlg::CAboutDlg(DialogPlatform& platform) : CDialog(platform, dlg::kAbout) {}

}  // namespace quillbay
