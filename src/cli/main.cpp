// quillbay-cli: the windows' bar list and link pages from scripts, through the same
// bars service, stores and locks, and ".reg" files that deploy the bars with `reg import`.
// Exit status: 0 done, 1 the operation failed or was refused, 2 the command line is wrong.
#include <CLI/CLI.hpp>
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
namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

int Fail(std::string_view text) {
  std::cerr << "quillbay-cli: " << text << '\n';
  return kFailed;
}

int Fail(int string_id) {
  return Fail(StringResource(string_id));
}

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

// What `set` changes; what is not given stays.
struct SetRequest {
  std::string id;
  std::optional<std::string> name, location;
  std::optional<BarKind> kind;
};

int Set(const SetRequest& request) {
  MachineBars machine;
  return ExitStatus(machine.bars().Set(request.id, request.name, request.location, request.kind),
                    request.id);
}

int Delete(const std::string& id) {
  MachineBars machine;
  return ExitStatus(machine.bars().Delete(id), id, str::kRegistryRemoveFailed);
}

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

// What `export` is asked to write.
struct ExportRequest {
  std::vector<std::string> ids;
  bool remove = false;
  std::string output;
  std::string format = "reg";
  std::optional<std::string> package_name;
  std::optional<std::string> package_version;
};

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

