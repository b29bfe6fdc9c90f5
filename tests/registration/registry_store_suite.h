#pragma once

// The behaviour every RegistryStore must show, as one value-parameterised GoogleTest suite.
// A store joins it with its own file:
//
//   INSTANTIATE_TEST_SUITE_P(File, RegistryStoreSuite,
//                            testing::Values(RegistryStoreParam{"File", MakeFileStore}),
//                            RegistryStoreParamName);
//
// The suite talks to the store only through RegistryStore and reads back only through
// RegistryProbe, so it makes no assumption about where a store keeps its keys.

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

// Reads back what a store has kept, by a road independent of the store under test (the
// registry API for the Windows store, a fresh read of the file for the file store). The
// suite reads back only while no key of the store is open. Paths are as RegistryStore
// takes them; lookups are case-insensitive as the registry's are.
class RegistryProbe {
 public:
  virtual ~RegistryProbe() = default;

  virtual bool KeyExists(RegRoot root, std::string_view path) = 0;

  // Value `name` of the key (empty: the unnamed value); nullopt when the key or the value
  // does not exist.
  virtual std::optional<ProbedValue> ReadValue(RegRoot root, std::string_view path,
                                               std::string_view name) = 0;

  // The names of the key's values and direct subkeys, in any order, as the store
  // preserved their case; empty when the key does not exist.
  virtual std::vector<std::string> ValueNames(RegRoot root, std::string_view path) = 0;
  virtual std::vector<std::string> SubkeyNames(RegRoot root, std::string_view path) = 0;
};

// A store under test and its probe. The probe may own what the store needs to outlive
// (a scratch folder, say); it is destroyed after the store.
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

// The key under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER that the suite works below; it
// removes it before and after every test, so a store on a real registry stays clean.
inline constexpr std::string_view kSuiteScratchKey = "Software\\Quillbay Store Suite";

// The bar identifiers the suite registers; removed before and after every test as well.
inline constexpr std::string_view kSuiteBarA = "{5E1A0C3B-7D2F-4B61-9A8E-0C4D2B7F1A01}";
inline constexpr std::string_view kSuiteBarB = "{5E1A0C3B-7D2F-4B61-9A8E-0C4D2B7F1A02}";

class RegistryStoreSuite : public ::testing::TestWithParam<RegistryStoreParam> {
 protected:
  void SetUp() override;
  void TearDown() override;

  RegistryStore& store() { return *under_test_.store; }
  RegistryProbe& probe() { return *under_test_.probe; }

  // kSuiteScratchKey + "\" + `rest`.
  static std::string Scratch(std::string_view rest);

  // Creates `path` under `root`, runs `write` on it and closes it, expecting success.
  void WriteKey(RegRoot root, const std::string& path,
                const std::function<void(RegKey)>& write = {});

  // Deletes `path` and everything below it through the store, deepest key first.
  void RemoveTree(RegRoot root, const std::string& path);

 private:
  void RemoveSuiteKeys();

  StoreUnderTest under_test_;
};

}  // namespace quillbay::testing_support
