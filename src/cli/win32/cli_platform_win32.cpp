#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "cli/cli_platform.h"
#include "registration/win32/win32_registry_store.h"

namespace quillbay {

std::unique_ptr<RegistryStore> OpenSystemRegistry() {
  return std::make_unique<Win32RegistryStore>();
}

void SetStdoutBinary() {
  // Text mode would turn every LF byte into CR LF, breaking UTF-16 text.
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace quillbay
