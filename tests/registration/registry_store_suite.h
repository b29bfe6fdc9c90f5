#pragma once

// What every RegistryStore must do: the suite writes only through the store and reads back
// only through a RegistryProbe, so it assumes nothing about where a store keeps its keys.

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

struct ProbedValue {  // the registry's type number and the stored bytes
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  friend bool operator==(const ProbedValue&, const ProbedValue&) = default;
};

// Reads back what a store kept, independently of it. Lookups ignore case.
class RegistryProbe {
 public:
  virtual ~RegistryProbe() = default;
  bool KeyExists(RegRoot root, std::string_view path) { return Key(root, path).has_value(); }
  // Value `name` (empty: the unnamed one) of the key; nullopt when either is missing.
  virtual std::optional<ProbedValue> ReadValue(RegRoot root, std::string_view path,
                                               std::string_view name) = 0;
  // The names of the key's subkeys; nullopt when the key is missing.
  virtual std::optional<std::vector<std::string>> Key(RegRoot root, std::string_view path) = 0;
};

struct StoreUnderTest {
  std::unique_ptr<RegistryProbe> probe;  // may own what must outlive the store
  std::unique_ptr<RegistryStore> store;
};

struct RegistryStoreParam {
  std::string name;  // the test name suffix
  std::function<StoreUnderTest()> make;
};
inline std::string RegistryStoreParamName(const ::testing::TestParamInfo<RegistryStoreParam>& i) {
  return i.param.name;
}

// The suite's keys and bars, removed before and after every test.
inline constexpr std::string_view kSuiteScratchKey = "Software\\Quillbay Store Suite";
inline constexpr std::string_view kSuiteBarA = "{5E1A0C3B-7D2F-4B61-9A8E-0C4D2B7F1A01}";
inline constexpr std::string_view kSuiteBarB = "{5E1A0C3B-7D2F-4B61-9A8E-0C4D2B7F1A02}";

class RegistryStoreSuite : public ::testing::TestWithParam<RegistryStoreParam> {
 protected:
  void SetUp() override;
  void TearDown() override;
  RegistryStore& store() { return *under_test_.store; }
  RegistryProbe& probe() { return *under_test_.probe; }
  void WriteKey(RegRoot root, const std::string& path, std::vector<RegValue> values = {});
  void RemoveTree(RegRoot root, const std::string& path);

 private:
  StoreUnderTest under_test_;
};

}  // namespace quillbay::testing_support
