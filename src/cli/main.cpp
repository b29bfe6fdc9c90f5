// quillbay-cli: the windows' bar list and link pages from scripts, through the same
// bars service, stores and locks, and ".reg" files that deploy the bars with `reg import`.
// Exit status: 0 done, 1 the operation failed or was refused, 2 the command line is wrong.

#include <CLI/CLI.hpp>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_platform.h"
#include "cli/commands.h"
#include "registration/error_text.h"
#include "system/file_error.h"

namespace quillbay {
namespace {

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
