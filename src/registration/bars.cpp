#include "registration/bars.h"

#include <algorithm>
#include <cctype>

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

// What the registry holds of `id`, read as one state of it.
RegResult ReadBarOnce(RegistryStore& store, const BarId& id, BarState* state) {
  store.BeginUpdate();
  RegResult result = ReadBar(store, id, state);
  store.EndUpdate();
  return result;
}

}  // namespace

bool SameBarId(std::string_view a, std::string_view b) {
  if (!IsWellFormedBarId(a) || !IsWellFormedBarId(b)) return a == b;
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

std::vector<BarRow> Bars::List() const {
  return LoadBackup(FinalPath(backup_path_));
}

std::vector<ListedBar> Bars::Describe() {
  std::vector<ListedBar> bars;
  for (BarRow& row : List()) {
    BarState state;
    if (IsWellFormedBarId(row.id)) ReadBarOnce(store_, row.id, &state);
    bars.push_back({std::move(row), std::move(state)});
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
      BarState state;
      if (const RegResult read = ReadBarOnce(store_, *id, &state); !read.ok()) {
        outcome.registry.push_back({RegRoot::kClassesRoot, "", read});
        return;
      }
      if (Listed(list.rows(), *id) || state.any) {
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

RegResult Bars::Orphans(const std::vector<BarRow>& rows, std::vector<Disagreement>* out) {
  std::vector<std::string> ids;
  if (RegResult read = ReadClassIds(store_, &ids); !read.ok()) return read;
  for (const std::string& id : ids) {
    if (Listed(rows, id)) continue;
    BarState state;
    if (RegResult read = ReadBar(store_, id, &state); !read.ok()) return read;
    if (state.is_bar()) {
      out->push_back({Disagreement::Kind::kNotListed, {id, state.name.value_or(""), {}}, {}});
    }
  }
  return RegResult::Ok();
}

RegResult Bars::Check(std::vector<Disagreement>* out) {
  out->clear();
  // Under the list's lock: no bar is half made or half deleted while we look.
  BackupLock list(backup_path_);
  store_.BeginUpdate();
  RegResult result;
  for (const BarRow& row : list.rows()) {
    if (!IsWellFormedBarId(row.id)) {
      out->push_back({Disagreement::Kind::kNotAnId, row, {}});
      continue;
    }
    BarState state;
    if (result = ReadBar(store_, row.id, &state); !result.ok()) break;
    if (!state.any) {
      out->push_back({Disagreement::Kind::kNotRegistered, row, {}});
    } else if (!state.missing.empty()) {
      out->push_back({Disagreement::Kind::kPartlyRegistered, row, state.missing});
    }
  }
  if (result.ok()) result = Orphans(list.rows(), out);
  store_.EndUpdate();
  if (!result.ok()) out->clear();
  return result;
}

BarOutcome Bars::Repair(std::vector<BarRow>* relisted) {
  relisted->clear();
  return UnderLock(backup_path_, [&](BackupLock& list, BarOutcome& outcome) {
    std::vector<Disagreement> orphans;
    store_.BeginUpdate();
    const RegResult read = Orphans(list.rows(), &orphans);
    store_.EndUpdate();
    if (!read.ok()) {
      outcome.registry.push_back({RegRoot::kClassesRoot, "", read});
      return;
    }
    std::vector<BarRow> rows = list.rows();
    for (Disagreement& orphan : orphans) {
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
