// The commands of quillbay-cli, through the same bars service, stores and locks as the windows.

#include "cli/commands.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_platform.h"
#include "deploy/gpp_export.h"
#include "deploy/msi_package.h"
#include "deploy/reg_export.h"
#include "linkpage/link_page.h"
#include "registration/bars.h"
#include "registration/error_text.h"
#include "registration/machine_bars.h"
#include "resources/string_table.h"
#include "system/data_files.h"
#include "system/files.h"
#include "system/text.h"

namespace quillbay {

int Fail(std::string_view text) {
  std::cerr << "quillbay-cli: " << text << '\n';
  return kFailed;
}

int Fail(int string_id) {
  return Fail(StringResource(string_id));
}

namespace {

// Says on standard error what went wrong in `outcome`, for the bar `id`, in the windows'
// words; the exit status: done when nothing did.
int ExitStatus(const BarOutcome& outcome, std::string_view id,
               int registry_message = str::kRegistryWriteFailed) {
  for (const UserMessage& message : OutcomeMessages(outcome, id, registry_message)) {
    Fail(message.text);
  }
  return outcome.ok() ? kDone : kFailed;
}

// `-o FILE`: the file replaced atomically; "-" or none is standard output.
int WriteOutput(const std::string& path, std::string_view bytes) {
  if (IsFolder(path)) return Fail(path + " is a folder: name a file to write");
  if (!path.empty() && path != "-") {
    ReplaceFileAtomically(path, bytes);
    return kDone;
  }
  SetStdoutBinary();
  std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return kDone;
}

}  // namespace

int List(bool json) {
  MachineBars machine;
  if (!json) {
    const BarOutcome listed = machine.bars().List();
    for (const BarRow& row : listed.rows) std::cout << row.id << '\t' << row.name << '\n';
    return ExitStatus(listed, "");
  }
  using Json = nlohmann::ordered_json;
  const BarOutcome described = machine.bars().Describe();
  if (!described.ok()) return ExitStatus(described, "");
  Json bars = Json::array();
  for (const ListedBar& bar : described.listed) {
    const BarState& state = bar.state;
    Json kind = nullptr;
    if (state.kind) kind = *state.kind == BarKind::kHorizontal ? "horizontal" : "vertical";
    bars.push_back({{"id", TextAsUtf8(bar.row.id)},
                    {"name", TextAsUtf8(bar.row.name)},
                    {"location", state.location ? Json(TextAsUtf8(*state.location)) : Json()},
                    {"kind", kind},
                    {"registered", state.registered()}});
  }
  // Bytes that are not text become U+FFFD: whatever the list holds, this is JSON.
  std::cout << bars.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
  return kDone;
}

int Add(const std::string& name, const std::string& location, bool horizontal,
        const std::optional<std::string>& chosen) {
  MachineBars machine;
  const BarOutcome outcome = machine.bars().Create(
      name, location, horizontal ? BarKind::kHorizontal : BarKind::kVertical, chosen);
  // A bar that is listed but not fully registered can still be deleted: show it.
  if (outcome.id) std::cout << *outcome.id << '\n';
  return ExitStatus(outcome, outcome.id.value_or(chosen.value_or("")));
}

int Set(const SetRequest& request) {
  MachineBars machine;
  return ExitStatus(machine.bars().Set(request.id, request.name, request.location, request.kind),
                    request.id);
}

int Delete(const std::string& id) {
  MachineBars machine;
  return ExitStatus(machine.bars().Delete(id), id, str::kRegistryRemoveFailed);
}

namespace {

// Where the list and the registry disagree, one a line: identifier TAB name TAB what.
void PrintDisagreement(const Disagreement& d) {
  std::cout << d.row.id << '\t' << d.row.name << '\t';
  switch (d.kind) {
    case Disagreement::Kind::kNotListed:
      std::cout << "registered, but not listed";
      break;
    case Disagreement::Kind::kNotRegistered:
      std::cout << "listed, but not registered";
      break;
    case Disagreement::Kind::kPartlyRegistered:
      std::cout << "listed, but only partly registered: missing";
      for (std::size_t i = 0; i < d.missing.size(); ++i) {
        std::cout << (i == 0 ? " " : "; ") << d.missing[i];
      }
      break;
    case Disagreement::Kind::kNotAnId:
      std::cout << "listed, but not a bar identifier";
      break;
  }
  std::cout << '\n';
}

}  // namespace

int Check(bool repair) {
  MachineBars machine;
  if (repair) {
    const BarOutcome repaired = machine.bars().Repair();
    for (const BarRow& row : repaired.mended) {
      std::cout << row.id << '\t' << row.name << "\tidentifier mended\n";
    }
    for (const BarRow& row : repaired.relisted) {
      std::cout << row.id << '\t' << row.name << "\tlisted again\n";
    }
    if (!repaired.ok()) return ExitStatus(repaired, "");
  }
  const BarOutcome checked = machine.bars().Check();
  if (!checked.ok()) return ExitStatus(checked, "");
  for (const Disagreement& d : checked.found) PrintDisagreement(d);
  return checked.found.empty() ? kDone : kFailed;
}

namespace {

// True when `path` is one of the files Quillbay keeps its bars in, or their locks: written
// from here it would be replaced without the lock, behind every other process's back.
bool IsOwnFile(const std::string& path) {
  if (path.empty()) return false;
  for (const std::string_view name : {kBackupFileName, kRegistryFileName}) {
    const std::optional<std::string> own = DataFilePath(name);
    if (own && (SameFile(path, *own) || SameFile(path, *own + ".lock"))) return true;
  }
  return false;
}

int RefuseOwnFile(const std::string& path) {
  return Fail(path + " is one of the files Quillbay keeps its bars in; it was left as it is");
}

// Refuses, before anything is read, what the format cannot do; kDone when all is well.
int RefusedExport(const ExportRequest& request) {
  const bool to_stdout = request.output.empty() || request.output == "-";
  auto usage = [](std::string_view text) {
    Fail(text);
    return kUsage;
  };
  if (request.format != "msi" && (request.package_name || request.package_version)) {
    return usage("--name and --version name a package: they go with --format msi");
  }
  if (request.format == "msi") {
    if (request.remove) {
      return usage(
          "--remove does not go with --format msi: uninstalling the package removes its bars");
    }
    if (to_stdout) return usage("a package is binary: name the file to write with -o");
    if (request.package_version && !IsPackageVersion(*request.package_version)) {
      return usage("the version must be X.Y.Z, at most 255.255.65535: " + *request.package_version);
    }
  }
  if (request.format == "gpp" && to_stdout) {
    return usage("name the folder to write the Group Policy files into with -o");
  }
  return kDone;
}

// The package of `bars` at `path`: made beside it, then put in its place whole.
int WritePackage(const std::string& path, const std::vector<DeployedBar>& bars,
                 const ExportRequest& request) {
  if (bars.empty()) return Fail("there are no bars to put into a package; nothing was written");
  if (IsFolder(path)) return Fail(path + " is a folder: name a file to write");
  SystemGuidSource guids;
  const std::optional<Guid> product = guids.NewGuid();
  const std::optional<Guid> package = guids.NewGuid();
  if (!product || !package) {
    return Fail("the system made no fresh GUID for the package; nothing was written");
  }
  PackageInfo info;
  info.name = request.package_name.value_or(info.name);
  info.version = request.package_version.value_or(info.version);
  info.product_code = FormatBarId(*product);
  info.package_code = FormatBarId(*package);
  const std::string partial = path + ".partial";
  MsiResult made;
  if (auto db = CreateInstallerDatabase(partial); !db) {
    made = Unexpected(std::move(db).error());
  } else if (made = WriteBarPackage(**db, bars, info); made) {
    made = (*db)->Commit();
  }
  std::optional<std::string> bytes;
  if (made) bytes = ReadWholeFile(partial);
  RemoveFileIfExists(partial);
  if (!made) return Fail("the package could not be made: " + made.error());
  if (!bytes) return Fail("the package could not be read back from " + partial);
  ReplaceFileAtomically(path, *bytes);
  return kDone;
}

// The two Registry.xml files of a Group Policy object, below `folder`.
int WriteGpp(const std::string& folder, const std::vector<DeployedBar>& bars, bool remove) {
  const std::time_t now = std::time(nullptr);
  char changed[32];
  std::strftime(changed, sizeof changed, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
  const std::optional<GppFiles> files = ExportGpp(bars, remove, changed);
  if (!files) return Fail("the XML library could not write Registry.xml");
  for (const auto& [name, bytes] :
       {std::pair(kGppMachineFile, &files->machine), std::pair(kGppUserFile, &files->user)}) {
    const std::string path = JoinPath(folder, name);
    CreateDirectories(ParentFolder(path));
    ReplaceFileAtomically(path, *bytes);
  }
  return kDone;
}

}  // namespace

int Export(const ExportRequest& request) {
  const std::vector<std::string>& ids = request.ids;
  const bool remove = request.remove;
  const std::string& output = request.output;
  if (const int refused = RefusedExport(request); refused != kDone) return refused;
  MachineBars machine;
  if (IsOwnFile(output)) return RefuseOwnFile(output);
  const BarOutcome chosen = machine.bars().ToExport(ids, remove);
  // Bars not wholly registered are left out, and said so; the others are still written.
  if (!chosen.ok() && chosen.left_out.empty()) return ExitStatus(chosen, chosen.id.value_or(""));
  std::vector<DeployedBar> bars;
  for (const BarId& id : chosen.exported) {
    DeployedBar bar{id, "", "", BarKind::kVertical};
    // What the registry holds, put through RegisterBar again by each format; a removal
    // needs only the identifier and, for its name, the row.
    for (const ListedBar& listed : chosen.listed) {
      if (!SameBarId(listed.row.id, id)) continue;
      bar = {listed.row.id, listed.state.name.value_or(listed.row.name),
             listed.state.location.value_or(""), listed.state.kind.value_or(BarKind::kVertical)};
    }
    for (const BarRow& row : chosen.rows) {
      if (remove && SameBarId(row.id, id)) bar.name = row.name;
    }
    bars.push_back(std::move(bar));
  }
  int written = kDone;
  if (request.format == "msi") {
    written = WritePackage(output, bars, request);
  } else if (request.format == "gpp") {
    written = WriteGpp(output, bars, remove);
  } else if (remove) {
    written = WriteOutput(output, ExportBarRemoval(chosen.exported));
  } else if (RegResult<std::string> file = ExportBars(bars); file) {
    written = WriteOutput(output, *file);
  } else {
    return Fail("the registry entries of the bars could not be written: " +
                RegErrorText(file.error()));
  }
  if (written != kDone) return written;
  return ExitStatus(chosen, "");
}

int Page(const std::string& path, const std::optional<std::string>& title,
         const std::vector<std::string>& pairs) {
  std::vector<LinkEntry> links;
  for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
    if (pairs[i].empty() || pairs[i + 1].empty()) return Fail(str::kNeedLinkNameAndUrl);
    links.push_back({pairs[i], pairs[i + 1]});
  }
  if (path.empty()) return Fail(str::kNeedPagePath);
  if (IsOwnFile(path)) return RefuseOwnFile(path);
  // --title is the window's check box: asking for a title and giving none is refused.
  if (title && title->empty()) return Fail(str::kTitleEmpty);
  if (path == "-" || IsFolder(path)) {
    return WriteOutput(path, BuildLinkPage(title.value_or(""), links));
  }
  WriteLinkPage(path, title.value_or(""), links);
  return kDone;
}

}  // namespace quillbay
