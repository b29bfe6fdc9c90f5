#pragma once

#include "registration/bars.h"
#include "ui/dialog_platform.h"

namespace quillbay {

// The application object: runs the main window modally, and the program ends when it
// closes. Each back end's main() builds one with its platform and the machine's bars.
class CQuillbayApp {
 public:
  CQuillbayApp(DialogPlatform& platform, Bars& bars) : platform_(platform), bars_(bars) {}

  // Runs the main window until it closes, by whatever command. Returns the exit status.
  int Run();

 private:
  DialogPlatform& platform_;
  Bars& bars_;
};

}  // namespace quillbay
