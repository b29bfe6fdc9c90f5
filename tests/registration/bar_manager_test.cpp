#include "registration/bar_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "resources/string_table.h"
#include "tests/support/registration_fakes.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::ReadBytes;
using testing::WriteBytes;

const std::string kId1 = "{00000001-0000-0000-0000-000000000000}";
const std::string kId2 = "{00000002-0000-0000-0000-000000000000}";
const std::string kId3 = "{00000003-0000-0000-0000-000000000000}";

std::string Message(int id) {
  return "message " + std::string(StringResource(id));
}

// One window's manager with its own fakes; what it tells the window, one line a call.
struct Window : BarManagerSink {
  explicit Window(std::optional<std::string> path) : manager(store, guids, *this, std::move(path)) {
    manager.Open();
  }
  void ShowMessage(std::string_view text) override {
    said.push_back("message " + std::string(text));
  }
  void ShowFileError(const FileError& error) override { said.push_back("error " + error.Text()); }
  void RowAppended(const BarRow& row) override {
    events.push_back("append " + row.id + " " + row.name);
  }
  void RowRemoved(std::size_t index) override {
    events.push_back("remove " + std::to_string(index));
  }
  void DeleteEnabledChanged(bool on) override { events.push_back(on ? "delete on" : "delete off"); }
  bool Registered(const std::string& id) const {
    return store.HasKey(RegRoot::kClassesRoot, "CLSID\\" + id) &&
           store.HasKey(RegRoot::kLocalMachine,
                        "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\" + id);
  }
  void Delete(int row) {
    manager.SelectionChanged(row, 1);
    manager.DeleteSelected();
  }

  std::vector<std::string> said;  // messages and file errors
  std::vector<std::string> events;
  testing::MemoryRegistryStore store;
  testing::ScriptedGuidSource guids;
  BarManager manager;
};

class BarManagerTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  std::string backup_ = dir_.File("data/bkupRegKeyf");
};

// Rows are listed as the file has them; an id edited by hand touches no registry key.
TEST_F(BarManagerTest, OpenListsTheFileAndHandEditedIdsNeverReachTheRegistry) {
  std::filesystem::create_directories(dir_.path() / "data");
  WriteBytes(backup_, "x\\..,name;\r\n,empty;\r\n{C},ok;\r\n");
  Window w(backup_);
  EXPECT_THAT(w.events,
              ElementsAre("delete off", "append x\\.. name", "append  empty", "append {C} ok"));
  w.Delete(0);
  w.Delete(0);
  EXPECT_THAT(w.store.calls, IsEmpty());
  EXPECT_EQ(ReadBytes(backup_), "{C},ok;\r\n");
}

// Without both texts or a new identifier nothing is made; without a data folder bars are.
TEST_F(BarManagerTest, WhatCreateNeeds) {
  for (const auto& [name, location, message] : {std::tuple{"", "http://h/", str::kNeedNameAndUrl},
                                                {"bar", "", str::kNeedNameAndUrl},
                                                {"bar", "http://h/", str::kNoNewBarId}}) {
    Window w(backup_);
    w.guids.queued = {std::nullopt};
    w.manager.CreateBar(name, location);
    EXPECT_THAT(w.said, ElementsAre(Message(message)));
    EXPECT_THAT(w.store.calls, IsEmpty());
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "data"));
  Window without_folder(std::nullopt);
  without_folder.manager.CreateBar("bar", "http://h/");
  EXPECT_THAT(without_folder.said, ElementsAre(Message(str::kNoDataFolder)));
  EXPECT_TRUE(without_folder.Registered(kId1));
}

// The kind chosen last is written; Delete takes the first selected row only and then waits
// for a new choice; deleting the last row leaves no file.
TEST_F(BarManagerTest, CreateAndDeleteKeepTheFileInStep) {
  Window w(backup_);
  w.manager.ChooseKind(BarKind::kHorizontal);
  w.manager.CreateBar("two\r\nlines", " ");  // a space is text
  w.manager.CreateBar("two", "http://h/");
  w.manager.CreateBar("three", "http://h/");
  EXPECT_EQ(ReadBytes(backup_),
            kId1 + ",twolines;\r\n" + kId2 + ",two;\r\n" + kId3 + ",three;\r\n");
  EXPECT_TRUE(w.store.HasKey(
      RegRoot::kClassesRoot,
      "CLSID\\" + kId1 + "\\Implemented Categories\\{00021494-0000-0000-C000-000000000046}"));
  w.events.clear();
  w.manager.SelectionChanged(1, 2);
  w.manager.DeleteSelected();
  w.manager.DeleteSelected();
  EXPECT_THAT(w.events, ElementsAre("delete on", "remove 1", "delete off"));
  EXPECT_FALSE(w.Registered(kId2));
  EXPECT_TRUE(w.Registered(kId3));
  EXPECT_EQ(ReadBytes(backup_), kId1 + ",twolines;\r\n" + kId3 + ",three;\r\n");
  w.Delete(0);
  w.Delete(0);
  EXPECT_FALSE(std::filesystem::exists(backup_));
  EXPECT_THAT(w.said, IsEmpty());
}

