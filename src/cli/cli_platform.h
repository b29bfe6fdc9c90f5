#pragma once

#include <memory>

#include "registration/registry_store.h"

namespace quillbay {

// The registry the windows write: the Windows registry, or the registry file of the data
// folder elsewhere. nullptr when there is no data folder to keep it in.
std::unique_ptr<RegistryStore> OpenSystemRegistry();

// Standard output passes bytes through unchanged (a ".reg" file is UTF-16LE).
void SetStdoutBinary();

}  // namespace quillbay
