// The Win32 store runs the suite every store passes, read back through each view in turn:
// the store writes both, so both must hold exactly what the suite expects.
#include <memory>

#include "registration/win32/win32_registry_store.h"
#include "tests/registration/registry_store_suite.h"
#include "win32_registry_probe.h"

namespace quillbay::testing_support {
namespace {

StoreUnderTest MakeStoreReadThrough(RegView view) {
  return {std::make_unique<Win32ViewReader>(view), std::make_unique<Win32RegistryStore>()};
}

INSTANTIATE_TEST_SUITE_P(
    Win32, RegistryStoreSuite,
    ::testing::Values(
        RegistryStoreParam{"View64", [] { return MakeStoreReadThrough(RegView::k64); }},
        RegistryStoreParam{"View32", [] { return MakeStoreReadThrough(RegView::k32); }}),
    RegistryStoreParamName);

}  // namespace
}  // namespace quillbay::testing_support
