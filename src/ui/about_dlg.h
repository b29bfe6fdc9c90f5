#pragma once

#include "ui/dialog.h"

namespace quillbay {

// The About box (template 100). It has no handlers of its own: OK, Escape and the close
// box end it.
class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(DialogPlatform& platform);
};

}  // namespace quillbay
