#include "deploy/gpp_export.h"

#include <initializer_list>
#include <memory>
#include <utility>

#include "deploy/xml_writer.h"

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

using Attributes = std::initializer_list<std::pair<std::string_view, std::string_view>>;

void Element(XmlWriter& xml, std::string_view name, Attributes attributes) {
  xml.StartElement(name);
  for (const auto& [key, value] : attributes) xml.Attribute(key, value);
}

void AddItem(XmlWriter& xml, const Item& item, std::string_view changed, std::string_view owner) {
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
  Element(xml, "Registry",
          {{"clsid", kItemClass},
           {"name", shown},
           {"status", shown},
           {"image", item.action == 'D' ? "3" : "2"},
           {"changed", changed},
           {"uid", uid}});
  Element(xml, "Properties",
          {{"action", std::string_view(&item.action, 1)},
           {"displayDecimal", "0"},
           {"default", item.is_default ? "1" : "0"},
           {"hive", item.hive},
           {"key", item.key},
           {"name", item.name},
           {"type", item.type},
           {"value", item.value}});
  xml.EndElement();
  xml.EndElement();
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

// A document of registry preferences, its items written by `fill`; nullopt when the XML
// library failed.
template <typename Fill>
std::optional<std::string> Settings(Fill&& fill) {
  const std::unique_ptr<XmlWriter> xml = NewXmlWriter();
  if (!xml) return std::nullopt;
  Element(*xml, "RegistrySettings", {{"clsid", kSettingsClass}});
  fill(*xml);
  xml->EndElement();
  std::optional<std::string> body = xml->Finish();
  // The declaration on a line of its own, as the editor writes it.
  if (body) body->insert(0, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n");
  return body;
}

}  // namespace

std::optional<GppFiles> ExportGpp(const std::vector<DeployedBar>& bars, bool remove,
                                  std::string_view changed) {
  std::optional<std::string> machine = Settings([&](XmlWriter& xml) {
    for (const DeployedBar& bar : bars) {
      Element(xml, "Collection",
              {{"clsid", kCollectionClass}, {"name", bar.name.empty() ? bar.id : bar.name}});
      for (const RegView view : {RegView::k64, RegView::k32}) {
        if (remove) {
          for (const RegKeyPath& key : BarTreeKeys(bar.id)) {
            AddItem(xml,
                    {'D', "HKEY_LOCAL_MACHINE", MachinePath(key.root, key.path, view), "", "REG_SZ",
                     ""},
                    changed, bar.id);
          }
          continue;
        }
        for (const RegKeyWrite& key : BarKeys(bar)) {
          const std::string path = MachinePath(key.root, key.path, view);
          if (key.values.empty()) {
            AddItem(xml, {'U', "HKEY_LOCAL_MACHINE", path, "", "REG_SZ", ""}, changed, bar.id);
          }
          for (const RegValue& value : key.values) {
            AddItem(xml,
                    {'U', "HKEY_LOCAL_MACHINE", path, value.name, TypeName(value.type),
                     ValueData(value), value.name.empty()},
                    changed, bar.id);
          }
        }
      }
      xml.EndElement();
    }
  });
  std::optional<std::string> user = Settings([&](XmlWriter& xml) {
    for (const std::string_view cache : kCategoryCaches) {
      AddItem(xml, {'D', "HKEY_CURRENT_USER", std::string(cache), "", "REG_SZ", ""}, changed,
              "category caches");
    }
  });
  if (!machine || !user) return std::nullopt;
  return GppFiles{std::move(*machine), std::move(*user)};
}

}  // namespace quillbay
