#include "deploy/msi_package.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace quillbay {
namespace {

constexpr std::string_view kTables[] = {
    "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT NULL "
    "LOCALIZABLE PRIMARY KEY `Property`)",
    "CREATE TABLE `Directory` (`Directory` CHAR(72) NOT NULL, `Directory_Parent` CHAR(72), "
    "`DefaultDir` CHAR(255) NOT NULL LOCALIZABLE PRIMARY KEY `Directory`)",
    "CREATE TABLE `Feature` (`Feature` CHAR(38) NOT NULL, `Feature_Parent` CHAR(38), `Title` "
    "CHAR(64) LOCALIZABLE, `Description` CHAR(255) LOCALIZABLE, `Display` SHORT, `Level` SHORT "
    "NOT NULL, `Directory_` CHAR(72), `Attributes` SHORT NOT NULL PRIMARY KEY `Feature`)",
    "CREATE TABLE `Component` (`Component` CHAR(72) NOT NULL, `ComponentId` CHAR(38), "
    "`Directory_` CHAR(72) NOT NULL, `Attributes` SHORT NOT NULL, `Condition` CHAR(255), "
    "`KeyPath` CHAR(72) PRIMARY KEY `Component`)",
    "CREATE TABLE `FeatureComponents` (`Feature_` CHAR(38) NOT NULL, `Component_` CHAR(72) NOT "
    "NULL PRIMARY KEY `Feature_`, `Component_`)",
    "CREATE TABLE `Registry` (`Registry` CHAR(72) NOT NULL, `Root` SHORT NOT NULL, `Key` "
    "CHAR(255) NOT NULL LOCALIZABLE, `Name` CHAR(255) LOCALIZABLE, `Value` LONGCHAR LOCALIZABLE, "
    "`Component_` CHAR(72) NOT NULL PRIMARY KEY `Registry`)",
    "CREATE TABLE `Upgrade` (`UpgradeCode` CHAR(38) NOT NULL, `VersionMin` CHAR(20), "
    "`VersionMax` CHAR(20), `Language` CHAR(255), `Attributes` LONG NOT NULL, `Remove` "
    "CHAR(255), `ActionProperty` CHAR(72) NOT NULL PRIMARY KEY `UpgradeCode`, `VersionMin`, "
    "`VersionMax`, `Language`, `Attributes`)",
    "CREATE TABLE `LaunchCondition` (`Condition` CHAR(255) NOT NULL, `Description` CHAR(255) "
    "NOT NULL LOCALIZABLE PRIMARY KEY `Condition`)",
    "CREATE TABLE `InstallExecuteSequence` (`Action` CHAR(72) NOT NULL, `Condition` CHAR(255), "
    "`Sequence` SHORT PRIMARY KEY `Action`)",
    "CREATE TABLE `InstallUISequence` (`Action` CHAR(72) NOT NULL, `Condition` CHAR(255), "
    "`Sequence` SHORT PRIMARY KEY `Action`)",
};

struct Step {
  std::string_view action;
  int sequence;
};
// The standard actions a package of registry entries needs, at their usual places. Older
// versions go before anything is installed, so that the new one writes every bar afresh.
constexpr Step kExecuteSequence[] = {
    {"FindRelatedProducts", 25},      {"LaunchConditions", 100},
    {"CostInitialize", 800},          {"FileCost", 900},
    {"CostFinalize", 1000},           {"InstallValidate", 1400},
    {"RemoveExistingProducts", 1401}, {"InstallInitialize", 1500},
    {"ProcessComponents", 1600},      {"UnpublishFeatures", 1800},
    {"RemoveRegistryValues", 2600},   {"WriteRegistryValues", 5000},
    {"RegisterProduct", 6100},        {"PublishFeatures", 6300},
    {"PublishProduct", 6400},         {"InstallFinalize", 6600},
};
constexpr Step kUiSequence[] = {
    {"FindRelatedProducts", 25}, {"LaunchConditions", 100}, {"CostInitialize", 800},
    {"FileCost", 900},           {"CostFinalize", 1000},    {"ExecuteAction", 1300},
};

constexpr int kRootLocalMachine = 2;
constexpr int kComponent64Bit = 256;
constexpr int kComponentRegistryKeyPath = 4;
constexpr int kUpgradeOnlyDetect = 2;
constexpr int kUpgradeVersionMaxInclusive = 512;

// Text in a column the installer formats: '[' and ']' would name properties.
std::string Formatted(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '[') {
      out += "[\\[]";
    } else if (c == ']') {
      out += "[\\]]";
    } else {
      out += c;
    }
  }
  return out;
}

