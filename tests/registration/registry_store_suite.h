#pragma once

// The behaviour every RegistryStore must show, as one value-parameterised suite a store
// joins with INSTANTIATE_TEST_SUITE_P. It writes only through RegistryStore and reads back
// only through RegistryProbe, so it assumes nothing about where a store keeps its keys.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/registry_store.h"

namespace quillbay::testing_support {

// One value as a store keeps it: the registry's type number and the stored bytes.
struct ProbedValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;

  friend bool operator==(const ProbedValue&, const ProbedValue&) = default;
};

// Reads back what a store has kept, independently of the store (the registry API, a fresh
// read of the file), only while no key is open. Lookups are case-insensitive.
class RegistryProbe {
 public:
  virtual ~RegistryProbe() = default;

  virtual bool KeyExists(RegRoot root, std::string_view path) = 0;

  // Value `name` (empty: the unnamed value); nullopt when the key or value is missing.
  virtual std::optional<ProbedValue> ReadValue(RegRoot root, std::string_view path,
                                               std::string_view name) = 0;

  // Names of the key's values and direct subkeys in their kept case, in any order.
  virtual std::vector<std::string> ValueNames(RegRoot root, std::string_view path) = 0;
  virtual std::vector<std::string> SubkeyNames(RegRoot root, std::string_view path) = 0;
};

// A store and its probe; the probe may own what must outlive the store (a scratch folder).
struct StoreUnderTest {
  std::unique_ptr<RegistryProbe> probe;
  std::unique_ptr<RegistryStore> store;
};

struct RegistryStoreParam {
  std::string name;  // the test name suffix: letters and digits only
  std::function<StoreUnderTest()> make;
};

inline std::string RegistryStoreParamName(
    const ::testing::TestParamInfo<RegistryStoreParam>& info) {
  return info.param.name;
}

// The suite works below this key of HKLM and HKCU and registers these bars; all are
// removed before and after every test, so a real registry stays clean.
inline constexpr std::string_view kSuiteScratchKey = "Software\\Quillbay Store Suite";
inline constexpr std::string_view kSuiteBarA = "{5E1A0C3B-7D2F-4B61-9A8E-0C4D2B7F1A01}";
inline constexpr std::string_view kSuiteBarB = "{5E1A0C3B-7D2F-4B61-9A8E-0C4D2B7F1A02}";

class RegistryStoreSuite : public ::testing::TestWithParam<RegistryStoreParam> {
 protected:
  void SetUp() override;
  void TearDown() override;

  RegistryStore& store() { return *under_test_.store; }
  RegistryProbe& probe() { return *under_test_.probe; }

  static std::string Scratch(std::string_view rest);

  // Creates `path`, runs `write` on it and closes it, expecting success.
  void WriteKey(RegRoot root, const std::string& path,
                const std::function<void(RegKey)>& write = {});

  // Deletes `path` and everything below it through the store, deepest key first.
  void RemoveTree(RegRoot root, const std::string& path);

 private:
  void RemoveSuiteKeys();

  StoreUnderTest under_test_;
};

}  // namespace quillbay::testing_support
