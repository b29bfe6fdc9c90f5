#pragma once

#include <memory>

#include "registration/bars.h"
#include "registration/registry_store.h"
#include "system/guid.h"

namespace quillbay {

// This machine's bars, as every front end opens them: the list in the data folder, the
// registry the windows write (the Windows registry; elsewhere the data folder's
// registry.reg) and the system's GUIDs. Without a data folder the bars refuse every
// operation with str::kNoDataFolder and touch nothing: a window still opens and says so,
// and the command line prints it.
class MachineBars {
 public:
  MachineBars();
  MachineBars(const MachineBars&) = delete;
  MachineBars& operator=(const MachineBars&) = delete;

  Bars& bars() { return bars_; }

 private:
  std::unique_ptr<RegistryStore> store_;
  SystemGuidSource guids_;
  Bars bars_;
};

// The registry of this machine, one per platform (posix/, win32/).
std::unique_ptr<RegistryStore> OpenMachineRegistry();

}  // namespace quillbay
