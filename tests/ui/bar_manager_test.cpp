// The bar manager over the backup file and a registry in memory.
#include "ui/bar_manager.h"
#include "registration/registry_paths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "registration/bar_registry.h"
#include "resources/string_table.h"
#include "tests/support/registration_fakes.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

using ::testing::ElementsAre;
using testing::ReadBytes;
using testing::WriteBytes;
using Rows = std::vector<BarRow>;

const std::string kId1 = "{00000001-0000-0000-0000-000000000000}";
const std::string kId2 = "{00000002-0000-0000-0000-000000000000}";
const std::string kId3 = "{00000003-0000-0000-0000-000000000000}";
const std::string kId4 = "{00000004-0000-0000-0000-000000000000}";

const auto Message = [](int id) { return "message " + std::string(StringResource(id)); };

struct Window : BarManagerSink {
  explicit Window(Expected<std::string, int> path)
      : bars(store, guids, std::move(path)), manager(bars, *this) {
    manager.Open();
  }
  void ShowMessage(std::string_view text) override { Box("message " + std::string(text)); }
  void ShowFileError(const FileError& error) override { Box("error " + FileErrorText(error)); }
  void Box(const std::string& line) { said.push_back(line), boxes.push_back(line); }
  void RowRemoved(std::size_t index) override { said.push_back("remove " + std::to_string(index)); }
  void DeleteEnabledChanged(bool on) override { said.push_back(on ? "delete on" : "delete off"); }
  void Delete(int row) {
    manager.SelectionChanged(row, 1);
    manager.DeleteSelected();
  }

  std::vector<std::string> said;
  std::vector<std::string> boxes;  // the messages alone
  testing::MemoryRegistryStore store;
  testing::ScriptedGuidSource guids;
  Bars bars;
  BarManager manager;
};

// Fresh version-4 GUIDs, upper-case and zero-padded.
TEST(BarRegistryTest, FreshIdentifiers) {
  const Guid guid{0x0000ABCD, 0x00EF, 0x4A0B, {0x8C, 0x0D, 0x00, 0x01, 0x02, 0x03, 0xFE, 0xFF}};
  EXPECT_EQ(FormatBarId(guid), "{0000ABCD-00EF-4A0B-8C0D-00010203FEFF}");
  SystemGuidSource source;
  std::set<BarId> seen;
  for (int i = 0; i < 50; ++i) seen.insert(NewBarId(source).value().substr(15));
  EXPECT_EQ(seen.size(), 50u);
  EXPECT_EQ(seen.begin()->front() + std::string(1, seen.rbegin()->front()), "44");  // sorted
}

class BarManagerTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  std::string backup_ = dir_.File("data/bkupRegKeyf");
};

