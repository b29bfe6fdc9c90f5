// The bar manager over the backup file and a registry in memory; what the steps of a bar's
// registration do when the store fails. What they write is checked through real stores.
#include "registration/bar_manager.h"

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
using ::testing::IsEmpty;
using testing::ReadBytes;
using testing::WriteBytes;
using Rows = std::vector<BarRow>;

const std::string kId1 = "{00000001-0000-0000-0000-000000000000}";
const std::string kId2 = "{00000002-0000-0000-0000-000000000000}";
const std::string kId3 = "{00000003-0000-0000-0000-000000000000}";

const auto Message = [](int id) { return "message " + std::string(StringResource(id)); };

// One window's manager with its own fakes; what it tells the window, one line a call.
struct Window : BarManagerSink {
  explicit Window(std::optional<std::string> path) : manager(store, guids, *this, std::move(path)) {
    manager.Open();
  }
  void ShowMessage(std::string_view text) override {
    said.push_back("message " + std::string(text));
  }
  void ShowFileError(const FileError& error) override {
    said.push_back("error " + FileErrorText(error));
  }
  void RowRemoved(std::size_t index) override { said.push_back("remove " + std::to_string(index)); }
  void DeleteEnabledChanged(bool on) override { said.push_back(on ? "delete on" : "delete off"); }
  void Delete(int row) {
    manager.SelectionChanged(row, 1);
    manager.DeleteSelected();
  }

  std::vector<std::string> said;
  testing::MemoryRegistryStore store;
  testing::ScriptedGuidSource guids;
  BarManager manager;
};

// Fresh version-4 GUIDs, upper-case and zero-padded. Every step of a bar's registration
// is tried and each failure reported; a key another removal took is none.
TEST(BarRegistryTest, IdsAndFailuresOfEveryStep) {
  const Guid guid{0x0000ABCD, 0x00EF, 0x4A0B, {0x8C, 0x0D, 0x00, 0x01, 0x02, 0x03, 0xFE, 0xFF}};
  EXPECT_EQ(FormatBarId(guid), "{0000ABCD-00EF-4A0B-8C0D-00010203FEFF}");
  SystemGuidSource source;
  std::set<BarId> seen;
  for (int i = 0; i < 50; ++i) seen.insert(NewBarId(source).value().substr(15));
  EXPECT_EQ(seen.size(), 50u);
  EXPECT_EQ(seen.begin()->front() + std::string(1, seen.rbegin()->front()), "44");  // sorted
  testing::MemoryRegistryStore denied, fine;
  denied.fail_with = RegStatus::kAccessDenied;
  EXPECT_EQ(RegisterBar(denied, kId1, "n", "l", BarKind::kVertical).size(), 7u);
  EXPECT_EQ(UnregisterBar(denied, kId1).size(), 8u);
  EXPECT_THAT(UnregisterBar(fine, kId1), IsEmpty());
}

class BarManagerTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  std::string backup_ = dir_.File("data/bkupRegKeyf");
};

// Rows are listed as the file has them: the id runs to the first comma, the name from there
// to the first ';'. An id edited by hand touches no registry key.
TEST_F(BarManagerTest, OpenListsTheFileAndHandEditedIdsNeverReachTheRegistry) {
  std::filesystem::create_directories(dir_.path() / "data");
  WriteBytes(backup_, "x\\..,name;junk;\r\n,empty;\r\nwhole line\r\n{C},ok;\r\n");
  Window w(backup_);
  EXPECT_EQ(w.manager.rows(),
            (Rows{{"x\\..", "name"}, {"", "empty"}, {"whole line", ""}, {"{C}", "ok"}}));
  for (int i = 0; i < 3; ++i) w.Delete(0);
  EXPECT_THAT(w.store.calls, IsEmpty());
  EXPECT_EQ(ReadBytes(backup_), "{C},ok;\r\n");
}

// Without a new identifier nothing is made; without a data folder bars are.
// One report a bar; a key another program's subkey keeps is not blamed on missing rights.
TEST_F(BarManagerTest, WhatTheUserIsTold) {
  Window none(backup_);
  none.guids.queued = {std::nullopt};
  none.manager.CreateBar("bar", "http://h/");
  EXPECT_THAT(none.said, ElementsAre("delete off", Message(str::kNoNewBarId)));
  EXPECT_THAT(none.store.calls, IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "data"));
  Window w(std::nullopt);
  w.manager.CreateBar("bar", "http://h/");
  EXPECT_TRUE(w.store.HasKey(RegRoot::kClassesRoot, "CLSID\\" + kId1));
  w.store.fail_with = RegStatus::kAccessDenied;
  w.manager.CreateBar("bar", "http://h/");
  w.store.fail_with = RegStatus::kHasSubkeys;
  w.Delete(1);
  const std::string admin(StringResource(str::kRegistryNeedsAdmin));
  EXPECT_THAT(w.said,
              ElementsAre("delete off", Message(str::kNoDataFolder),
                          FormatString1(Message(str::kRegistryWriteFailed), admin), "delete on",
                          FormatString1(Message(str::kRegistryRemoveFailed), "refused"), "remove 1",
                          "delete off"));
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
  w.manager.SelectionChanged(1, 2);
  w.manager.DeleteSelected();
  w.manager.DeleteSelected();
  EXPECT_FALSE(w.store.HasKey(RegRoot::kClassesRoot, "CLSID\\" + kId2));
  EXPECT_EQ(ReadBytes(backup_), kId1 + ",twolines;\r\n" + kId3 + ",three;\r\n");
  w.Delete(0);
  w.Delete(0);
  EXPECT_FALSE(std::filesystem::exists(backup_));
}

// Each change starts from what the file holds now, and the list then shows it.
TEST_F(BarManagerTest, TwoWindowsKeepEachOthersRows) {
  Window first(backup_), second(backup_);
  second.guids.queued = {Guid{2}};
  first.manager.CreateBar("one", "http://h/");
  second.manager.CreateBar("two", "http://h/");
  EXPECT_EQ(second.manager.rows(), (Rows{{kId1, "one"}, {kId2, "two"}}));
  first.guids.queued = {Guid{3}};
  first.manager.CreateBar("three", "http://h/");
  second.Delete(0);
  first.Delete(0);  // "one" is gone already: the other window's rows stay
  const Rows left{{kId2, "two"}, {kId3, "three"}};
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
              if (w.said != std::vector<std::string>{"delete off", denied, denied})
                return "not told at opening and create";
              try {
                w.Delete(0);
                return "deleted without reading the file";
              } catch (const FileError&) {
              }
              w.manager.CreateBar("kept", "http://h/");
              ::chmod(backup_.c_str(), 0644);
              w.manager.CreateBar("next", "http://h/");
              return w.manager.rows() == Rows{{"{A}", "kept"}, {kId3, "next"}, {kId2, "kept"}}
                         ? ""
                         : "not listed";
            }),
            "");
  EXPECT_EQ(ReadBytes(backup_), "{A},kept;\r\n" + kId3 + ",next;\r\n");
}
#endif

}  // namespace
}  // namespace quillbay
