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
using testing::MemoryRegistryStore;
using testing::ReadBytes;
using testing::ScriptedGuidSource;
using testing::TempDir;
using testing::WriteBytes;

const std::string kId1 = "{00000001-0000-0000-0000-000000000000}";
const std::string kId2 = "{00000002-0000-0000-0000-000000000000}";
const std::string kId3 = "{00000003-0000-0000-0000-000000000000}";

std::string Text(int id) {
  return std::string(StringResource(id));
}

// Every call from the manager, as a line.
class RecordingSink : public BarManagerSink {
 public:
  std::vector<std::string> events;

  void ShowMessage(std::string_view text) override {
    events.push_back("message " + std::string(text));
  }
  void ShowFileError(const FileError& error) override { events.push_back("error " + error.Text()); }
  void RowAppended(const BarRow& row) override {
    events.push_back("append " + row.id + " " + row.name);
  }
  void RowRemoved(std::size_t index) override {
    events.push_back("remove " + std::to_string(index));
  }
  void DeleteEnabledChanged(bool enabled) override {
    events.push_back(enabled ? "delete on" : "delete off");
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const std::string& e : events) {
      if (e.starts_with("message ") || e.starts_with("error ")) out.push_back(e);
    }
    return out;
  }
};

class BarManagerTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string backup_ = dir_.File("data/bkupRegKeyf");
  MemoryRegistryStore store_;
  ScriptedGuidSource guids_;
  RecordingSink sink_;

  BarManager& Open(std::optional<std::string> path) {
    manager_.emplace(store_, guids_, sink_, std::move(path));
    manager_->Open();
    return *manager_;
  }
  BarManager& Open() { return Open(backup_); }

  bool BarRegistered(std::string_view id) const {
    return store_.HasKey(RegRoot::kClassesRoot, "CLSID\\" + std::string(id)) &&
           store_.HasKey(
               RegRoot::kLocalMachine,
               "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\" + std::string(id));
  }

  std::optional<BarManager> manager_;
};

// Rows are listed as the file has them; an id edited by hand touches no registry key.
TEST_F(BarManagerTest, OpenListsTheBackupFileAndHandEditedIdsNeverReachTheRegistry) {
  std::filesystem::create_directories(dir_.path() / "data");
  WriteBytes(backup_, "x\\..,name;\r\n,empty;\r\n{C},ok;\r\n");
  BarManager& m = Open();
  EXPECT_THAT(sink_.events,
              ElementsAre("delete off", "append x\\.. name", "append  empty", "append {C} ok"));
  EXPECT_EQ(m.kind(), BarKind::kVertical);
  for (int i = 0; i < 2; ++i) {
    m.SelectionChanged(0, 1);
    m.DeleteSelected();
  }
  EXPECT_THAT(store_.calls, IsEmpty());
  EXPECT_EQ(ReadBytes(backup_), "{C},ok;\r\n");
}

TEST_F(BarManagerTest, OpenWithoutDataFolderSaysSoAndStillCreatesBars) {
  BarManager& m = Open(std::nullopt);
  EXPECT_THAT(sink_.Messages(), ElementsAre("message " + Text(str::kNoDataFolder)));
  m.CreateBar("bar", "http://h/");
  EXPECT_EQ(m.rows().size(), 1u);
  EXPECT_TRUE(BarRegistered(kId1));
}

// Without both texts, or without a new identifier, nothing is made; the next try works.
TEST_F(BarManagerTest, NothingIsMadeWithoutBothTextsOrAnId) {
  struct Row {
    const char* name;
    const char* location;
    bool no_guid;
    int message;
  };
  for (const Row& row :
       {Row{"", "http://h/", false, str::kNeedNameAndUrl},
        Row{"bar", "", false, str::kNeedNameAndUrl}, Row{"", "", false, str::kNeedNameAndUrl},
        Row{"bar", "http://h/", true, str::kNoNewBarId}}) {
    SCOPED_TRACE(std::string(row.name) + "|" + row.location);
    if (row.no_guid) guids_.queued = {std::nullopt};
    sink_.events.clear();
    BarManager& m = Open();
    m.CreateBar(row.name, row.location);
    EXPECT_THAT(sink_.events, ElementsAre("delete off", "message " + Text(row.message)));
    EXPECT_THAT(store_.calls, IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(backup_));
  }
  EXPECT_EQ(guids_.calls, 1);
  Open().CreateBar("bar", "http://h/");
  EXPECT_TRUE(BarRegistered(kId1));
}

// The kind chosen last is the one written.
TEST_F(BarManagerTest, CreateAppendsRecordsThenRegisters) {
  BarManager& m = Open();
  m.ChooseKind(BarKind::kHorizontal);
  m.ChooseKind(BarKind::kVertical);
  m.ChooseKind(BarKind::kHorizontal);
  m.CreateBar("bar", " ");  // a space is text
  m.CreateBar("bar", "http://h/");
  EXPECT_THAT(m.rows(), ElementsAre(BarRow{kId1, "bar"}, BarRow{kId2, "bar"}));
  EXPECT_EQ(ReadBytes(backup_), kId1 + ",bar;\r\n" + kId2 + ",bar;\r\n");
  EXPECT_TRUE(BarRegistered(kId1));
  EXPECT_TRUE(BarRegistered(kId2));
  EXPECT_TRUE(store_.HasKey(RegRoot::kClassesRoot, "CLSID\\" + kId1 +
                                                       "\\Implemented Categories\\"
                                                       "{00021494-0000-0000-C000-000000000046}"));
  EXPECT_EQ(store_.OpenHandles(), 0u);
  EXPECT_THAT(sink_.Messages(), IsEmpty());
}

