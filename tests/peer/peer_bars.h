#pragma once

// The two bars both stores register for the peer check, as the reference exports in
// tests/data/reg-export hold them.

#include <cstdio>
#include <string_view>
#include <vector>

#include "registration/bar_registry.h"
#include "registration/error_text.h"

namespace quillbay::peer {

struct PeerBar {
  std::string_view id, name, location;
  BarKind kind;
};

inline constexpr PeerBar kPeerBars[] = {
    {"{11111111-2222-4333-8444-555555555555}", "News \"quoted\" \\ bar",
     "http://example.org/news.htm", BarKind::kVertical},
    {"{AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE}", "Local pane", "c:\\pages\\local page.htm",
     BarKind::kHorizontal},
};

// Registers both bars through `store`; prints each failure and returns the process status.
inline int RegisterPeerBars(RegistryStore& store) {
  int status = 0;
  for (const PeerBar& bar : kPeerBars) {
    for (const RegFailure& failure :
         RegisterBar(store, BarId(bar.id), bar.name, bar.location, bar.kind)) {
      std::fprintf(stderr, "%s: %s\n", failure.path.c_str(), RegErrorText(failure.error).c_str());
      status = 1;
    }
  }
  return status;
}

}  // namespace quillbay::peer
