// quillbay-cli: the windows' bar list and link pages from scripts, through the same
// BarManager, stores and locks, and ".reg" files that deploy the bars with `reg import`.
// Exit status: 0 done, 1 the operation failed or was refused, 2 the command line is wrong.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_platform.h"
#include "linkpage/link_page.h"
#include "registration/bar_manager.h"
#include "registration/reg_export.h"
#include "resources/string_table.h"
#include "system/files.h"

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

// What the manager would show in a box goes to standard error; any of it fails the command.
class ConsoleSink final : public BarManagerSink {
 public:
  void ShowMessage(std::string_view text) override {
    Fail(text);
    failed_ = true;
  }
  void ShowFileError(const FileError& error) override {
    Fail(error.Text());
    failed_ = true;
  }
  bool failed() const { return failed_; }

 private:
  bool failed_ = false;
};

// The system's GUIDs, remembering the last one: the identifier of the bar just created.
class RecordingGuidSource final : public GuidSource {
 public:
  std::optional<Guid> NewGuid() override { return last_ = system_.NewGuid(); }
  const std::optional<Guid>& last() const { return last_; }

 private:
  SystemGuidSource system_;
  std::optional<Guid> last_;
};

// The bar list as the windows see it, opened from the backup file.
class Session {
 public:
  bool Open() {
    store_ = OpenSystemRegistry();
    const std::optional<std::string> folder = WindowsDirectory();
    if (!store_ || !folder) {
      Fail(str::kNoDataFolder);
      return false;
    }
    manager_.emplace(*store_, guids_, sink_, JoinPath(*folder, "bkupRegKeyf"));
    manager_->Open();
    return !sink_.failed();
  }

  BarManager& manager() { return *manager_; }
  RegistryStore& store() { return *store_; }
  const ConsoleSink& sink() const { return sink_; }
  const RecordingGuidSource& guids() const { return guids_; }

  // The row listed with identifier `id`, compared case-insensitively; -1 when none is.
  int Find(std::string_view id) const {
    const std::vector<BarRow>& rows = manager_->rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].id.size() == id.size() &&
          std::equal(id.begin(), id.end(), rows[i].id.begin(), [](char a, char b) {
            return std::toupper(static_cast<unsigned char>(a)) ==
                   std::toupper(static_cast<unsigned char>(b));
          })) {
        return static_cast<int>(i);
      }
    }
    return -1;
  }

 private:
  std::unique_ptr<RegistryStore> store_;
  RecordingGuidSource guids_;
  ConsoleSink sink_;
  std::optional<BarManager> manager_;
};

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

// An identifier as typed: reg.exe and PowerShell users leave out the braces, and any case
// names the same bar. Anything else is kept as typed, for the message that refuses it.
std::string TypedBarId(const std::string& typed) {
  std::string id = typed.size() == 36 ? "{" + typed + "}" : typed;
  std::transform(id.begin(), id.end(), id.begin(), [](char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  });
  return IsWellFormedBarId(id) ? id : typed;
}

int NotListed(std::string_view id) {
  return Fail("no bar listed has the identifier " + std::string(id));
}

int List(bool json) {
  Session session;
  if (!session.Open()) return kFailed;
  const std::vector<BarRow>& rows = session.manager().rows();
  if (!json) {
    for (const BarRow& row : rows) std::cout << row.id << '\t' << row.name << '\n';
    return kDone;
  }
  nlohmann::ordered_json bars = nlohmann::ordered_json::array();
  for (const BarRow& row : rows) {
    bars.push_back({{"id", TextAsUtf8(row.id)}, {"name", TextAsUtf8(row.name)}});
  }
  // Bytes that are not text become U+FFFD: whatever the list holds, this is JSON.
  std::cout << bars.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
  return kDone;
}