TEST_F(BarManagerTest, NameWithLineBreaksKeepsOneLinePerRow) {
  BarManager& m = Open();
  m.CreateBar("two\r\nlines", "http://h/");
  m.CreateBar("bar", "http://h/");
  EXPECT_EQ(ReadBytes(backup_), kId1 + ",twolines;\r\n" + kId2 + ",bar;\r\n");
  const auto name = store_.Value(RegRoot::kClassesRoot, "CLSID\\" + kId1, "");
  ASSERT_TRUE(name);
  EXPECT_EQ(std::string(name->second.begin(), name->second.end()), std::string("twolines", 9));
}

TEST_F(BarManagerTest, DeleteTakesTheFirstSelectedRowOnly) {
  BarManager& m = Open();
  m.SelectionChanged(0, 1);  // no rows: stays off
  EXPECT_FALSE(m.delete_enabled());
  for (const char* name : {"one", "two", "three"}) m.CreateBar(name, "http://h/");
  sink_.events.clear();
  m.SelectionChanged(1, 2);  // rows 2 and 3 of the list
  m.DeleteSelected();
  EXPECT_THAT(sink_.events, ElementsAre("delete on", "remove 1", "delete off"));
  EXPECT_FALSE(BarRegistered(kId2));
  EXPECT_TRUE(BarRegistered(kId1));
  EXPECT_TRUE(BarRegistered(kId3));
  EXPECT_EQ(ReadBytes(backup_), kId1 + ",one;\r\n" + kId3 + ",three;\r\n");
  // Row 3 (now 2) may still be selected in the list; nothing more goes without a new choice.
  m.DeleteSelected();
  m.SelectionChanged(0, 1);
  m.SelectionChanged(-1, 0);
  EXPECT_FALSE(m.delete_enabled());
  m.DeleteSelected();
  EXPECT_EQ(m.rows().size(), 2u);
}

// The backup file may already be gone (removed by hand); deleting is fine all the same.
TEST_F(BarManagerTest, DeletingTheLastRowRemovesTheFile) {
  for (const auto& [removed_by_hand, id] : {std::pair{false, kId1}, std::pair{true, kId2}}) {
    BarManager& m = Open();
    m.CreateBar("bar", "http://h/");
    if (removed_by_hand) std::filesystem::remove(backup_);
    m.SelectionChanged(0, 1);
    EXPECT_NO_THROW(m.DeleteSelected());
    EXPECT_THAT(m.rows(), IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(backup_));
    EXPECT_FALSE(BarRegistered(id));
  }
}

TEST_F(BarManagerTest, FilterTakesSemicolonsThenCommasThenLineBreaks) {
  struct Case {
    const char* text;
    const char* result;
    std::size_t messages;
  };
  for (const Case& c :
       {Case{"plain text", "plain text", 0}, Case{"a;b", "ab", 1}, Case{";;;", "", 1},
        Case{"a,b;c,d;", "abcd", 2}, Case{"a\r\nb", "ab", 1}, Case{"a;,\nb", "ab", 3}}) {
    SCOPED_TRACE(c.text);
    BarManager& m = Open();
    sink_.events.clear();
    // As the window does: every write-back is a change that is filtered again.
    std::string text = c.text;
    while (std::optional<std::string> next = m.FilterSeparators(text)) text = *next;
    EXPECT_EQ(text, c.result);
    EXPECT_EQ(sink_.Messages(),
              std::vector<std::string>(c.messages, "message " + Text(str::kCharacterNotAllowed)));
  }
}

TEST_F(BarManagerTest, UnwritableBackupShowsTheErrorButKeepsTheBar) {
  WriteBytes(dir_.File("file"), "x");
  BarManager& m = Open(dir_.File("file") + "/bkupRegKeyf");  // a path through a regular file
  m.CreateBar("bar", "http://h/");
  ASSERT_EQ(sink_.Messages().size(), 1u);
  EXPECT_TRUE(sink_.Messages()[0].starts_with("error ")) << sink_.Messages()[0];
  EXPECT_EQ(m.rows().size(), 1u);
  EXPECT_TRUE(BarRegistered(kId1));

  // Deleting cannot write the file either: the failure escapes to the window's handler.
  m.CreateBar("bar2", "http://h/");
  m.SelectionChanged(0, 1);
  EXPECT_THROW(m.DeleteSelected(), FileError);
  EXPECT_FALSE(BarRegistered(kId1));
  EXPECT_EQ(m.rows().size(), 1u);
}

// Every step fails, yet the user hears of it once per bar.
TEST_F(BarManagerTest, RegistryFailuresAreReportedOnce) {
  BarManager& m = Open();
  store_.fail_with = RegStatus::kAccessDenied;
  m.CreateBar("bar", "http://h/");
  m.SelectionChanged(0, 1);
  m.DeleteSelected();
  const std::string admin = Text(str::kRegistryNeedsAdmin);
  EXPECT_THAT(sink_.Messages(),
              ElementsAre("message " + FormatString1(Text(str::kRegistryWriteFailed), admin),
                          "message " + FormatString1(Text(str::kRegistryRemoveFailed), admin)));
}

}  // namespace
}  // namespace quillbay
