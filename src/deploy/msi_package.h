#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "deploy/bar_keys.h"
#include "deploy/installer_database.h"

namespace quillbay {

// What tells one package from another.
struct PackageInfo {
  std::string name = "Quillbay bars";  // ProductName; its UpgradeCode is made from it
  std::string version = "1.0.0";       // ProductVersion
  std::string product_code;            // fresh for every build, braced
  std::string package_code;            // fresh for every build, braced
};

// True for X.Y.Z within the installer's limits: 255.255.65535.
bool IsPackageVersion(std::string_view version);

// Fills `db` with a per-machine package that installs `bars` in both registry views: for
// each bar a 64-bit component and a 32-bit one, whose ComponentIds are made from the bar's
// identifier and the view, so that packages holding the same bar share it. The same name
// built again with a higher version replaces an installed one; a lower one refuses to
// install. Does not commit.
MsiResult WriteBarPackage(InstallerDatabase& db, const std::vector<DeployedBar>& bars,
                          const PackageInfo& info);

}  // namespace quillbay
