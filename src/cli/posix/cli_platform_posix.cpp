#include "cli/cli_platform.h"

#include "registration/data_files.h"
#include "registration/file_registry_store.h"

namespace quillbay {

std::unique_ptr<RegistryStore> OpenSystemRegistry() {
  const std::optional<std::string> path = DataFilePath(kRegistryFileName);
  if (!path) return nullptr;
  return std::make_unique<FileRegistryStore>(*path);
}

void SetStdoutBinary() {}

}  // namespace quillbay
