#pragma once

#include <string_view>

#include "registration/win32/win32_registry_store.h"
#include "tests/registration/registry_store_suite.h"

namespace quillbay::testing_support {

// Reads the registry of one view straight through the API, independently of the store;
// values through the wide interface, which gives the bytes as stored.
class Win32ViewReader final : public RegistryProbe {
 public:
  explicit Win32ViewReader(RegView view) : view_(view) {}
  std::optional<ProbedValue> ReadValue(RegRoot root, std::string_view path,
                                       std::string_view name) override;
  std::optional<std::vector<std::string>> Key(RegRoot root, std::string_view path) override;

 private:
  RegView view_;
};

}  // namespace quillbay::testing_support
