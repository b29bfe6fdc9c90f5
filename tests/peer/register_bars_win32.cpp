// Registers the peer bars in the Windows registry, both views, as the program does.
#include "peer_bars.h"
#include "registration/win32/win32_registry_store.h"

int main() {
  quillbay::Win32RegistryStore store;
  return quillbay::peer::RegisterPeerBars(store);
}
