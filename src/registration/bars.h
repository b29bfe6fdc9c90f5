#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/backup_file.h"
#include "registration/bar_id.h"
#include "registration/bar_registry.h"
#include "registration/registry_store.h"
#include "system/file_error.h"
#include "system/guid.h"

namespace quillbay {

// What a bar operation did. Nothing was changed when it was refused or when the list could
// not be read; see each operation for what a failure leaves.
struct BarOutcome {
  std::optional<int> refused;           // the string resource saying why nothing was done
  std::optional<FileError> file_error;  // the list could not be read, locked or written
  std::vector<RegFailure> registry;     // registry steps that did not succeed
  bool not_a_bar = false;    // Delete: a row whose identifier names no registry entries went
  std::optional<BarId> id;   // Create: the new bar, once its row is recorded
  std::vector<BarRow> rows;  // the list as the file holds it afterwards; empty if unread

  bool ok() const { return !refused && !file_error && registry.empty(); }
};

// One place where the list and the registry disagree.
struct Disagreement {
  enum class Kind {
    kNotListed,         // a bar in the registry that no row lists (an orphan)
    kNotRegistered,     // a row whose bar has no registry entries
    kPartlyRegistered,  // a row whose bar has only some of them
    kNotAnId,           // a row with no well-formed identifier
  };
  Kind kind;
  BarRow row;  // the row; for an orphan its identifier and the class key's name
  std::vector<std::string> missing;  // kPartlyRegistered: the keys that are not there
};

// A listed bar with what the registry holds of it.
struct ListedBar {
  BarRow row;
  BarState state;
};

// The bars, each one record kept in two places: its row in the backup file and its keys in
// the registry. Every operation holds the list's lock from reading the list until both
// places are written, so other Quillbay processes see a bar whole or not at all. Create
// records the row before it writes keys and writes none when the row could not be
// recorded; Delete removes the keys before the row and keeps the row when keys that exist
// could not be removed. Either way a bar with keys always has a row the user can delete.
class Bars {
 public:
  Bars(RegistryStore& store, GuidSource& guids, std::string backup_path)
      : store_(store), guids_(guids), backup_path_(std::move(backup_path)) {}

  // The rows of the list. Throws FileError when it exists but cannot be read.
  std::vector<BarRow> List() const;

  // The rows with what the registry holds of each bar. Throws FileError; a registry that
  // cannot be read fails with its error.
  RegResult<std::vector<ListedBar>> Describe();

  // Makes a bar with a new identifier, or with `chosen` (refused when it is listed or its
  // class key exists). Refused for an empty name or location, or a name a row cannot hold.
  // When the row cannot be recorded no key is written. A registry step that fails leaves
  // the row, so the bar can be deleted.
  BarOutcome Create(std::string_view name, std::string_view location, BarKind kind,
                    std::optional<BarId> chosen = std::nullopt);

  // Deletes the bar `id` (a listed identifier, any case): its keys, then every row with it.
  // A row whose identifier is not well formed goes without touching the registry. When a
  // key that exists cannot be removed, the rows stay so that a later Delete can finish.
  BarOutcome Delete(std::string_view id);

  // Every disagreement between the list and the registry, rows first. Throws FileError; a
  // registry that cannot be read fails with its error.
  RegResult<std::vector<Disagreement>> Check();

  // Lists every orphan again, under the list's lock, its name taken from its class key.
  // `relisted` gets the rows added; the outcome's rows are the list afterwards.
  BarOutcome Repair(std::vector<BarRow>* relisted);

  const std::string& backup_path() const { return backup_path_; }

 private:
  // The bars in the registry that no row of `rows` lists.
  RegResult<std::vector<Disagreement>> Orphans(const std::vector<BarRow>& rows);

  RegistryStore& store_;
  GuidSource& guids_;
  std::string backup_path_;
};

// True when `a` and `b` name the same bar: well-formed identifiers in any case, anything
// else only as it is.
bool SameBarId(std::string_view a, std::string_view b);

}  // namespace quillbay