// A value as the Registry table's Value column holds it: '#' begins a type marker.
std::string RegistryValue(const RegValue& value) {
  if (value.type == RegType::kBinary) return "#x" + ValueData(value);
  std::string text = Formatted(ValueData(value));
  if (value.type == RegType::kExpandString) return "#%" + text;
  return text.starts_with('#') ? "#" + text : text;
}

// The key a step writes, under HKEY_LOCAL_MACHINE, where a per-machine install puts classes.
std::string MachineKey(const RegKeyWrite& step) {
  return step.root == RegRoot::kClassesRoot ? "Software\\Classes\\" + step.path : step.path;
}

// The bar's identifier as letters and digits alone, for names of rows.
std::string RowName(const BarId& id) {
  std::string name;
  for (const char c : id) {
    if (c != '{' && c != '}' && c != '-') name += c;
  }
  return name;
}

std::string JoinedNames(const std::vector<DeployedBar>& bars) {
  std::string names;
  for (const DeployedBar& bar : bars) names += (names.empty() ? "" : ", ") + bar.name;
  return names;
}

// The columns of each table, in order, for the INSERTs (the installer's SQL names them all).
struct Columns {
  std::string_view table;
  std::string_view columns;
};
constexpr Columns kColumns[] = {
    {"Property", "`Property`, `Value`"},
    {"Directory", "`Directory`, `Directory_Parent`, `DefaultDir`"},
    {"Feature",
     "`Feature`, `Feature_Parent`, `Title`, `Description`, `Display`, `Level`, `Directory_`, "
     "`Attributes`"},
    {"Component", "`Component`, `ComponentId`, `Directory_`, `Attributes`, `Condition`, `KeyPath`"},
    {"FeatureComponents", "`Feature_`, `Component_`"},
    {"Registry", "`Registry`, `Root`, `Key`, `Name`, `Value`, `Component_`"},
    {"Upgrade",
     "`UpgradeCode`, `VersionMin`, `VersionMax`, `Language`, `Attributes`, `Remove`, "
     "`ActionProperty`"},
    {"LaunchCondition", "`Condition`, `Description`"},
    {"InstallExecuteSequence", "`Action`, `Condition`, `Sequence`"},
    {"InstallUISequence", "`Action`, `Condition`, `Sequence`"},
};

class Tables {
 public:
  explicit Tables(InstallerDatabase& db) : db_(db) {}
  // Inserts one row into `table`, its fields in column order.
  Tables& Row(std::string_view table, std::vector<MsiField> fields) {
    if (!result_) return *this;
    const auto columns = std::ranges::find(kColumns, table, &Columns::table);
    std::string sql =
        "INSERT INTO `" + std::string(table) + "` (" + std::string(columns->columns) + ") VALUES (";
    for (std::size_t i = 0; i < fields.size(); ++i) sql += i == 0 ? "?" : ", ?";
    result_ = db_.Execute(sql + ")", fields);
    return *this;
  }
  Tables& Sql(std::string_view sql) {
    if (result_) result_ = db_.Execute(sql, {});
    return *this;
  }
  MsiResult result() const { return result_; }

 private:
  InstallerDatabase& db_;
  MsiResult result_;
};

}  // namespace

bool IsPackageVersion(std::string_view version) {
  constexpr unsigned kLimits[] = {255, 255, 65535};
  for (std::size_t part = 0; part < 3; ++part) {
    const std::size_t end = part == 2 ? version.size() : version.find('.');
    if (end == 0 || end == std::string_view::npos) return false;
    unsigned number = 0;
    const auto [rest, error] = std::from_chars(version.data(), version.data() + end, number);
    if (error != std::errc() || rest != version.data() + end || number > kLimits[part]) {
      return false;
    }
    version.remove_prefix(part == 2 ? end : end + 1);
  }
  return true;
}

