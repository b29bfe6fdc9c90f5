#include "registration/bars.h"

#include <algorithm>

#include "resources/string_table.h"
#include "system/files.h"

namespace quillbay {
namespace {

// Runs `body` on the list held under its lock; a list that cannot be locked, read or written
// fails the outcome with its file error.
template <typename Body>
BarOutcome UnderLock(const std::string& path, Body&& body) {
  BarOutcome outcome;
  try {
    BackupLock list(path);
    body(list, outcome);
    outcome.rows = list.rows();
  } catch (const FileError& error) {
    outcome.file_error = error;
  }
  return outcome;
}

bool Listed(const std::vector<BarRow>& rows, std::string_view id) {
  return std::ranges::any_of(rows, [&](const BarRow& row) { return SameBarId(row.id, id); });
}

}  // namespace

bool SameBarId(std::string_view a, std::string_view b) {
  return IsWellFormedBarId(a) && IsWellFormedBarId(b) ? SameName(a, b) : a == b;
}

std::vector<BarRow> Bars::List() const {
  return LoadBackup(FinalPath(backup_path_));
}

RegResult<std::vector<ListedBar>> Bars::Describe() {
  RegSnapshot registry(store_);  // one reading of the registry for every row
  std::vector<ListedBar> bars;
  for (BarRow& row : List()) {
    RegResult<BarState> state = IsWellFormedBarId(row.id) ? ReadBar(store_, row.id) : BarState{};
    if (!state) return Unexpected<RegError>(std::move(state).error());
    bars.push_back({std::move(row), std::move(*state)});
  }
  return bars;
}

BarOutcome Bars::Create(std::string_view name, std::string_view location, BarKind kind,
                        std::optional<BarId> chosen) {
  BarOutcome refused;
  if (name.empty() || location.empty()) {
    refused.refused = str::kNeedNameAndUrl;
  } else if (name.find_first_of(kNotInRow) != std::string_view::npos) {
    refused.refused = str::kCharacterNotAllowed;
  } else if (chosen && !IsWellFormedBarId(*chosen)) {
    refused.refused = str::kNotABarId;
  }
  const std::optional<BarId> id = chosen ? chosen : NewBarId(guids_);
  if (!id) refused.refused = str::kNoNewBarId;
  if (refused.refused) return refused;

  return UnderLock(backup_path_, [&](BackupLock& list, BarOutcome& outcome) {
    if (chosen) {
      RegResult<BarState> state = ReadBar(store_, *id);
      if (!state) {
        outcome.registry.push_back({RegRoot::kClassesRoot, "", std::move(state).error()});
        return;
      }
      if (Listed(list.rows(), *id) || state->any) {
        outcome.refused = str::kBarIdTaken;
        return;
      }
    }
    // The row first: a bar whose keys are written always has a row to delete it by.
    std::vector<BarRow> rows = list.rows();
    rows.push_back({*id, std::string(name), {}});
    list.Write(std::move(rows));
    outcome.id = id;
    outcome.registry = RegisterBar(store_, *id, name, location, kind);
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
      outcome.not_a_bar = true;
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

RegResult<std::vector<Disagreement>> Bars::Check() {
  // Under the list's lock: no bar is half made or half deleted while we look.
  BackupLock list(backup_path_);
  RegSnapshot registry(store_);
  std::vector<Disagreement> found;
  for (const BarRow& row : list.rows()) {
    if (!IsWellFormedBarId(row.id)) {
      found.push_back({Disagreement::Kind::kNotAnId, row, {}});
      continue;
    }
    RegResult<BarState> state = ReadBar(store_, row.id);
    if (!state) return Unexpected<RegError>(std::move(state).error());
    if (!state->any) {
      found.push_back({Disagreement::Kind::kNotRegistered, row, {}});
    } else if (!state->missing.empty()) {
      found.push_back({Disagreement::Kind::kPartlyRegistered, row, state->missing});
    }
  }
  RegResult<std::vector<Disagreement>> orphans = Orphans(list.rows());
  if (!orphans) return orphans;
  found.insert(found.end(), orphans->begin(), orphans->end());
  return found;
}

BarOutcome Bars::Repair(std::vector<BarRow>* relisted) {
  relisted->clear();
  return UnderLock(backup_path_, [&](BackupLock& list, BarOutcome& outcome) {
    RegResult<std::vector<Disagreement>> orphans = Orphans(list.rows());
    if (!orphans) {
      outcome.registry.push_back({RegRoot::kClassesRoot, "", std::move(orphans).error()});
      return;
    }
    std::vector<BarRow> rows = list.rows();
    for (Disagreement& orphan : *orphans) {
      // A name a row cannot hold loses those characters, as the name box would.
      std::erase_if(orphan.row.name,
                    [](char c) { return kNotInRow.find(c) != std::string_view::npos; });
      relisted->push_back(orphan.row);
      rows.push_back(std::move(orphan.row));
    }
    try {
      list.Write(std::move(rows));
    } catch (const FileError&) {
      relisted->clear();
      throw;
    }
  });
}

}  // namespace quillbay
