#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "registration/registry_store.h"

namespace quillbay {

// The registry view a key is reached through. On 64-bit Windows a 32-bit process (the
// browser's tab processes among them) reads HKEY_CLASSES_ROOT\CLSID and
// HKEY_LOCAL_MACHINE\Software in the 32-bit view, while our 64-bit program writes the
// 64-bit view by default.
enum class RegView { k64, k32 };

// The Windows registry. Every key is created, written and deleted in both views, so the
// bar is offered to 32-bit and 64-bit browser processes alike; a failure in either view
// is a failure of that operation.
class Win32RegistryStore final : public RegistryStore {
 public:
  Win32RegistryStore() = default;
  Win32RegistryStore(const Win32RegistryStore&) = delete;
  Win32RegistryStore& operator=(const Win32RegistryStore&) = delete;
  // Closes keys still open.
  ~Win32RegistryStore() override;

  RegResult CreateKey(RegRoot root, std::string_view path, RegKey* key) override;
  RegResult SetDefaultString(RegKey key, std::string_view text) override;
  RegResult SetValue(RegKey key, std::string_view name, RegType type,
                     std::span<const std::uint8_t> data) override;
  RegResult DeleteKey(RegRoot root, std::string_view path) override;
  RegResult CloseKey(RegKey key) override;
  // Reads the 64-bit view, the one the program itself is registered in.
  RegResult ReadKey(RegRoot root, std::string_view path, RegKeyContents* out) override;

  // Drops the browser's cached lists of vertical and horizontal bars, so its View menu
  // shows the bars as they are now.
  RegResult BarsChanged() override;

 private:
  // One key of ours: the same path opened in each view. The handles are HKEYs.
  struct OpenKey {
    std::string name;  // root and path, for messages
    std::uintptr_t view64 = 0;
    std::uintptr_t view32 = 0;
  };

  std::map<RegKey, OpenKey> open_;
  RegKey next_ = 1;
};

}  // namespace quillbay