// What the user is told, one action of a fresh window a row: a bar whose keys could not all
// be written stays listed, and no refusal changes the list; a bar whose keys could not be
// removed keeps its row, selected, for a later Delete to finish. Missing rights are named as
// such.
TEST_F(BarManagerTest, WhatTheUserIsTold) {
  using namespace str;
  const auto M = [](int id, std::string_view why = "") { return FormatString1(Message(id), why); };
  const std::string admin(StringResource(kRegistryNeedsAdmin));
  using S = RegStatus;
  struct Row {
    std::string name;
    std::optional<std::string> bar_name;  // create a bar so named, else delete one made first
    std::string location;
    std::optional<RegStatus> fail_writes, fail_reads;
    std::size_t rows;               // in the window and in the file afterwards
    std::vector<std::string> said;  // from opening on
    bool no_folder = false, no_guid = false;
  };
  const Row table[] = {
      {"no data folder", "bar", "l", {}, {}, 0, {M(kNoDataFolder), M(kNoDataFolder)}, true},
      {"no identifier", "bar", "l", {}, {}, 0, {M(kNoNewBarId)}, false, true},
      {"no rights", "bar", " ", S::kAccessDenied, {}, 1, {M(kRegistryWriteFailed, admin)}},
      {"no location", "bar", "", {}, {}, 0, {M(kNeedNameAndUrl)}},
      {"a tab in the name", "a\tb", "l", {}, {}, 0, {M(kCharacterNotAllowed)}},
      {"a line break", "a\r\nb", "l", {}, {}, 0, {M(kCharacterNotAllowed)}},
      {"a ; in the location", "b", ";", {}, {}, 0, {M(kLocationCharacterNotAllowed)}},
      {"no registry", "bar", "l", {}, S::kStoreError, 0, {M(kRegistryUnreadable, "unread")}},
      {"keys that stay", {}, "", S::kHasSubkeys, {}, 1, {M(kRegistryRemoveFailed, "refused")}},
      {"a delete", {}, "", {}, {}, 0, {}},
  };
  for (const Row& row : table) {
    std::filesystem::remove(backup_);
    Window w(row.no_folder ? Expected<std::string, int>(Unexpected(str::kNoDataFolder)) : backup_);
    if (!row.bar_name) w.manager.CreateBar("bar", "http://h/");
    if (row.no_guid) w.guids.queued = {std::nullopt};
    w.store.fail_with = row.fail_writes, w.store.fail_reads_with = row.fail_reads;
    row.bar_name ? w.manager.CreateBar(*row.bar_name, row.location) : w.Delete(0);
    EXPECT_EQ(w.boxes, row.said) << row.name;
    EXPECT_EQ(w.manager.rows().size(), row.rows) << row.name;
    EXPECT_EQ(LoadBackup(backup_).size(), row.rows) << row.name;
    EXPECT_EQ(w.manager.delete_enabled(), !row.bar_name && row.rows == 1) << row.name;
  }
}

