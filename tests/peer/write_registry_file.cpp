// Registers the peer bars in a registry file, as the program does where there is no
// registry: write_registry_file <new file>.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "peer_bars.h"
#include "registration/file_registry_store.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <registry file to create>\n", argv[0]);
    return 2;
  }
  // A fresh file: the registry of a machine where nothing else was registered.
  std::error_code error;
  std::filesystem::remove(argv[1], error);
  if (error) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.message().c_str());
    return 2;
  }
  quillbay::FileRegistryStore store(argv[1]);
  return quillbay::peer::RegisterPeerBars(store);
}