int Run(int argc, char** argv) {
  IgnoreClosedPipe();
  const Expected<std::vector<std::string>, std::string> arguments =
      CommandLineArguments(argc, argv);
  if (!arguments) return Fail(arguments.error());

  CLI::App app{
      "Registers browser bars, as the Quillbay windows do, from scripts; writes .reg "
      "files that deploy them with reg import.",
      "quillbay-cli"};
  app.set_version_flag("--version", "quillbay-cli " QUILLBAY_VERSION);
  app.require_subcommand(1);
  app.footer(
      "A name or location that begins with '-' follows '--': add -- -Notes- notes.htm\n"
      "Identifiers are taken in any case, with or without braces.\n"
      "-o - writes to standard output.\n"
      "Exit status: 0 done, 1 the operation failed or was refused, 2 usage error.");

  bool json = false;
  CLI::App* list = app.add_subcommand("list", "List the bars: identifier TAB name, one a line");
  list->add_flag("--json", json,
                 "Print a JSON array instead: {\"id\", \"name\", \"location\", \"kind\", "
                 "\"registered\"} for each bar");
  list->footer(
      "Examples:\n"
      "  quillbay-cli list\n"
      "  quillbay-cli list --json > bars.json");

  std::string name, location;
  bool horizontal = false, vertical = false;
  CLI::App* add = app.add_subcommand("add", "Create a bar, as CREATE does; prints its identifier");
  add->add_option("NAME", name, "The bar's name")->required();
  add->add_option("LOCATION", location, "The page it shows: an address or a file path")->required();
  CLI::Option* h = add->add_flag("--horizontal", horizontal, "A bar below the page");
  add->add_flag("--vertical", vertical, "A bar beside the page (the default)")->excludes(h);
  std::string chosen_id;
  CLI::Option* chosen = add->add_option(
      "--id", chosen_id,
      "The bar's identifier, so that a script gives a bar the same one on every machine "
      "(refused when it is taken)");
  const auto typed_id = [](const std::string& typed) { return TypedBarId(typed); };
  chosen->transform(typed_id);
  add->footer(
      "Examples:\n"
      "  quillbay-cli add News http://intranet/news.htm\n"
      "  quillbay-cli add --id {0F5C3B1E-7D2A-4C6B-9E8F-1A2B3C4D5E6F} News "
      "http://intranet/news.htm\n"
      "  quillbay-cli add --horizontal -- -Notes- C:\\Pages\\notes.htm");

  SetRequest change;
  std::string new_name, new_location;
  bool set_horizontal = false, set_vertical = false;
  CLI::App* set =
      app.add_subcommand("set", "Change a listed bar, keeping its identifier and its row");
  set->add_option("ID", change.id, "The bar's identifier")->required()->transform(typed_id);
  CLI::Option* name_given = set->add_option("--name", new_name, "The bar's new name");
  CLI::Option* location_given =
      set->add_option("--location", new_location, "The page it shows from now on");
  CLI::Option* set_h =
      set->add_flag("--horizontal", set_horizontal, "Make it a bar below the page");
  set->add_flag("--vertical", set_vertical, "Make it a bar beside the page")->excludes(set_h);
  set->footer(
      "Examples:\n"
      "  quillbay-cli set 0F5C3B1E-7D2A-4C6B-9E8F-1A2B3C4D5E6F --location "
      "http://intranet/news2.htm\n"
      "  quillbay-cli set 0F5C3B1E-7D2A-4C6B-9E8F-1A2B3C4D5E6F --name Headlines --horizontal");

  std::string id;
  CLI::App* del = app.add_subcommand("delete", "Delete the listed bar, as Delete does");
  del->add_option("ID", id, "The bar's identifier")->required()->transform(typed_id);
  del->footer(
      "Example:\n"
      "  quillbay-cli delete 0F5C3B1E-7D2A-4C6B-9E8F-1A2B3C4D5E6F");

  bool repair = false;
  CLI::App* check = app.add_subcommand(
      "check", "List where the bar list and the registry disagree; exit 1 if they do");
  check->add_flag("--repair", repair, "List every bar the registry holds but no row lists again");

  ExportRequest request;
  std::string package_name, package_version;
  CLI::App* exp = app.add_subcommand(
      "export",
      "Write the bars' registry entries for other machines: a .reg file, Group Policy "
      "preferences or an MSI package (all listed bars by default)");
  exp->add_option("ID", request.ids, "Identifiers of listed bars")->transform(typed_id);
  exp->add_option("--format", request.format,
                  "reg (the default): a .reg file; gpp: Registry.xml files in a Group Policy "
                  "object's folder; msi: a Windows Installer package")
      ->check(CLI::IsMember({"reg", "gpp", "msi"}));
  exp->add_flag("--remove", request.remove,
                "Write the entries that take the bars off a machine instead (reg, gpp)");
  exp->add_option("-o", request.output,
                  "The file to write (reg: default, or -, standard output); the folder (gpp)");
  CLI::Option* name_option = exp->add_option("--name", package_name,
                                             "msi: the product's name (default \"Quillbay bars\")");
  CLI::Option* version_option = exp->add_option(
      "--version", package_version, "msi: the product's version, X.Y.Z (default 1.0.0)");
  exp->footer(
      "Examples:\n"
      "  quillbay-cli export -o bars.reg         then on each machine: reg import bars.reg "
      "/reg:64\n"
      "  quillbay-cli export --remove -o remove.reg\n"
      "  quillbay-cli export --format gpp -o \\\\dc\\SYSVOL\\example.org\\Policies\\{GPO}\n"
      "  quillbay-cli export --format msi -o bars.msi --name \"Intranet bars\" --version 1.1.0");

  std::string page_path;
  std::string title;
  std::vector<std::string> pairs;
  CLI::App* page = app.add_subcommand("page", "Write a link page, as the link page window does");
  page->add_option("-o", page_path, "The HTML file to write (-: standard output)")->required();
  CLI::Option* title_option = page->add_option("--title", title, "The page's title");
  page->add_option("NAME URL", pairs, "Link names and URLs, in pairs")->required();
  page->footer(
      "Example:\n"
      "  quillbay-cli page -o links.htm --title Links Intranet http://intranet/ "
      "Mail http://mail/");

  // A mistyped command is named, not taken for a missing one.
  if (!arguments->empty() && !arguments->front().empty() && arguments->front()[0] != '-' &&
      app.get_subcommands(
             [&](CLI::App* command) { return command->get_name() == arguments->front(); })
          .empty()) {
    std::string commands;
    for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
      commands += (commands.empty() ? "" : ", ") + command->get_name();
    }
    std::cerr << "quillbay-cli: unknown command \"" << arguments->front() << "\"; the commands are "
              << commands << " (quillbay-cli --help)\n";
    return kUsage;
  }

  try {
    // CLI11 takes the arguments last one first.
    app.parse(std::vector<std::string>(arguments->rbegin(), arguments->rend()));
    if (*page && pairs.size() % 2 != 0) {
      throw CLI::ValidationError("NAME URL", "each link needs a name and a URL");
    }
    if (*set && !*name_given && !*location_given && !set_horizontal && !set_vertical) {
      throw CLI::ValidationError("set",
                                 "name a change: --name, --location, --horizontal or --vertical");
    }
  } catch (const CLI::ParseError& error) {
    // --help and --version print what was asked for; a mistake carries the program's name,
    // as every other error does.
    if (error.get_exit_code() == 0) return app.exit(error);
    std::cerr << "quillbay-cli: " << error.what() << " (quillbay-cli --help)\n";
    return kUsage;
  }

  int status = kFailed;
  try {
    if (*list) {
      status = List(json);
    } else if (*add) {
      status = Add(name, location, horizontal, *chosen ? std::optional(chosen_id) : std::nullopt);
    } else if (*set) {
      if (*name_given) change.name = new_name;
      if (*location_given) change.location = new_location;
      if (set_horizontal) change.kind = BarKind::kHorizontal;
      if (set_vertical) change.kind = BarKind::kVertical;
      status = Set(change);
    } else if (*del) {
      status = Delete(id);
    } else if (*check) {
      status = Check(repair);
    } else if (*exp) {
      if (*name_option) request.package_name = package_name;
      if (*version_option) request.package_version = package_version;
      status = Export(request);
    } else {
      status = Page(page_path, *title_option ? std::optional(title) : std::nullopt, pairs);
    }
  } catch (const FileError& error) {
    return Fail(FileErrorText(error));
  }
  // A list or an identifier that did not reach the script is a failure too; a reader that
  // stopped early (list | head -1) had all it wanted.
  if (!std::cout.flush() && !StdoutReaderGone()) {
    return Fail("standard output could not be written");
  }
  return status;
}

}  // namespace
}  // namespace quillbay

int main(int argc, char** argv) {
  return quillbay::Run(argc, argv);
}