// Lists as editors leave them. A change writes the other rows back byte for byte; a delete
// takes every row of the bar; a row that names no bar goes with a word, touching no key.
TEST_F(BarManagerTest, HandEditedLists) {
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    std::string file;
    int deleted_row;  // -1: create a bar named "new" instead
    Rows rows;        // as listed at opening
    std::string after;
    std::vector<std::string> said;
  };
  const std::vector<Case> cases = {
      {bom + kId1 + ",One;\r\n" + kId2 + ",Two;\r\n",
       0,
       {{kId1, "One"}, {kId2, "Two"}},
       bom + kId2 + ",Two;\r\n",
       {}},
      {"x,lone CR;\r" + kId1 + ",One;\r\n\n",
       1,
       {{"x", "lone CR"}, {kId1, "One"}, {"", ""}},
       "x,lone CR;\r\n\n",
       {}},
      {kId1 + ",One;\r\n" + kId2 + ",Two;\r\n" + kId1 + ",One;\r\n",
       0,
       {{kId1, "One"}, {kId2, "Two"}, {kId1, "One"}},
       kId2 + ",Two;\r\n",
       {}},
      {kId1 + ",One; a note;\r" + kId2 + ",Two;\n" + kId3 + ",x",
       -1,
       {{kId1, "One"}, {kId2, "Two"}, {kId3, "x"}},
       kId1 + ",One; a note;\r" + kId2 + ",Two;\n" + kId3 + ",x\r\n" + kId4 + ",new;\r\n",
       {}},
      {"x\\..,name;junk;\r\n,empty;\r\nwhole line\r\n" + kId2 + ",Two;\r\n",
       0,
       {{"x\\..", "name"}, {"", "empty"}, {"whole line", ""}, {kId2, "Two"}},
       ",empty;\r\nwhole line\r\n" + kId2 + ",Two;\r\n",
       {FormatString1(Message(str::kNoRegistryEntries), "x\\..")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::filesystem::create_directories(dir_.path() / "data");
    WriteBytes(backup_, c.file);
    Window w(backup_);
    w.guids.queued = {Guid{4}};
    if (c.file.find(kId1) != std::string::npos) {
      RegisterBar(w.store, kId1, "One", "l", BarKind::kVertical);
    }
    EXPECT_EQ(w.manager.rows(), c.rows);
    if (c.deleted_row < 0) {
      w.manager.CreateBar("new", "http://h/");
    } else {
      w.Delete(c.deleted_row);
    }
    EXPECT_EQ(ReadBytes(backup_), c.after);
    EXPECT_EQ(w.boxes, c.said);
    EXPECT_EQ(w.store.HasKey(RegRoot::kClassesRoot, "CLSID\\" + kId1),
              c.after.find(kId1) != std::string::npos);
  }
}

// Check names each disagreement of the rows, and the keys a partly registered bar lacks.
TEST_F(BarManagerTest, CheckNamesEachDisagreement) {
  testing::MemoryRegistryStore store;
  testing::ScriptedGuidSource guids;
  Bars bars(store, guids, backup_);
  std::filesystem::create_directories(dir_.path() / "data");
  WriteBytes(backup_, kId1 + ",One;\r\n" + kId2 + ",Two;\r\nx,y;\r\n" + kId3 + ",Three;\r\n");
  for (const BarId& id : {kId1, kId2}) RegisterBar(store, id, "n", "l", BarKind::kVertical);
  const std::string lost = KeyPath({kBarsKey, kId2});
  (void)store.DeleteKeys(std::vector<RegKeyPath>{{RegRoot::kLocalMachine, lost}});
  const BarOutcome checked = bars.Check();
  std::vector<std::string> found;
  for (const Disagreement& d : checked.found) {
    found.push_back(std::to_string(static_cast<int>(d.kind)) + " " + d.row.id);
    for (const std::string& key : d.missing) found.back() += " " + key;
  }
  EXPECT_TRUE(checked.ok());
  EXPECT_THAT(found, ElementsAre("2 " + kId2 + " HKEY_LOCAL_MACHINE\\" + lost, "3 x", "1 " + kId3));
}

#if !defined(_WIN32)
// A file that exists but cannot be read is no empty list: shown at opening, and no command
// replaces or removes it, nor writes a key of a bar it could not record.
TEST_F(BarManagerTest, AnUnreadableBackupFileIsNeverReplaced) {
  std::filesystem::create_directories(dir_.path() / "data");
  std::filesystem::permissions(dir_.path(), std::filesystem::perms::all);
  std::filesystem::permissions(dir_.path() / "data", std::filesystem::perms::all);
  WriteBytes(backup_, kId1 + ",kept;\r\n");
  ::chmod(backup_.c_str(), 0);
  (void)!::chown(backup_.c_str(), 65534, 65534);  // the ordinary user's own file, for root
  EXPECT_EQ(testing::AsOrdinaryUser([&]() -> std::string {
              Window w(backup_);
              const std::string denied = "error Access to " + backup_ + " was denied.";
              w.manager.CreateBar("gone", "http://h/");
              if (w.boxes != std::vector<std::string>{denied, denied}) return "not told";
              if (!w.store.calls.empty() || !w.manager.rows().empty()) return "made a bar";
              ::chmod(backup_.c_str(), 0644);
              w.manager.CreateBar("next", "http://h/");
              return w.manager.rows() == Rows{{kId1, "kept"}, {kId2, "next"}} ? "" : "not listed";
            }),
            "");
  EXPECT_EQ(ReadBytes(backup_), kId1 + ",kept;\r\n" + kId2 + ",next;\r\n");
  // A folder the user may not write is named as such, not by the lock file in it, at opening.
  const std::string folder = std::filesystem::canonical(dir_.path()) / "locked";
  std::filesystem::create_directories(folder);
  const std::string said = FormatString1(Message(str::kFolderNotWritable), folder);
  EXPECT_EQ(testing::AsOrdinaryUser([&] {
              Window w(folder + "/bkupRegKeyf");
              w.manager.CreateBar("bar", "http://h/");
              return w.boxes == std::vector{said, said} ? "" : "not told of the folder";
            }),
            "");
}
#endif

}  // namespace
}  // namespace quillbay