int Add(const std::string& name, const std::string& location, bool horizontal) {
  // The window's boxes take these characters out; from a script they are refused instead,
  // so that what is registered is what was asked for.
  if (name.empty() || location.empty()) return Fail(str::kNeedNameAndUrl);
  for (const std::string* text : {&name, &location}) {
    if (text->find_first_of(";,\r\n") != std::string::npos) return Fail(str::kCharacterNotAllowed);
  }
  Session session;
  if (!session.Open()) return kFailed;
  session.manager().ChooseKind(horizontal ? BarKind::kHorizontal : BarKind::kVertical);
  session.manager().CreateBar(name, location);
  // A bar that is listed but not fully registered can still be deleted: show it.
  if (session.guids().last()) std::cout << FormatBarId(*session.guids().last()) << '\n';
  return session.sink().failed() ? kFailed : kDone;
}

int Delete(const std::string& id) {
  Session session;
  if (!session.Open()) return kFailed;
  const int index = session.Find(id);
  if (index < 0) return NotListed(id);
  session.manager().SelectionChanged(index, 1);
  session.manager().DeleteSelected();
  return session.sink().failed() ? kFailed : kDone;
}

int Export(const std::vector<std::string>& ids, bool remove, const std::string& output) {
  Session session;
  if (!session.Open()) return kFailed;
  std::vector<BarId> bars;
  for (const std::string& id : ids) {
    // Only a bar's own identifier names keys of its own to read.
    const int index = session.Find(id);
    if (index < 0 || !IsWellFormedBarId(id)) return NotListed(id);
    bars.push_back(session.manager().rows()[static_cast<std::size_t>(index)].id);
  }
  if (ids.empty()) {
    for (const BarRow& row : session.manager().rows()) {
      if (IsWellFormedBarId(row.id)) bars.push_back(row.id);
    }
  }
  std::string bytes;
  if (remove) {
    bytes = ExportBarRemoval(bars);
  } else if (const RegResult read = ExportBars(session.store(), bars, &bytes); !read.ok()) {
    return Fail("the registry entries of the bars could not be read: " + read.detail);
  }
  return WriteOutput(output, bytes);
}

int Page(const std::string& path, const std::optional<std::string>& title,
         const std::vector<std::string>& pairs) {
  std::vector<LinkEntry> links;
  for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
    if (pairs[i].empty() || pairs[i + 1].empty()) return Fail(str::kNeedLinkNameAndUrl);
    links.push_back({pairs[i], pairs[i + 1]});
  }
  if (path.empty()) return Fail(str::kNeedPagePath);
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
  std::string refused;
  const std::optional<std::vector<std::string>> arguments =
      CommandLineArguments(argc, argv, &refused);
  if (!arguments) return Fail(refused);

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
  list->add_flag("--json", json, "Print a JSON array of {\"id\", \"name\"} instead");
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
  add->footer(
      "Examples:\n"
      "  quillbay-cli add News http://intranet/news.htm\n"
      "  quillbay-cli add --horizontal -- -Notes- C:\\Pages\\notes.htm");

  std::string id;
  CLI::App* del = app.add_subcommand("delete", "Delete the listed bar, as Delete does");
  del->add_option("ID", id, "The bar's identifier")->required()->transform(TypedBarId);
  del->footer(
      "Example:\n"
      "  quillbay-cli delete 0F5C3B1E-7D2A-4C6B-9E8F-1A2B3C4D5E6F");

  std::vector<std::string> ids;
  bool remove = false;
  std::string output;
  CLI::App* exp = app.add_subcommand(
      "export", "Write a .reg file of the bars' registry entries (all listed bars by default)");
  exp->add_option("ID", ids, "Identifiers of listed bars")->transform(TypedBarId);
  exp->add_flag("--remove", remove, "Write the entries that take the bars off a machine instead");
  exp->add_option("-o", output, "The file to write (default, or -: standard output)");
  exp->footer(
      "Examples:\n"
      "  quillbay-cli export -o bars.reg         then on each machine: reg import bars.reg\n"
      "  quillbay-cli export --remove -o remove.reg");

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
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? kDone : kUsage;
  }

  int status = kFailed;
  try {
    if (*list) {
      status = List(json);
    } else if (*add) {
      status = Add(name, location, horizontal);
    } else if (*del) {
      status = Delete(id);
    } else if (*exp) {
      status = Export(ids, remove, output);
    } else {
      status = Page(page_path, *title_option ? std::optional(title) : std::nullopt, pairs);
    }
  } catch (const FileError& error) {
    return Fail(error.Text());
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
