// Registers the peer bars in a registry file, as the program does where there is no
// registry: write_registry_file <new file>.
#include <cstdio>
#include <filesystem>

#include "peer_bars.h"
#include "registration/posix/file_registry_store.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <registry file to create>\n", argv[0]);
    return 2;
  }
  std::filesystem::remove(argv[1]);  // a fresh registry: nothing else was registered
  quillbay::FileRegistryStore store(argv[1]);
  return quillbay::peer::RegisterPeerBars(store);
}
