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

constexpr std::string_view kId1 = "{00000001-0000-0000-0000-000000000000}";
constexpr std::string_view kId2 = "{00000002-0000-0000-0000-000000000000}";
constexpr std::string_view kId3 = "{00000003-0000-0000-0000-000000000000}";

std::string Text(int id) {
  return std::string(StringResource(id));
}

// Every call from the manager, as a line.
class RecordingSink : public BarManagerSink {
 public:
  std::vector<std::string> events;

  void ShowMessage(std::string_view text) override { events.push_back("message " + S(text)); }
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

 private:
  static std::string S(std::string_view s) { return std::string(s); }
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

TEST_F(BarManagerTest, OpenListsTheBackupFileInOrder) {
  std::filesystem::create_directories(dir_.path() / "data");
  WriteBytes(backup_, "{B},second;\r\n{A},first;\r\n");
  BarManager& m = Open();
  EXPECT_THAT(m.rows(), ElementsAre(BarRow{"{B}", "second"}, BarRow{"{A}", "first"}));
  EXPECT_THAT(sink_.events, ElementsAre("delete off", "append {B} second", "append {A} first"));
  EXPECT_EQ(m.kind(), BarKind::kVertical);
  EXPECT_FALSE(m.delete_enabled());
}

TEST_F(BarManagerTest, OpenWithoutDataFolderSaysSoAndStillCreatesBars) {
  BarManager& m = Open(std::nullopt);
  EXPECT_THAT(sink_.Messages(), ElementsAre("message " + Text(str::kNoDataFolder)));
  m.CreateBar("bar", "http://h/");
  EXPECT_EQ(m.rows().size(), 1u);
  EXPECT_TRUE(BarRegistered(kId1));
}

TEST_F(BarManagerTest, CreateNeedsBothTexts) {
  for (const auto& [name, location] :
       {std::pair{"", "http://h/"}, std::pair{"bar", ""}, std::pair{"", ""}}) {
    SCOPED_TRACE(std::string(name) + "|" + location);
    sink_.events.clear();
    BarManager& m = Open();
    m.CreateBar(name, location);
    EXPECT_THAT(sink_.events, ElementsAre("delete off", "message " + Text(str::kNeedNameAndUrl)));
    EXPECT_THAT(m.rows(), IsEmpty());
    EXPECT_EQ(guids_.calls, 0);
    EXPECT_THAT(store_.calls, IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(backup_));
  }
}

TEST_F(BarManagerTest, CreateAppendsRecordsThenRegisters) {
  BarManager& m = Open();
  m.CreateBar("bar", " ");  // a space is text
  m.CreateBar("bar", "http://h/");
  EXPECT_THAT(m.rows(),
              ElementsAre(BarRow{std::string(kId1), "bar"}, BarRow{std::string(kId2), "bar"}));
  EXPECT_EQ(ReadBytes(backup_), std::string(kId1) + ",bar;\r\n" + std::string(kId2) + ",bar;\r\n");
  EXPECT_TRUE(BarRegistered(kId1));
  EXPECT_TRUE(BarRegistered(kId2));
  EXPECT_EQ(store_.OpenHandles(), 0u);
  EXPECT_THAT(sink_.Messages(), IsEmpty());
  EXPECT_FALSE(m.delete_enabled());
}

TEST_F(BarManagerTest, TheKindChosenLastIsTheOneWritten) {
  const std::string categories = "CLSID\\" + std::string(kId1) + "\\Implemented Categories\\";
  BarManager& m = Open();
  m.ChooseKind(BarKind::kHorizontal);
  m.ChooseKind(BarKind::kVertical);
  m.ChooseKind(BarKind::kHorizontal);
  m.CreateBar("bar", "http://h/");
  EXPECT_TRUE(
      store_.HasKey(RegRoot::kClassesRoot, categories + "{00021494-0000-0000-C000-000000000046}"));
  EXPECT_FALSE(
      store_.HasKey(RegRoot::kClassesRoot, categories + "{00021493-0000-0000-C000-000000000046}"));
}

TEST_F(BarManagerTest, NoGuidMeansNoBar) {
  guids_.queued = {std::nullopt};
  BarManager& m = Open();
  m.CreateBar("bar", "http://h/");
  EXPECT_THAT(sink_.Messages(), ElementsAre("message " + Text(str::kNoNewBarId)));
  EXPECT_THAT(m.rows(), IsEmpty());
  EXPECT_THAT(store_.calls, IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(backup_));
  m.CreateBar("bar", "http://h/");  // the next attempt works
  EXPECT_EQ(m.rows().size(), 1u);
}

TEST_F(BarManagerTest, NameWithLineBreaksKeepsOneLinePerRow) {
  BarManager& m = Open();
  m.CreateBar("two\r\nlines", "http://h/");
  m.CreateBar("bar", "http://h/");
  EXPECT_EQ(m.rows()[0].name, "twolines");
  manager_.reset();
  EXPECT_THAT(Open().rows(),
              ElementsAre(BarRow{std::string(kId1), "twolines"}, BarRow{std::string(kId2), "bar"}));
  const auto name = store_.Value(RegRoot::kClassesRoot, "CLSID\\" + std::string(kId1), "");
  ASSERT_TRUE(name);
  EXPECT_EQ(std::string(name->second.begin(), name->second.end()), std::string("twolines", 9));
}

TEST_F(BarManagerTest, DeleteTakesTheFirstSelectedRowOnly) {
  BarManager& m = Open();
  for (const char* name : {"one", "two", "three"}) m.CreateBar(name, "http://h/");
  sink_.events.clear();
  m.SelectionChanged(1, 2);  // rows 2 and 3 of the list
  EXPECT_TRUE(m.delete_enabled());
  m.DeleteSelected();
  EXPECT_THAT(sink_.events, ElementsAre("delete on", "remove 1", "delete off"));
  EXPECT_THAT(m.rows(),
              ElementsAre(BarRow{std::string(kId1), "one"}, BarRow{std::string(kId3), "three"}));
  EXPECT_FALSE(BarRegistered(kId2));
  EXPECT_TRUE(BarRegistered(kId1));
  EXPECT_TRUE(BarRegistered(kId3));
  EXPECT_EQ(ReadBytes(backup_),
            std::string(kId1) + ",one;\r\n" + std::string(kId3) + ",three;\r\n");
  // Row 3 (now 2) may still be selected in the list; nothing more goes without a new choice.
  m.DeleteSelected();
  EXPECT_EQ(m.rows().size(), 2u);
}

TEST_F(BarManagerTest, DeletingTheLastRowRemovesTheFile) {
  BarManager& m = Open();
  m.CreateBar("bar", "http://h/");
  m.SelectionChanged(0, 1);
  m.DeleteSelected();
  EXPECT_THAT(m.rows(), IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(backup_));
  EXPECT_FALSE(BarRegistered(kId1));
}

TEST_F(BarManagerTest, HandEditedIdsNeverReachTheRegistry) {
  std::filesystem::create_directories(dir_.path() / "data");
  WriteBytes(backup_, "x\\..,name;\r\n,empty;\r\n{C},ok;\r\n");
  BarManager& m = Open();
  ASSERT_EQ(m.rows().size(), 3u);
  EXPECT_EQ(m.rows()[0].id, "x\\..");
  for (int i = 0; i < 2; ++i) {
    m.SelectionChanged(0, 1);
    m.DeleteSelected();
  }
  EXPECT_THAT(store_.calls, IsEmpty());
  EXPECT_EQ(ReadBytes(backup_), "{C},ok;\r\n");
}

TEST_F(BarManagerTest, SelectionFollowsCountOnlyWhileRowsExist) {
  BarManager& m = Open();
  m.SelectionChanged(0, 1);  // no rows: stays off
  EXPECT_FALSE(m.delete_enabled());
  m.DeleteSelected();
  EXPECT_THAT(store_.calls, IsEmpty());

  m.CreateBar("bar", "http://h/");
  m.SelectionChanged(0, 1);
  EXPECT_TRUE(m.delete_enabled());
  m.SelectionChanged(-1, 0);
  EXPECT_FALSE(m.delete_enabled());
  m.DeleteSelected();  // nothing selected
  EXPECT_EQ(m.rows().size(), 1u);
}

TEST_F(BarManagerTest, FilterTakesSemicolonsThenCommasThenLineBreaks) {
  struct Case {
    const char* text;
    const char* result;
    int messages;
  };
  for (const Case& c :
       {Case{"plain text", "plain text", 0}, Case{"a;b", "ab", 1}, Case{";;;", "", 1},
        Case{"a,b;c,d;", "abcd", 2}, Case{"a\r\nb", "ab", 1}, Case{"a;,\nb", "ab", 3}}) {
    SCOPED_TRACE(c.text);
    sink_.events.clear();
    BarManager& m = Open();
    sink_.events.clear();
    // As the window does: every write-back is a change that is filtered again.
    std::string text = c.text;
    while (std::optional<std::string> next = m.FilterSeparators(text)) text = *next;
    EXPECT_EQ(text, c.result);
    EXPECT_EQ(sink_.Messages().size(), static_cast<std::size_t>(c.messages));
    for (const std::string& message : sink_.Messages()) {
      EXPECT_EQ(message, "message " + Text(str::kCharacterNotAllowed));
    }
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
  EXPECT_FALSE(m.delete_enabled());
}

TEST_F(BarManagerTest, RegistryFailuresAreReported) {
  BarManager& m = Open();
  store_.fail_with = RegStatus::kAccessDenied;
  m.CreateBar("bar", "http://h/");
  EXPECT_THAT(sink_.Messages(),
              ElementsAre("message " + FormatString1(Text(str::kRegistryWriteFailed),
                                                     Text(str::kRegistryNeedsAdmin))));
  EXPECT_EQ(m.rows().size(), 1u);  // still listed, so it can be deleted
  EXPECT_FALSE(ReadBytes(backup_).empty());
}

}  // namespace
}  // namespace quillbay
