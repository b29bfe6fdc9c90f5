#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "registration/bar_id.h"
#include "registration/registry_store.h"

namespace quillbay {

// A bar as the registry holds it, to be put on other machines.
struct DeployedBar {
  BarId id;
  std::string name;
  std::string location;
  BarKind kind = BarKind::kVertical;
};

// The registry's two views: a 64-bit Windows keeps the copy its 32-bit programs read under
// Wow6432Node.
enum class RegView { k64, k32 };

// Every key of `bar`, with its values, exactly as RegisterBar writes them (in its order), at
// the paths of the 64-bit view. Every format is built from these, so each writes what the
// program writes.
std::vector<RegKeyWrite> BarKeys(const DeployedBar& bar);

// A value's data as the formats write it: binary as upper-case hex digits without
// separators, text without its terminating NUL(s).
std::string ValueData(const RegValue& value);

// The two keys a bar's trees hang from: its class key and its Explorer Bars key.
std::vector<RegKeyPath> BarTreeKeys(const BarId& id);

// `path` below `root`, as seen in `view`: CLSID\... becomes Wow6432Node\CLSID\..., and
// Software\... becomes Software\Wow6432Node\....
std::string PathInView(RegRoot root, std::string_view path, RegView view);

// A name-based (version 5, SHA-1) UUID of `name` in Quillbay's own namespace, braced and
// upper-case: the same name gives the same identifier on every machine and in every build.
std::string NameBasedUuid(std::string_view name);

}  // namespace quillbay
