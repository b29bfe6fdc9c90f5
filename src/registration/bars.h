#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/backup_file.h"
#include "registration/bar_id.h"
#include "registration/bar_registry.h"
#include "registration/expected.h"
#include "registration/registry_store.h"
#include "system/file_error.h"
#include "system/guid.h"

namespace quillbay {

// How failures travel, each way for one thing:
// - BarOutcome: the one result of every Bars operation, what it did and what went wrong. It
//   is a value, since a bar operation can do part of its work (a row recorded, a key not);
//   OutcomeMessages (error_text.h) turns it into the user's words for both front ends.
// - RegResult (Expected<T, RegError>): the result of the registry stores and of the steps
//   below Bars; Bars keeps a read failure in `registry_unread`, step failures in `registry`.
// - FileError: thrown by the files below Bars and caught by it into `file_error`. Above
//   Bars it is thrown only where a front end writes a file itself (a link page, an export):
//   the dialog platform shows it in a stop box, the command line prints it.

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

// What a bar operation did. Nothing was changed when it was refused, or when the list or the
// registry could not be read; see each operation for what a failure leaves.
struct BarOutcome {
  std::optional<int> refused;               // the string resource saying why nothing was done
  std::optional<FileError> file_error;      // the list could not be read, locked or written
  std::optional<std::string> unwritable;    // the list's folder, when it cannot be written
  std::optional<RegError> registry_unread;  // the registry could not be read
  std::vector<RegFailure> registry;         // registry steps tried that did not succeed
  bool removed_keyless_row = false;  // Delete: the row's identifier names no registry entries
  std::optional<BarId> id;           // Create: the new bar, once its row is recorded; ToExport: the
                                     // identifier refused
  std::vector<BarRow> rows;          // the list as the file holds it afterwards, when
  bool rows_read = false;            // the list could be read
  std::vector<ListedBar> listed;     // Describe: the rows with their registry entries
  std::vector<Disagreement> found;   // Check: the disagreements, rows first
  std::vector<BarRow> relisted;      // Repair: rows added for orphans
  std::vector<BarRow> mended;        // Repair: rows whose identifier was mended in place
  std::vector<BarId> exported;       // ToExport: the bars to write
  std::vector<ListedBar> left_out;   // ToExport: asked for, but not wholly registered

  bool ok() const {
    return !refused && !file_error && !unwritable && !registry_unread && registry.empty() &&
           left_out.empty();
  }
};

// The bars, each one record kept in two places: its row in the backup file and its keys in
// the registry. Every operation that changes them, and Check, holds the list's lock from
// reading the list until both places are written, so other Quillbay processes see a bar
// whole or not at all. Create records the row before it writes keys and writes none when
// the row could not be recorded; Delete removes the keys before the row and keeps the row
// when keys that exist could not be removed. Either way a bar with keys always has a row
// the user can delete. No operation throws: every failure is in its outcome.
class Bars {
 public:
  // `backup_path` is the list's file, or the string resource saying why there is none (the
  // data folder cannot be found): then every operation is refused with it, reading and
  // writing nothing, so that a window still opens and says why.
  Bars(RegistryStore& store, GuidSource& guids, Expected<std::string, int> backup_path)
      : store_(store), guids_(guids), backup_path_(std::move(backup_path)) {}

  // The backup file, which a window watches to follow other processes' changes.
  const Expected<std::string, int>& backup_path() const { return backup_path_; }

  // The rows of the list, without its lock: a reader never makes a writer wait.
  BarOutcome List() const;

  // Takes the list's lock and lets it go, making the data folder when missing: tells before
  // the user fills in a form that no change could be recorded (`unwritable`).
  BarOutcome CanChange();

  // The rows with what the registry holds of each bar, in `listed`, read under the list's
  // lock: every bar as it is between two operations, never half made or half deleted.
  BarOutcome Describe();

  // Makes a bar with a new identifier, or with `chosen` (refused when it is listed or its
  // class key exists). Refused for an empty name or location, for characters a row cannot
  // hold in either, and for bytes that are not text. The registry is read before the row is
  // recorded: when it cannot be, or the row cannot be recorded, no key is written. A registry
  // step that fails leaves the row, so the bar can be deleted.
  BarOutcome Create(std::string_view name, std::string_view location, BarKind kind,
                    std::optional<BarId> chosen = std::nullopt);

  // Changes the listed bar `id`, keeping its identifier and its row: what is given of its
  // name, location and kind; the rest stays as the registry holds it (a bar that lost its
  // category is Vertical unless a kind is given). Each field given is refused as Create
  // refuses it; an `id` not listed is refused. The registry is read first (nothing is
  // written when it cannot be), then the bar's keys are written again (RewriteBar), then the
  // row's name is changed in place, every other byte of the file kept. A failure part-way
  // leaves the bar listed, as a disagreement check reports, so that Set or Delete can finish.
  BarOutcome Set(std::string_view id, std::optional<std::string_view> name,
                 std::optional<std::string_view> location, std::optional<BarKind> kind);

  // Deletes the bar `id` (a listed identifier, any case): its keys, then every row with it.
  // A row whose identifier is not well formed goes without touching the registry. When a
  // key that exists cannot be removed, the rows stay so that a later Delete can finish.
  BarOutcome Delete(std::string_view id);

  // Every disagreement between the list and the registry, in `found`.
  BarOutcome Check();

  // Lists every orphan again, its name taken from its class key. A row that nearly names an
  // orphan (NearBarId) is mended to the exact identifier instead, so that no bar gets two.
  BarOutcome Repair();

  // The bars an export of `ids` writes (every listed bar when empty), in `exported`, with
  // what the registry holds of them in `listed`, read under the list's lock as Describe
  // reads. A removal takes any well-formed identifier, listed or not, and reads no registry
  // entry; otherwise each must be listed, and a bar not wholly registered is left out.
  BarOutcome ToExport(const std::vector<std::string>& ids, bool removal);

 private:
  // The bars in the registry that no row of `rows` lists.
  RegResult<std::vector<Disagreement>> Orphans(const std::vector<BarRow>& rows);

  RegistryStore& store_;
  GuidSource& guids_;
  Expected<std::string, int> backup_path_;
};

}  // namespace quillbay
