#include "registration/machine_bars.h"
#include "registration/win32/win32_registry_store.h"

namespace quillbay {

std::unique_ptr<RegistryStore> OpenMachineRegistry() {
  return std::make_unique<Win32RegistryStore>();
}

}  // namespace quillbay
