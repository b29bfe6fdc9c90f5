#include "deploy/gpp_export.h"

#include <pugixml.hpp>

#include <cstdio>
#include <sstream>

namespace quillbay {
namespace {

constexpr const char* kSettingsClass = "{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}";
constexpr const char* kCollectionClass = "{53B533F5-224C-47e3-B01B-CA3B3F3FF4BF}";
constexpr const char* kItemClass = "{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}";
constexpr std::string_view kCategoryCaches[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\Component "
    "Categories\\{00021493-0000-0000-C000-000000000046}\\Enum",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\Component "
    "Categories\\{00021494-0000-0000-C000-000000000046}\\Enum",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\Component "
    "Categories64\\{00021493-0000-0000-C000-000000000046}\\Enum",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\Component "
    "Categories64\\{00021494-0000-0000-C000-000000000046}\\Enum",
};

// A key's path below HKEY_LOCAL_MACHINE, in the view asked for.
std::string MachinePath(RegRoot root, std::string_view path, RegView view) {
  const std::string in_view = PathInView(root, path, view);
  if (root == RegRoot::kClassesRoot) return "SOFTWARE\\Classes\\" + in_view;
  return in_view.starts_with("Software\\") ? "SOFTWARE" + in_view.substr(8) : in_view;
}

struct Item {
  char action;  // U or D
  std::string hive, key, name, type, value;
  bool is_default = false;
};

void AddItem(pugi::xml_node parent, const Item& item, std::string_view changed,
             std::string_view owner) {
  // What the editor shows: the value's name, or the key's own.
  std::string shown = item.name;
  if (item.is_default) {
    shown = "(Default)";
  } else if (shown.empty()) {
    shown = item.key.substr(item.key.rfind('\\') + 1);
  }
  const std::string uid =
      NameBasedUuid("registry preference\\" + std::string(owner) + "\\" + item.hive + "\\" +
                    item.key + "\\" + item.action + (item.is_default ? "" : ":") + item.name);
  pugi::xml_node node = parent.append_child("Registry");
  node.append_attribute("clsid") = kItemClass;
  node.append_attribute("name") = shown.c_str();
  node.append_attribute("status") = shown.c_str();
  node.append_attribute("image") = item.action == 'D' ? "3" : "2";
  node.append_attribute("changed") = std::string(changed).c_str();
  node.append_attribute("uid") = uid.c_str();
  pugi::xml_node properties = node.append_child("Properties");
  properties.append_attribute("action") = std::string(1, item.action).c_str();
  properties.append_attribute("displayDecimal") = "0";
  properties.append_attribute("default") = item.is_default ? "1" : "0";
  properties.append_attribute("hive") = item.hive.c_str();
  properties.append_attribute("key") = item.key.c_str();
  properties.append_attribute("name") = item.name.c_str();
  properties.append_attribute("type") = item.type.c_str();
  properties.append_attribute("value") = item.value.c_str();
}

std::string TypeName(RegType type) {
  switch (type) {
    case RegType::kExpandString:
      return "REG_EXPAND_SZ";
    case RegType::kBinary:
      return "REG_BINARY";
    default:
      return "REG_SZ";
  }
}

std::string ItemValue(const RegValue& value) {
  return ValueData(value);
}

pugi::xml_node NewSettings(pugi::xml_document& doc) {
  pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "utf-8";
  pugi::xml_node root = doc.append_child("RegistrySettings");
  root.append_attribute("clsid") = kSettingsClass;
  return root;
}

std::string Saved(const pugi::xml_document& doc) {
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  // The declaration on its own line, as the editor writes it.
  std::string text = out.str();
  const std::size_t end = text.find("?>") + 2;
  return text.substr(0, end) + "\r\n" + text.substr(end);
}

}  // namespace

std::optional<GppFiles> ExportGpp(const std::vector<DeployedBar>& bars, bool remove,
                                  std::string_view changed) {
  pugi::xml_document machine;
  pugi::xml_node settings = NewSettings(machine);
  for (const DeployedBar& bar : bars) {
    pugi::xml_node collection = settings.append_child("Collection");
    collection.append_attribute("clsid") = kCollectionClass;
    collection.append_attribute("name") = (bar.name.empty() ? bar.id : bar.name).c_str();
    for (const RegView view : {RegView::k64, RegView::k32}) {
      if (remove) {
        for (const RegKeyPath& key : BarTreeKeys(bar.id)) {
          AddItem(
              collection,
              {'D', "HKEY_LOCAL_MACHINE", MachinePath(key.root, key.path, view), "", "REG_SZ", ""},
              changed, bar.id);
        }
        continue;
      }
      for (const RegKeyWrite& key : BarKeys(bar)) {
        const std::string path = MachinePath(key.root, key.path, view);
        if (key.values.empty()) {
          AddItem(collection, {'U', "HKEY_LOCAL_MACHINE", path, "", "REG_SZ", ""}, changed, bar.id);
        }
        for (const RegValue& value : key.values) {
          AddItem(collection,
                  {'U', "HKEY_LOCAL_MACHINE", path, value.name, TypeName(value.type),
                   ItemValue(value), value.name.empty()},
                  changed, bar.id);
        }
      }
    }
  }
  pugi::xml_document user;
  pugi::xml_node user_settings = NewSettings(user);
  for (const std::string_view cache : kCategoryCaches) {
    AddItem(user_settings, {'D', "HKEY_CURRENT_USER", std::string(cache), "", "REG_SZ", ""},
            changed, "category caches");
  }
  return GppFiles{Saved(machine), Saved(user)};
}

}  // namespace quillbay
