#pragma once

#include <optional>
#include <string>

#include "registration/registry_store.h"
#include "system/guid.h"
#include "ui/dialog_platform.h"

namespace quillbay {

// The application object: runs the main window modally, and the program ends when it
// closes. Each back end's main() builds one with its platform and store.
class CQuillbayApp {
 public:
  CQuillbayApp(DialogPlatform& platform, RegistryStore& store, GuidSource& guids,
               std::optional<std::string> backup_path);

  // Runs the main window until it closes, by whatever command. Returns the exit status.
  int Run();

 private:
  DialogPlatform& platform_;
  RegistryStore& store_;
  GuidSource& guids_;
  std::optional<std::string> backup_path_;
};

}  // namespace quillbay
