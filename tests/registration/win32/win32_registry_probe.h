#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/win32/win32_registry_store.h"

namespace quillbay::testing_support {

// A value as the registry holds it: its type number and its bytes.
struct RawValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;

  friend bool operator==(const RawValue&, const RawValue&) = default;
};

// Reads the registry of one view straight through the API, independently of the store.
class Win32ViewReader {
 public:
  explicit Win32ViewReader(RegView view) : view_(view) {}

  bool KeyExists(RegRoot root, std::string_view path) const;
  std::optional<RawValue> ReadValue(RegRoot root, std::string_view path,
                                    std::string_view name) const;
  std::vector<std::string> ValueNames(RegRoot root, std::string_view path) const;
  std::vector<std::string> SubkeyNames(RegRoot root, std::string_view path) const;

  // Writes a key with one string value in this view only, bypassing the store.
  bool WriteKeyInThisViewOnly(RegRoot root, std::string_view path, std::string_view value) const;
  // Deletes `path` and everything below it in this view; a missing key is fine.
  void DeleteTree(RegRoot root, std::string_view path) const;

 private:
  RegView view_;
};

}  // namespace quillbay::testing_support