TEST_F(BarManagerTest, FilterTakesSemicolonsThenCommasThenLineBreaks) {
  for (const auto& [text, result, messages] : {std::tuple{"plain", "plain", 0u},
                                               {";;;", "", 1u},
                                               {"a,b;c,d;", "abcd", 2u},
                                               {"a;,\nb", "ab", 3u}}) {
    Window w(backup_);
    std::string box = text;
    while (std::optional<std::string> next = w.manager.FilterSeparators(box)) box = *next;
    EXPECT_EQ(box, result);
    EXPECT_EQ(w.said, std::vector<std::string>(messages, Message(str::kCharacterNotAllowed)));
  }
}

// One report a bar; a key another program's subkey keeps is not blamed on missing rights.
TEST_F(BarManagerTest, RegistryFailuresAreReportedOnceWithTheirCause) {
  Window w(backup_);
  w.store.fail_with = RegStatus::kAccessDenied;
  w.manager.CreateBar("bar", "http://h/");
  w.store.fail_with = RegStatus::kHasSubkeys;
  w.Delete(0);
  const std::string admin(StringResource(str::kRegistryNeedsAdmin));
  EXPECT_THAT(w.said, ElementsAre(FormatString1(Message(str::kRegistryWriteFailed), admin),
                                  FormatString1(Message(str::kRegistryRemoveFailed), "refused")));
}

// Each change starts from what the file holds now, and the list then shows it.
TEST_F(BarManagerTest, TwoWindowsKeepEachOthersRows) {
  Window first(backup_);
  Window second(backup_);
  second.guids.queued = {Guid{2}};
  first.manager.CreateBar("one", "http://h/");
  second.manager.CreateBar("two", "http://h/");
  EXPECT_THAT(second.manager.rows(), ElementsAre(BarRow{kId1, "one"}, BarRow{kId2, "two"}));
  first.guids.queued = {Guid{3}};
  first.manager.CreateBar("three", "http://h/");
  second.Delete(0);
  first.Delete(0);  // "one" is gone already: the other window's rows stay
  const std::vector<BarRow> left{{kId2, "two"}, {kId3, "three"}};
  EXPECT_EQ(first.manager.rows(), left);
  EXPECT_EQ(second.manager.rows(), left);
  EXPECT_EQ(ReadBytes(backup_), kId2 + ",two;\r\n" + kId3 + ",three;\r\n");
}

#if !defined(_WIN32)
// A file that exists but cannot be read is no empty list: shown at opening, and no
// command replaces or removes it; bars made meanwhile stay listed, also once it is readable.
TEST_F(BarManagerTest, AnUnreadableBackupFileIsNeverReplaced) {
  std::filesystem::create_directories(dir_.path() / "data");
  std::filesystem::permissions(dir_.path(), std::filesystem::perms::all);
  std::filesystem::permissions(dir_.path() / "data", std::filesystem::perms::all);
  WriteBytes(backup_, "{A},kept;\r\n");
  ::chmod(backup_.c_str(), 0);
  (void)!::chown(backup_.c_str(), 65534, 65534);  // the ordinary user's own file, for root
  EXPECT_EQ(testing::AsOrdinaryUser([&]() -> std::string {
              Window w(backup_);
              const std::string denied = "error Access to " + backup_ + " was denied.";
              w.manager.CreateBar("gone", "http://h/");
              if (w.said != std::vector{denied, denied}) return "not told at opening and create";
              try {
                w.Delete(0);
                return "deleted without reading the file";
              } catch (const FileError&) {
              }
              w.manager.CreateBar("kept", "http://h/");
              ::chmod(backup_.c_str(), 0644);
              w.manager.CreateBar("next", "http://h/");
              const std::vector<BarRow> rows{{"{A}", "kept"}, {kId3, "next"}, {kId2, "kept"}};
              return w.manager.rows() == rows ? "" : "not listed";
            }),
            "");
  EXPECT_EQ(ReadBytes(backup_), "{A},kept;\r\n" + kId3 + ",next;\r\n");
}

// Two processes that opened the same list create a bar at once: neither writes before the
// lock is free, and both rows are kept.
TEST_F(BarManagerTest, TwoProcessesCreatingAtOnceWaitForTheLock) {
  std::filesystem::create_directories(dir_.path() / "data");
  WriteBytes(backup_, "{A},first;\r\n");
  auto window = [&](std::uint32_t n) {
    return [&, n](const std::function<void()>& wait) {
      Window w(backup_);
      w.guids.queued = {Guid{n}};
      wait();
      w.manager.CreateBar("bar", "http://h/");
      return w.said.empty();
    };
  };
  EXPECT_EQ(testing::LetGoUnderTheLock(backup_ + ".lock", {window(7), window(8)},
                                       [&] { return ReadBytes(backup_) == "{A},first;\r\n"; }),
            "");
  const std::vector<BarRow> rows = LoadBackup(backup_);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].name, "first");
  EXPECT_NE(rows[1].id, rows[2].id);
}
#endif

}  // namespace
}  // namespace quillbay