MsiResult WriteBarPackage(InstallerDatabase& db, const std::vector<DeployedBar>& bars,
                          const PackageInfo& info) {
  const std::string upgrade_code = NameBasedUuid("upgrade code\\" + info.name);
  const std::string name = Formatted(info.name);
  Tables tables(db);
  for (const std::string_view sql : kTables) tables.Sql(sql);
  const std::pair<std::string, std::string> properties[] = {
      {"ProductCode", info.product_code},
      {"ProductName", info.name},
      {"ProductVersion", info.version},
      {"Manufacturer", "Quillbay"},
      {"ProductLanguage", "1033"},
      {"UpgradeCode", upgrade_code},
      {"ALLUSERS", "1"},
      {"ARPNOMODIFY", "1"},
      {"SecureCustomProperties", "OLDERFOUND;NEWERFOUND"},
  };
  for (const auto& [property, value] : properties) tables.Row("Property", {property, value});
  tables.Row("Directory", {"TARGETDIR", {}, "SourceDir"})
      .Row("Feature", {"Bars", {}, "Browser bars", JoinedNames(bars), 1, 1, "TARGETDIR", 0})
      .Row("Upgrade",
           {upgrade_code, {}, info.version, {}, kUpgradeVersionMaxInclusive, {}, "OLDERFOUND"})
      .Row("Upgrade", {upgrade_code, info.version, {}, {}, kUpgradeOnlyDetect, {}, "NEWERFOUND"})
      .Row("LaunchCondition",
           {"Installed OR NOT NEWERFOUND",
            "A newer version of " + name + " is already installed; this one was not installed."});
  for (const Step& step : kExecuteSequence) {
    tables.Row("InstallExecuteSequence", {std::string(step.action), {}, step.sequence});
  }
  for (const Step& step : kUiSequence) {
    tables.Row("InstallUISequence", {std::string(step.action), {}, step.sequence});
  }

  for (const DeployedBar& bar : bars) {
    const std::vector<RegKeyWrite> keys = BarKeys(bar);
    for (const RegView view : {RegView::k64, RegView::k32}) {
      // The installer itself puts a 32-bit component's keys into the 32-bit view.
      const bool is64 = view == RegView::k64;
      const std::string component = (is64 ? "Bar64_" : "Bar32_") + RowName(bar.id);
      int row = 0;
      std::string key_path;
      for (const RegKeyWrite& key : keys) {
        const std::string machine_key = MachineKey(key);
        auto add = [&](MsiField value_name, MsiField value) {
          const std::string id = component + "_" + std::to_string(++row);
          if (key_path.empty()) key_path = id;
          tables.Row("Registry", {id, kRootLocalMachine, machine_key, std::move(value_name),
                                  std::move(value), component});
        };
        // An empty key is made on install and removed on uninstall.
        if (key.values.empty()) add("*", {});
        for (const RegValue& value : key.values) {
          add(value.name.empty() ? MsiField() : MsiField(value.name), RegistryValue(value));
        }
      }
      tables
          .Row("Component", {component,
                             NameBasedUuid("component\\" + bar.id + (is64 ? "\\64" : "\\32")),
                             "TARGETDIR",
                             kComponentRegistryKeyPath | (is64 ? kComponent64Bit : 0),
                             {},
                             key_path})
          .Row("FeatureComponents", {"Bars", component});
    }
  }
  if (!tables.result()) return tables.result();

  const std::string names = JoinedNames(bars);
  const MsiSummaryProperty summary[] = {
      {1, 1252},                      // code page
      {2, info.name + ": " + names},  // title
      {3, "Browser bars: " + names},  // subject
      {4, std::string("Quillbay")},   // author
      {5, std::string("Installer, browser bars")},
      {7, std::string("x64;1033")},       // platform and language
      {9, info.package_code},             // the package code
      {14, 200},                          // the installer version it needs
      {15, 2},                            // no files: compressed, nothing to copy
      {18, std::string("quillbay-cli")},  // the program that made it
      {19, 2},                            // read-only recommended
  };
  return db.SetSummary(summary);
}

}  // namespace quillbay
