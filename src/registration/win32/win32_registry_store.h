#pragma once

#include "registration/registry_store.h"

namespace quillbay {

// The registry view a key is reached through. On 64-bit Windows a 32-bit process (the
// browser's tab processes among them) reads HKEY_CLASSES_ROOT\CLSID and
// HKEY_LOCAL_MACHINE\Software in the 32-bit view, while our 64-bit program writes the
// 64-bit view by default.
enum class RegView { k64, k32 };

// The Windows registry. Every key is created, written and deleted in both views, so the
// bar is offered to 32-bit and 64-bit browser processes alike; a failure in either view
// is a failure of that step. After each change the browser's cached lists of vertical and
// horizontal bars are dropped, so its View menu shows the bars as they are now.
//
// Text crosses in the ANSI code page and the registry is reached through its UTF-16
// interface: a name or text read that the code page cannot hold is refused, never
// best-fitted.
class Win32RegistryStore final : public RegistryStore {
 public:
  std::vector<RegFailure> WriteKeys(std::span<const RegKeyWrite> steps) override;
  std::vector<RegFailure> DeleteKeys(std::span<const RegKeyPath> keys) override;
  // Reads the 64-bit view, the one the program itself is registered in.
  RegResult<RegTree> ReadTree(RegRoot root, std::string_view path) override;
  RegResult<std::vector<std::string>> ReadSubkeyNames(RegRoot root, std::string_view path) override;
};

}  // namespace quillbay
