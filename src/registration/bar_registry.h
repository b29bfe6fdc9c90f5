#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "registration/bar_id.h"
#include "registration/registry_store.h"

namespace quillbay {

// Writes every registry entry of a bar, step by step in a fixed order, as one update of
// the store. A failing step does not stop the following ones and nothing is rolled back;
// the failures are returned.
std::vector<RegFailure> RegisterBar(RegistryStore& store, const BarId& id, std::string_view name,
                                    std::string_view location, BarKind kind);

// Writes the keys of the registered bar `id` again with these values: when the kind
// changes, its category key moves and its BarSize follows. The Url is left as it is when
// `location` is unknown. Stops at the first update that fails and returns its failures; a
// bar changing its kind is then left without a category, which check reports.
std::vector<RegFailure> RewriteBar(RegistryStore& store, const BarId& id, std::string_view name,
                                   std::optional<std::string_view> location, BarKind kind);

// Deletes a bar's registry entries, deepest key first. Keys that do not exist are not
// failures; a key another program left a subkey under stays, and is one.
std::vector<RegFailure> UnregisterBar(RegistryStore& store, const BarId& id);

// What the registry holds of one bar.
struct BarState {
  bool any_key = false;                 // at least one of its keys exists
  std::vector<std::string> missing;     // full names of its keys that do not
  std::optional<BarKind> kind;          // from the category key there
  std::optional<std::string> name;      // the class key's unnamed value
  std::optional<std::string> location;  // the Url value
  bool html_band = false;               // its Instance names the browser's HTML band object

  bool has_class_key = false;  // its class key exists

  bool registered() const { return any_key && missing.empty(); }
  // A bar as the browser sees one, whoever wrote it: served by the HTML band, with a bar
  // category.
  bool is_bar() const { return html_band && kind.has_value(); }
  // What is left of a bar Quillbay made, also when only part of it remains: a class key
  // served by the HTML band, or a key in the browser's list of bars without a class key.
  bool is_bar_trace() const { return html_band || (any_key && !has_class_key); }
};

// Reads what the registry holds of bar `id`. Fails only when the store cannot be read.
RegResult<BarState> ReadBar(RegistryStore& store, const BarId& id);

// Identifiers compared as the registry compares names (ASCII letters without case), each
// looked up in constant time.
class BarIdSet {
 public:
  // False when `id` was there already.
  bool Insert(std::string_view id) { return ids_.insert(Folded(id)).second; }
  bool Contains(std::string_view id) const { return ids_.contains(Folded(id)); }

 private:
  static std::string Folded(std::string_view id);
  std::unordered_set<std::string> ids_;
};

// A well-formed identifier that names a class key or a key in the browser's list of bars.
struct FoundBarId {
  std::string id;
  bool in_bar_list = false;  // it names a key in the browser's list of bars
};

// Each identifier once, for finding bars no row lists. Reads the names alone.
RegResult<std::vector<FoundBarId>> ReadBarIds(RegistryStore& store);

// Whether the class key of `id` has an Instance key. A class without one is served by no band
// object: neither a bar nor what is left of one, so the rest of its keys need not be read.
RegResult<bool> HasInstanceKey(RegistryStore& store, const BarId& id);

}  // namespace quillbay
