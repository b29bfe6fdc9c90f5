#pragma once

// Where things are in the registry: the roots' names, the keys a bar owns in each registry
// view, and how key paths are split and joined. Paths have backslashes between key names
// and none at either end ("CLSID\{...}\Instance").

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "registration/registry_store.h"

namespace quillbay {

// The class keys, and the browser's list of bars, in the 64-bit view and in the 32-bit view
// (Wow6432Node) that the browser's 32-bit processes read.
inline constexpr std::string_view kClassesKey = "CLSID";
inline constexpr std::string_view kClassesKey32 = "Wow6432Node\\CLSID";
inline constexpr std::string_view kBarsKey =
    "Software\\Microsoft\\Internet Explorer\\Explorer Bars";
inline constexpr std::string_view kBarsKey32 =
    "Software\\Wow6432Node\\Microsoft\\Internet Explorer\\Explorer Bars";

// The two trees a bar owns, each named by the bar's identifier below `key` (`key32` in the
// 32-bit view).
struct BarTreeKey {
  RegRoot root;
  std::string_view key;
  std::string_view key32;
};
inline constexpr std::array<BarTreeKey, 2> kBarTrees = {{
    {RegRoot::kClassesRoot, kClassesKey, kClassesKey32},
    {RegRoot::kLocalMachine, kBarsKey, kBarsKey32},
}};

// Below a bar's class key.
inline constexpr std::string_view kCategoriesKey = "Implemented Categories";
inline constexpr std::string_view kVerticalCategory = "{00021493-0000-0000-C000-000000000046}";
inline constexpr std::string_view kHorizontalCategory = "{00021494-0000-0000-C000-000000000046}";
inline constexpr std::string_view kServerKey = "InProcServer32";
inline constexpr std::string_view kInstanceKey = "Instance";
inline constexpr std::string_view kPropertyBagKey = "InitPropertyBag";

// Where the browser caches its lists of the bars of each category (below HKEY_CURRENT_USER);
// it rebuilds a list it does not find.
inline constexpr std::string_view kCategoryCacheKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\"
    "Component Categories";

// The long name of a root ("HKEY_CLASSES_ROOT").
std::string_view RootName(RegRoot root);

// The names joined by backslashes, empty names left out ("CLSID", id -> "CLSID\{...}").
std::string KeyPath(std::initializer_list<std::string_view> names);

// A key's name with its root ("HKEY_CLASSES_ROOT\CLSID\{...}"); the root alone for an empty
// path.
std::string FullName(RegRoot root, std::string_view path);

// The key names along `path`; none for an empty path. Empty names stay, for the caller to
// refuse.
std::vector<std::string_view> SplitKeyPath(std::string_view path);

}  // namespace quillbay
