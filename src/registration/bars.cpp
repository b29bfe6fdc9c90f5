#include "registration/bars.h"

#include <algorithm>

#include "resources/string_table.h"
#include "system/files.h"
#include "system/text.h"

namespace quillbay {
namespace {

// Keeps a file error of the list in `outcome`. One that names the lock file, or the folder
// the list is made in, when access is denied is the folder that cannot be written: the user
// never made the lock file and would not know what it is.
void Keep(const FileError& error, const std::string& path, BarOutcome& outcome) {
  const std::string file = FinalPath(path);
  const std::string folder = ParentFolder(file);
  if (error.cause() == FileCause::kAccessDenied && error.path() &&
      (*error.path() == file + ".lock" || *error.path() == folder)) {
    outcome.unwritable = folder;
  } else {
    outcome.file_error = error;
  }
}

// Runs `body` on the list held under its lock; a list that cannot be locked, read or written
// fails the outcome with its file error.
template <typename Body>
BarOutcome UnderLock(const Expected<std::string, int>& path, Body&& body) {
  BarOutcome outcome;
  if (!path) {
    outcome.refused = path.error();
    return outcome;
  }
  try {
    BackupLock list(*path);
    body(list, outcome);
    outcome.rows = list.rows();
    outcome.rows_read = true;
  } catch (const FileError& error) {
    Keep(error, *path, outcome);
  }
  return outcome;
}

bool Listed(const std::vector<BarRow>& rows, std::string_view id) {
  return std::ranges::any_of(rows, [&](const BarRow& row) { return SameBarId(row.id, id); });
}

bool HoldsNotInRow(std::string_view text) {
  return text.find_first_of(kNotInRow) != std::string_view::npos;
}

// Why a name or a location given for a bar is refused; nullopt when it is not.
std::optional<int> Refusal(std::optional<std::string_view> name,
                           std::optional<std::string_view> location) {
  if ((name && name->empty()) || (location && location->empty())) return str::kNeedNameAndUrl;
  if (name && HoldsNotInRow(*name)) return str::kCharacterNotAllowed;
  if (location && HoldsNotInRow(*location)) return str::kLocationCharacterNotAllowed;
  // The registry keeps Unicode: bytes that are not text would be a different bar there.
  if ((name && !TextToUtf16(*name)) || (location && !TextToUtf16(*location))) {
    return str::kNotText;
  }
  return std::nullopt;
}

// `rows` with what the registry holds of each bar, in `outcome.listed`: one reading of it.
void DescribeRows(RegistryStore& store, const std::vector<BarRow>& rows, BarOutcome& outcome) {
  RegSnapshot registry(store);
  for (const BarRow& row : rows) {
    RegResult<BarState> state = IsWellFormedBarId(row.id) ? ReadBar(store, row.id) : BarState{};
    if (!state) {
      outcome.registry_unread = std::move(state).error();
      outcome.listed.clear();
      return;
    }
    outcome.listed.push_back({row, std::move(*state)});
  }
}

}  // namespace

BarOutcome Bars::List() const {
  BarOutcome outcome;
  if (!backup_path_) {
    outcome.refused = backup_path_.error();
    return outcome;
  }
  try {
    outcome.rows = LoadBackup(FinalPath(*backup_path_));
    outcome.rows_read = true;
  } catch (const FileError& error) {
    Keep(error, *backup_path_, outcome);
  }
  return outcome;
}

BarOutcome Bars::CanChange() {
  return UnderLock(backup_path_, [](BackupLock&, BarOutcome&) {});
}

BarOutcome Bars::Describe() {
  return UnderLock(backup_path_, [&](BackupLock& list, BarOutcome& outcome) {
    DescribeRows(store_, list.rows(), outcome);
  });
}

BarOutcome Bars::Create(std::string_view name, std::string_view location, BarKind kind,
                        std::optional<BarId> chosen) {
  BarOutcome refused;
  refused.refused = Refusal(name, location);
  if (!refused.refused && chosen && !IsWellFormedBarId(*chosen)) {
    refused.refused = str::kNotABarId;
  }
  if (refused.refused) return refused;
  const std::optional<BarId> id = chosen ? chosen : NewBarId(guids_);
  if (!id) {
    refused.refused = str::kNoNewBarId;
    return refused;
  }

  return UnderLock(backup_path_, [&](BackupLock& list, BarOutcome& outcome) {
    // A registry that cannot be read now would fail every step after the row is recorded.
    RegResult<BarState> state = ReadBar(store_, *id);
    if (!state) {
      outcome.registry_unread = std::move(state).error();
      return;
    }
    if (Listed(list.rows(), *id) || state->any_key) {
      outcome.refused = str::kBarIdTaken;
      return;
    }
    // The row first: a bar whose keys are written always has a row to delete it by.
    std::vector<BarRow> rows = list.rows();
    rows.push_back({*id, std::string(name), {}});
    list.Write(std::move(rows));
    outcome.id = id;
    outcome.registry = RegisterBar(store_, *id, name, location, kind);
  });
}

BarOutcome Bars::Set(std::string_view id, std::optional<std::string_view> name,
                     std::optional<std::string_view> location, std::optional<BarKind> kind) {
  BarOutcome refused;
  refused.refused = Refusal(name, location);
  if (refused.refused) return refused;
  return UnderLock(backup_path_, [&](BackupLock& list, BarOutcome& outcome) {
    const auto row = std::ranges::find_if(
        list.rows(), [&](const BarRow& listed) { return SameBarId(listed.id, id); });
    if (row == list.rows().end()) {
      outcome.refused = str::kNotListed;
      return;
    }
    // A row of a hand-edited file that names no keys has none to change.
    if (!IsWellFormedBarId(row->id)) {
      outcome.refused = str::kNotABarId;
      return;
    }
    const BarId bar = row->id;
    RegSnapshot registry(store_);
    // What is not given stays as the registry holds it.
    RegResult<BarState> state = ReadBar(store_, bar);
    if (!state) {
      outcome.registry_unread = std::move(state).error();
      return;
    }
    const std::string new_name(name.value_or(state->name.value_or(row->name)));
    const std::optional<std::string_view> new_location =
        location ? location : std::optional<std::string_view>(state->location);
    outcome.id = bar;
    outcome.registry = RewriteBar(store_, bar, new_name, new_location,
                                  kind.value_or(state->kind.value_or(BarKind::kVertical)));
    // The row is changed once its keys are: a failure before then leaves it as it was.
    if (!outcome.registry.empty() || !name) return;
    std::vector<BarRow> rows = list.rows();
    for (BarRow& listed : rows) {
      if (SameBarId(listed.id, bar)) listed = WithName(listed, *name);
    }
    list.Write(std::move(rows));
  });
}

BarOutcome Bars::Delete(std::string_view id) {
  return UnderLock(backup_path_, [&](BackupLock& list, BarOutcome& outcome) {
    if (!Listed(list.rows(), id)) {
      outcome.refused = str::kNotListed;
      return;
    }
    // Only a bar's own identifier names keys of its own; anything else from a hand-edited
    // file touches no registry key.
    if (IsWellFormedBarId(id)) {
      outcome.registry = UnregisterBar(store_, std::string(id));
      // Keys that are still there keep their row, so that a later Delete can finish.
      if (!outcome.registry.empty()) return;
    } else {
      outcome.removed_keyless_row = true;
    }
    std::vector<BarRow> rows = list.rows();
    std::erase_if(rows, [&](const BarRow& row) { return SameBarId(row.id, id); });
    list.Write(std::move(rows));
  });
}

RegResult<std::vector<Disagreement>> Bars::Orphans(const std::vector<BarRow>& rows) {
  // The names below the class key and the browser's list of bars, then only the keys of the
  // identifiers no row lists: every other class stays unread. One reading of the registry.
  RegSnapshot registry(store_);
  RegResult<std::vector<FoundBarId>> ids = ReadBarIds(store_);
  if (!ids) return Unexpected<RegError>(std::move(ids).error());
  BarIdSet listed;  // a row names keys only by a well-formed identifier
  for (const BarRow& row : rows) {
    if (IsWellFormedBarId(row.id)) listed.Insert(row.id);
  }
  std::vector<Disagreement> orphans;
  for (const auto& [id, in_bar_list] : *ids) {
    if (listed.Contains(id)) continue;
    // Most classes are other programs': one look at their Instance key tells.
    if (!in_bar_list) {
      RegResult<bool> served = HasInstanceKey(store_, id);
      if (!served) return Unexpected<RegError>(std::move(served).error());
      if (!*served) continue;
    }
    RegResult<BarState> state = ReadBar(store_, id);
    if (!state) return Unexpected<RegError>(std::move(state).error());
    // Also what is left of a bar half made or half deleted, so that Delete can remove it.
    if (state->is_bar_trace()) {
      orphans.push_back({Disagreement::Kind::kNotListed, {id, state->name.value_or(""), {}}, {}});
    }
  }
  return orphans;
}

BarOutcome Bars::Check() {
  // Under the list's lock: no bar is half made or half deleted while we look.
  return UnderLock(backup_path_, [&](BackupLock& list, BarOutcome& outcome) {
    RegSnapshot registry(store_);
    for (const BarRow& row : list.rows()) {
      if (!IsWellFormedBarId(row.id)) {
        outcome.found.push_back({Disagreement::Kind::kNotAnId, row, {}});
        continue;
      }
      RegResult<BarState> state = ReadBar(store_, row.id);
      if (!state) {
        outcome.registry_unread = std::move(state).error();
        outcome.found.clear();
        return;
      }
      if (!state->any_key) {
        outcome.found.push_back({Disagreement::Kind::kNotRegistered, row, {}});
      } else if (!state->missing.empty()) {
        outcome.found.push_back({Disagreement::Kind::kPartlyRegistered, row, state->missing});
      }
    }
    RegResult<std::vector<Disagreement>> orphans = Orphans(list.rows());
    if (!orphans) {
      outcome.registry_unread = std::move(orphans).error();
      outcome.found.clear();
      return;
    }
    outcome.found.insert(outcome.found.end(), orphans->begin(), orphans->end());
  });
}

BarOutcome Bars::Repair() {
  return UnderLock(backup_path_, [&](BackupLock& list, BarOutcome& outcome) {
    RegResult<std::vector<Disagreement>> orphans = Orphans(list.rows());
    if (!orphans) {
      outcome.registry_unread = std::move(orphans).error();
      return;
    }
    std::vector<BarRow> rows = list.rows();
    std::vector<BarRow> relisted, mended;
    for (Disagreement& orphan : *orphans) {
      // A hand-edited row that nearly names the bar is its row: mended, not doubled.
      const std::size_t mended_before = mended.size();
      for (BarRow& row : rows) {
        const std::optional<BarId> named = NearBarId(row.id);
        if (named && SameBarId(*named, orphan.row.id)) {
          row = WithId(row, orphan.row.id);
          mended.push_back(row);
        }
      }
      if (mended.size() > mended_before) continue;
      // A name a row cannot hold loses those characters, as the name box would.
      std::erase_if(orphan.row.name,
                    [](char c) { return kNotInRow.find(c) != std::string_view::npos; });
      relisted.push_back(orphan.row);
      rows.push_back(std::move(orphan.row));
    }
    list.Write(std::move(rows));
    // Told only once the list holds them.
    outcome.relisted = std::move(relisted);
    outcome.mended = std::move(mended);
  });
}

BarOutcome Bars::ToExport(const std::vector<std::string>& ids, bool removal) {
  return UnderLock(backup_path_, [&](BackupLock& list, BarOutcome& outcome) {
    for (const std::string& id : ids) {
      // A removal file reads nothing: any bar's identifier will do, listed or not.
      const bool known = removal ? IsWellFormedBarId(id) : Listed(list.rows(), id);
      if (!known) {
        outcome.refused = removal ? str::kNotABarId : str::kNotListed;
        outcome.id = id;
        return;
      }
    }
    if (removal) {
      if (!ids.empty()) {
        outcome.exported = ids;
        return;
      }
      for (const BarRow& row : list.rows()) {
        if (IsWellFormedBarId(row.id)) outcome.exported.push_back(row.id);
      }
      return;
    }
    DescribeRows(store_, list.rows(), outcome);
    for (const ListedBar& bar : outcome.listed) {
      const bool asked = ids.empty() || std::ranges::any_of(ids, [&](const std::string& id) {
                           return SameBarId(id, bar.row.id);
                         });
      if (!asked) continue;
      if (bar.state.registered()) {
        outcome.exported.push_back(bar.row.id);
      } else {
        outcome.left_out.push_back(bar);
      }
    }
  });
}

}  // namespace quillbay
