// Group Policy registry preferences, read back as the Group Policy client would take them and
// applied to a registry kept in a file: they must give exactly the keys that add writes, in
// both views, and their removal must leave none of them.
#include "deploy/gpp_export.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "registration/bar_registry.h"
#include "registration/posix/file_registry_store.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

using testing::ReadBytes;
using testing::TempDir;

// Another store seen through the 32-bit view's paths, spelled out as Windows has them.
class Wow64View final : public RegistryStore {
 public:
  explicit Wow64View(RegistryStore& store) : store_(store) {}
  std::vector<RegFailure> WriteKeys(std::span<const RegKeyWrite> steps) override {
    return store_.WriteKeys(Moved(steps));
  }
  std::vector<RegFailure> DeleteKeys(std::span<const RegKeyPath> keys) override {
    return store_.DeleteKeys(Moved(keys));
  }
  RegResult<RegTree> ReadTree(RegRoot, std::string_view) override { return RegTree(); }
  RegResult<std::vector<std::string>> ReadSubkeyNames(RegRoot, std::string_view) override {
    return std::vector<std::string>();
  }

 private:
  template <typename Key>
  static std::vector<Key> Moved(std::span<const Key> keys) {
    std::vector<Key> moved(keys.begin(), keys.end());
    for (Key& key : moved) {
      key.path = key.root == RegRoot::kClassesRoot ? "Wow6432Node\\" + key.path
                                                   : "Software\\Wow6432Node\\" + key.path.substr(9);
    }
    return moved;
  }
  RegistryStore& store_;
};

void DeleteTree(RegistryStore& store, RegRoot root, const std::string& path) {
  const RegResult<RegTree> tree = store.ReadTree(root, path);
  if (!tree) return;
  for (const RegTree& sub : tree->subkeys) DeleteTree(store, root, path + "\\" + sub.name);
  EXPECT_TRUE(store.DeleteKeys(std::vector<RegKeyPath>{{root, path}}).empty()) << path;
}

std::vector<std::string> AttributeNames(pugi::xml_node node) {
  std::vector<std::string> names;
  for (const pugi::xml_attribute attribute : node.attributes()) names.push_back(attribute.name());
  return names;
}

// What the Group Policy client does with `xml`'s items, checking each item's shape on the way.
void Apply(RegistryStore& store, const std::string& xml) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(xml.c_str())) << xml;
  ASSERT_TRUE(xml.starts_with("<?xml version=\"1.0\" encoding=\"utf-8\"?>"));
  EXPECT_STREQ(doc.child("RegistrySettings").attribute("clsid").value(),
               "{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}");
  for (const pugi::xpath_node found : doc.select_nodes("//Registry")) {
    const pugi::xml_node item = found.node();
    const pugi::xml_node p = item.child("Properties");
    EXPECT_EQ(AttributeNames(item),
              (std::vector<std::string>{"clsid", "name", "status", "image", "changed", "uid"}));
    EXPECT_EQ(AttributeNames(p),
              (std::vector<std::string>{"action", "displayDecimal", "default", "hive", "key",
                                        "name", "type", "value"}));
    EXPECT_STREQ(item.attribute("status").value(), item.attribute("name").value());
    const std::string action = p.attribute("action").value();
    EXPECT_EQ(item.attribute("image").as_string(), std::string(action == "D" ? "3" : "2"));
    const std::string key = p.attribute("key").value(), name = p.attribute("name").value(),
                      type = p.attribute("type").value(), value = p.attribute("value").value();
    const std::string classes = "SOFTWARE\\Classes\\";
    RegRoot root = RegRoot::kCurrentUser;
    std::string path = key;
    if (p.attribute("hive").value() == std::string("HKEY_LOCAL_MACHINE")) {
      ASSERT_TRUE(key.starts_with("SOFTWARE\\")) << key;
      root = key.starts_with(classes) ? RegRoot::kClassesRoot : RegRoot::kLocalMachine;
      path = key.starts_with(classes) ? key.substr(classes.size()) : "Software" + key.substr(8);
    }
    if (action == "D") {
      DeleteTree(store, root, path);
      continue;
    }
    ASSERT_EQ(action, "U");
    std::vector<RegValue> values;
    if (type == "REG_BINARY") {
      std::vector<std::uint8_t> bytes;
      for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(value.substr(i, 2), nullptr, 16)));
      }
      values.push_back({name, RegType::kBinary, bytes});
    } else if (!name.empty() || p.attribute("default").as_int() == 1) {
      values.push_back(RegValue::Text(
          name, type == "REG_EXPAND_SZ" ? RegType::kExpandString : RegType::kString, value));
    } else {
      EXPECT_EQ(type + value, "REG_SZ");  // an empty key
    }
    EXPECT_TRUE(store.WriteKeys(std::vector<RegKeyWrite>{{root, path, values}}).empty()) << key;
  }
}

