// The store suite, read back through each view in turn: the store writes both views.
#include "registration/win32/win32_registry_store.h"

#include <windows.h>

#include "tests/registration/registry_store_suite.h"

namespace quillbay::testing_support {
namespace {

// Reads the registry of one view straight through the API, independently of the store;
// values through the wide interface, which gives the bytes as stored.
class Win32ViewReader final : public RegistryProbe {
 public:
  explicit Win32ViewReader(RegView view) : view_(view) {}

  std::optional<ProbedValue> ReadValue(RegRoot root, std::string_view path,
                                       std::string_view name) override {
    const std::wstring wide(name.begin(), name.end());
    ProbedValue value{0, std::vector<std::uint8_t>(1 << 16)};
    auto size = static_cast<DWORD>(value.data.size());
    const HKEY key = Open(root, path);
    const LONG status =
        key ? ::RegQueryValueExW(key, name.empty() ? nullptr : wide.c_str(), nullptr,
                                 reinterpret_cast<DWORD*>(&value.type), value.data.data(), &size)
            : ERROR_FILE_NOT_FOUND;
    if (key) ::RegCloseKey(key);
    value.data.resize(size);
    return status == ERROR_SUCCESS ? std::optional(value) : std::nullopt;
  }
  std::optional<std::vector<std::string>> Key(RegRoot root, std::string_view path) override {
    const HKEY key = Open(root, path);
    if (key == nullptr) return std::nullopt;
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0, length = sizeof name; ::RegEnumKeyExA(key, i, name, &length, nullptr, nullptr,
                                                            nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = sizeof name) {
      names.emplace_back(name, length);
    }
    ::RegCloseKey(key);
    return names;
  }

 private:
  HKEY Open(RegRoot root, std::string_view path) const {
    HKEY key = nullptr;
    const HKEY top = root == RegRoot::kClassesRoot    ? HKEY_CLASSES_ROOT
                     : root == RegRoot::kLocalMachine ? HKEY_LOCAL_MACHINE
                                                      : HKEY_CURRENT_USER;
    const REGSAM flag = view_ == RegView::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    const LONG status = ::RegOpenKeyExA(top, std::string(path).c_str(), 0, KEY_READ | flag, &key);
    return status == ERROR_SUCCESS ? key : nullptr;
  }

  RegView view_;
};

StoreUnderTest ReadThrough(RegView view) {
  return {std::make_unique<Win32ViewReader>(view), std::make_unique<Win32RegistryStore>()};
}

INSTANTIATE_TEST_SUITE_P(
    Win32, RegistryStoreSuite,
    ::testing::Values(RegistryStoreParam{"View64", [] { return ReadThrough(RegView::k64); }},
                      RegistryStoreParam{"View32", [] { return ReadThrough(RegView::k32); }}),
    RegistryStoreParamName);

// Text crosses in the code page (1252 in the tests' Wine prefix): a subkey another program
// named in characters the code page holds reads back and is written through in it; one it
// cannot hold is refused, never best-fitted to '?' or a look-alike.
TEST(Win32RegistryStoreTest, NamesCrossInTheCodePage) {
  ASSERT_EQ(::GetACP(), 1252u);
  const std::string parent = std::string(kSuiteScratchKey) + "\\Text";
  const std::wstring wide_parent(parent.begin(), parent.end());
  HKEY key = nullptr;
  for (const wchar_t* name : {L"Gr\u00FC\u00DFe", L"\u65E5\u672C"}) {
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (wide_parent + L"\\" + name).c_str(), 0, nullptr,
                                0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
  }
  Win32RegistryStore store;
  const RegResult<RegTree> refused = store.ReadTree(RegRoot::kCurrentUser, parent);
  EXPECT_EQ(refused.error().status, RegStatus::kRefused) << refused.error().detail;
  const std::string held = parent + "\\Gr\xFC\xDF\x65";  // the first name, in code page 1252
  const RegKeyWrite deeper{RegRoot::kCurrentUser, held + "\\Deeper", {}};
  EXPECT_TRUE(store.WriteKeys({&deeper, 1}).empty());
  const RegResult<RegTree> read = store.ReadTree(RegRoot::kCurrentUser, held);
  ASSERT_TRUE(read) << read.error().detail;
  EXPECT_EQ(read->name, "Gr\xFC\xDF\x65");
  EXPECT_NE(read->Find("Deeper"), nullptr);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, wide_parent.c_str());
}

}  // namespace
}  // namespace quillbay::testing_support