class GppExportTest : public ::testing::TestWithParam<std::vector<DeployedBar>> {};

TEST_P(GppExportTest, AppliesToExactlyWhatAddWritesAndRemovesIt) {
  const std::vector<DeployedBar>& bars = GetParam();
  TempDir folder;
  FileRegistryStore applied(folder.File("applied.reg"));
  FileRegistryStore added(folder.File("added.reg"));
  Wow64View added32(added);
  // Another program's class, and a user's cached list of bar classes, which goes.
  const std::string caches =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\"
      "Component Categories64\\{00021494-0000-0000-C000-000000000046}";
  const std::vector<RegKeyWrite> others = {
      {RegRoot::kClassesRoot, "CLSID\\{0000ABCD-0000-0000-C000-000000000046}", {}},
      {RegRoot::kCurrentUser, caches, {}}};
  ASSERT_TRUE(added.WriteKeys(others).empty());
  ASSERT_TRUE(applied.WriteKeys(others).empty());
  ASSERT_TRUE(
      applied
          .WriteKeys(std::vector<RegKeyWrite>{{RegRoot::kCurrentUser,
                                               caches + "\\Enum",
                                               {RegValue::Text("x", RegType::kString, "1")}}})
          .empty());
  for (const DeployedBar& bar : bars) {
    for (RegistryStore* store : std::vector<RegistryStore*>{&added, &added32}) {
      EXPECT_TRUE(RegisterBar(*store, bar.id, bar.name, bar.location, bar.kind).empty());
    }
  }
  const std::optional<GppFiles> files = ExportGpp(bars, false, "2026-12-07 10:20:30");
  ASSERT_TRUE(files);
  Apply(applied, files->machine);
  Apply(applied, files->user);
  EXPECT_EQ(ReadBytes(folder.File("applied.reg")), ReadBytes(folder.File("added.reg")));

  // Two exports of the same bars differ in their time stamps alone.
  std::string again = ExportGpp(bars, false, "2027-01-02 03:04:05")->machine;
  for (std::size_t at; (at = again.find("2027-01-02 03:04:05")) != std::string::npos;) {
    again.replace(at, 19, "2026-12-07 10:20:30");
  }
  EXPECT_EQ(again, files->machine);

  Apply(applied, ExportGpp(bars, true, "2026-12-07 10:20:30")->machine);
  for (const DeployedBar& bar : bars) {
    for (RegistryStore* store : std::vector<RegistryStore*>{&added, &added32}) {
      EXPECT_TRUE(UnregisterBar(*store, bar.id).empty());
    }
  }
  EXPECT_EQ(ReadBytes(folder.File("applied.reg")), ReadBytes(folder.File("added.reg")));
}

// Markup and non-ASCII text in a bar's name and location; two bars, one of each kind.
INSTANTIATE_TEST_SUITE_P(
    Bars, GppExportTest,
    ::testing::Values(
        std::vector<DeployedBar>{{"{11111111-2222-4333-8444-555555555555}",
                                  "<News> & \"Views\" 'n' \xC3\xA9t\xC3\xA9",
                                  "http://intranet/n.htm?a=1&b=<2>", BarKind::kVertical}},
        std::vector<DeployedBar>{{"{AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE}", "Local pane",
                                  "C:\\Pages\\local.htm", BarKind::kHorizontal},
                                 {"{33333333-2222-4333-8444-555555555555}", "Third", "http://h/3",
                                  BarKind::kVertical}}));

}  // namespace
}  // namespace quillbay
