#include "ui/quillbay_dlg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "resources/string_table.h"
#include "tests/support/registration_fakes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_dialog_platform.h"
#include "ui/quillbay_app.h"

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
const std::string kVerticalCategory = "{00021493-0000-0000-C000-000000000046}";
const std::string kHorizontalCategory = "{00021494-0000-0000-C000-000000000046}";

using Rows = std::vector<std::vector<std::string>>;

class QuillbayDlgTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string backup_ = dir_.File("bkupRegKeyf");
  MemoryRegistryStore store_;
  ScriptedGuidSource guids_;
  TestDialogPlatform platform_;

  // Runs the main window with `script` as the user.
  DialogResult Run(TestDialogPlatform::Script script) {
    platform_.OnRun(dlg::kMain, std::move(script));
    CQuillbayDlg dlg(platform_, store_, guids_, backup_);
    return dlg.DoModal();
  }

  static void CreateBar(TestWindow& w, std::string_view name, std::string_view location) {
    w.Clear(idc::kBarName);
    w.Paste(idc::kBarName, name);
    w.Clear(idc::kLocation);
    w.Paste(idc::kLocation, location);
    w.Click(idc::kCreate);
  }

  bool Registered(const std::string& id) const {
    return store_.HasKey(RegRoot::kClassesRoot, "CLSID\\" + id);
  }
  bool HasCategory(const std::string& id, const std::string& category) const {
    return store_.HasKey(RegRoot::kClassesRoot,
                         "CLSID\\" + id + "\\Implemented Categories\\" + category);
  }
};

TEST_F(QuillbayDlgTest, FirstStart) {
  platform_.OnRun(dlg::kMain, [](TestWindow& w) {
    EXPECT_EQ(w.caption(), "Tollmere");
    EXPECT_EQ(w.icon(), res::kProgramIcon);
    EXPECT_TRUE(w.IsChecked(idc::kVertical));
    EXPECT_FALSE(w.IsChecked(idc::kHorizontal));
    EXPECT_FALSE(w.IsEnabled(idc::kDelete));
    EXPECT_EQ(w.RowCount(idc::kBarList), 0);
    EXPECT_THAT(w.ColumnHeadings(idc::kBarList), ElementsAre("GUID", "Bar name"));
    EXPECT_THAT(w.ColumnWidths(idc::kBarList), ElementsAre(240, 100));
    const auto& menu = w.system_menu();
    ASSERT_GE(menu.size(), 2u);
    EXPECT_TRUE(menu[menu.size() - 2].separator);
    EXPECT_EQ(menu.back(), (SystemMenuItem{kAboutCommand, "&About Quillbay...", false}));
    EXPECT_EQ(w.focus(), idc::kBarName);
    EXPECT_EQ(w.GetText(idc::kBarName), "");
    EXPECT_EQ(w.GetText(idc::kLocation), "");
    w.PressF1();
    w.Click(idc::kCancel);
  });
  CQuillbayApp app(platform_, store_, guids_, backup_);
  EXPECT_EQ(app.Run(), 0);
  EXPECT_THAT(platform_.runs(), ElementsAre(dlg::kMain));
  ASSERT_EQ(platform_.messages().size(), 1u);
  EXPECT_EQ(platform_.messages()[0].icon, MessageIcon::kHelp);
  EXPECT_FALSE(std::filesystem::exists(backup_));
}

TEST_F(QuillbayDlgTest, OpensWithTheRecordedBars) {
  WriteBytes(backup_, "{B},second;\r\n{A},first;\r\n");
  Run([](TestWindow& w) {
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{"{B}", "second"}, {"{A}", "first"}}));
    EXPECT_FALSE(w.IsEnabled(idc::kDelete));
    w.PressEscape();
  });
}

TEST_F(QuillbayDlgTest, CreateListsRecordsAndRegisters) {
  Run([&](TestWindow& w) {
    CreateBar(w, "bar", "http://h/");
    CreateBar(w, "bar", "c:\\page.htm");
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{kId1, "bar"}, {kId2, "bar"}}));
    EXPECT_EQ(w.GetText(idc::kBarName), "bar");  // the boxes keep their texts
    EXPECT_FALSE(w.IsEnabled(idc::kDelete));
    w.PressEscape();
  });
  EXPECT_EQ(ReadBytes(backup_), kId1 + ",bar;\r\n" + kId2 + ",bar;\r\n");
  EXPECT_TRUE(Registered(kId1));
  EXPECT_TRUE(Registered(kId2));
  EXPECT_THAT(platform_.messages(), IsEmpty());
}

TEST_F(QuillbayDlgTest, CreateWithoutBothTextsOnlyTellsTheUser) {
  Run([&](TestWindow& w) {
    w.Type(idc::kBarName, "bar");
    w.Click(idc::kCreate);
    EXPECT_EQ(w.RowCount(idc::kBarList), 0);
    w.PressEscape();
  });
  EXPECT_THAT(
      platform_.messages(),
      ElementsAre(ShownMessage{MessageIcon::kExclamation,
                               std::string(StringResource(str::kNeedNameAndUrl)), dlg::kMain}));
  EXPECT_THAT(store_.calls, IsEmpty());
}

TEST_F(QuillbayDlgTest, SelectionDrivesDelete) {
  Run([&](TestWindow& w) {
    for (const char* name : {"one", "two", "three"}) CreateBar(w, name, "http://h/");
    w.SelectRow(idc::kBarList, 0);
    EXPECT_TRUE(w.IsEnabled(idc::kDelete));
    w.ClearSelection(idc::kBarList);
    EXPECT_FALSE(w.IsEnabled(idc::kDelete));

    w.SelectRows(idc::kBarList, {1, 2});
    ASSERT_TRUE(w.Click(idc::kDelete));
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{kId1, "one"}, {kId3, "three"}}));
    // The row that was third is still selected, yet Delete waits for a new choice.
    EXPECT_THAT(w.SelectedRows(idc::kBarList), ElementsAre(1));
    EXPECT_FALSE(w.IsEnabled(idc::kDelete));
    EXPECT_FALSE(w.Click(idc::kDelete));

    w.SelectRow(idc::kBarList, 0);
    w.Click(idc::kDelete);
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{kId3, "three"}}));
    w.PressEscape();
  });
  EXPECT_FALSE(Registered(kId1));
  EXPECT_FALSE(Registered(kId2));
  EXPECT_TRUE(Registered(kId3));
  EXPECT_EQ(ReadBytes(backup_), kId3 + ",three;\r\n");
}

TEST_F(QuillbayDlgTest, WindowCloses) {
  struct Case {
    const char* how;
    std::function<void(TestWindow&)> close;
    DialogResult result;
  };
  const Case cases[] = {
      {"Enter in the name box",
       [](TestWindow& w) {
         w.Type(idc::kBarName, "bar");
         w.PressEnter();
       },
       DialogResult::kOk},
      {"Enter in the location box",
       [](TestWindow& w) {
         w.Focus(idc::kLocation);
         w.PressEnter();
       },
       DialogResult::kOk},
      {"Escape", [](TestWindow& w) { w.PressEscape(); }, DialogResult::kCancel},
      {"OK/Cancel button", [](TestWindow& w) { w.Click(idc::kCancel); }, DialogResult::kCancel},
      {"close box", [](TestWindow& w) { w.CloseBox(); }, DialogResult::kCancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    EXPECT_EQ(Run(c.close), c.result);
  }
  EXPECT_THAT(store_.calls, IsEmpty());  // nothing was created on the way out
}

TEST_F(QuillbayDlgTest, KindButtonsStayExclusiveAndTheLastChoiceIsWritten) {
  struct Case {
    std::vector<int> clicks;
    bool vertical;
  };
  const Case cases[] = {
      {{}, true},
      {{idc::kHorizontal}, false},
      {{idc::kHorizontal, idc::kVertical}, true},
      {{idc::kVertical, idc::kHorizontal}, false},
      {{idc::kHorizontal, idc::kHorizontal}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.clicks));
    store_ = MemoryRegistryStore();
    guids_ = ScriptedGuidSource();
    Run([&](TestWindow& w) {
      for (int id : c.clicks) w.Click(id);
      EXPECT_EQ(w.IsChecked(idc::kVertical), c.vertical);
      EXPECT_EQ(w.IsChecked(idc::kHorizontal), !c.vertical);
      CreateBar(w, "bar", "http://h/");
      w.PressEscape();
    });
    EXPECT_EQ(HasCategory(kId1, kVerticalCategory), c.vertical);
    EXPECT_EQ(HasCategory(kId1, kHorizontalCategory), !c.vertical);
  }
}

TEST_F(QuillbayDlgTest, SeparatorsAreTakenOutOfBothBoxes) {
  struct Case {
    int box;
    bool paste;
    std::string text;
    std::string result;
    std::size_t messages;
  };
  const Case cases[] = {
      {idc::kBarName, false, "a;b", "ab", 1},    {idc::kBarName, true, "a;b,c", "abc", 2},
      {idc::kBarName, false, "a,b;c", "abc", 2}, {idc::kLocation, false, "x;y", "xy", 1},
      {idc::kLocation, true, "x,y;z", "xyz", 2}, {idc::kBarName, true, "plain", "plain", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    platform_.ClearMessages();
    Run([&](TestWindow& w) {
      if (c.paste) {
        w.Paste(c.box, c.text);
      } else {
        w.Type(c.box, c.text);
      }
      EXPECT_EQ(w.GetText(c.box), c.result);
      w.PressEscape();
    });
    EXPECT_EQ(platform_.MessageTexts(MessageIcon::kExclamation),
              std::vector<std::string>(c.messages,
                                       std::string(StringResource(str::kCharacterNotAllowed))));
  }
}

TEST_F(QuillbayDlgTest, SemicolonTypedBetweenTwoLettersJoinsThem) {
  Run([](TestWindow& w) {
    w.Type(idc::kBarName, "ab");
    w.Type(idc::kBarName, ";", 1);
    EXPECT_EQ(w.GetText(idc::kBarName), "ab");
    w.PressEscape();
  });
  EXPECT_EQ(platform_.messages().size(), 1u);
}

TEST_F(QuillbayDlgTest, AboutOpensFromTheSystemMenuAndReturns) {
  int about_runs = 0;
  platform_.OnRun(dlg::kAbout, [&](TestWindow& w) {
    ++about_runs;
    EXPECT_EQ(w.caption(), "About Quillbay");
    w.PressEnter();  // OK, the default button, has the focus
  });
  Run([](TestWindow& w) {
    const std::vector<SystemMenuItem> menu = w.system_menu();
    EXPECT_TRUE(w.ChooseSystemCommand(kAboutCommand));
    EXPECT_TRUE(w.ChooseSystemCommand(kAboutCommand | 0x3));  // low bits are the system's
    EXPECT_FALSE(w.ended());
    EXPECT_EQ(w.caption(), "Tollmere");
    EXPECT_EQ(w.system_menu(), menu);
    EXPECT_FALSE(w.ChooseSystemCommand(kSysCommandMove));  // default handling
    EXPECT_FALSE(w.ended());
    w.CloseBox();
  });
  EXPECT_EQ(about_runs, 2);
  EXPECT_THAT(platform_.runs(), ElementsAre(dlg::kMain, dlg::kAbout, dlg::kAbout));
  EXPECT_EQ(platform_.LastWindow(dlg::kAbout)->result(), DialogResult::kOk);
}

TEST_F(QuillbayDlgTest, FileErrorsShowTheStopBoxAndTheWindowStaysOpen) {
  WriteBytes(dir_.File("file"), "x");
  backup_ = dir_.File("file") + "/bkupRegKeyf";  // a path through a regular file
  const DialogResult result = Run([&](TestWindow& w) {
    CreateBar(w, "one", "http://h/");
    CreateBar(w, "two", "http://h/");
    EXPECT_EQ(platform_.MessageTexts(MessageIcon::kStop).size(), 2u);
    EXPECT_EQ(w.RowCount(idc::kBarList), 2);

    // Rewriting the file after a deletion fails inside the handler itself.
    w.SelectRow(idc::kBarList, 0);
    w.Click(idc::kDelete);
    EXPECT_EQ(platform_.MessageTexts(MessageIcon::kStop).size(), 3u);
    EXPECT_FALSE(w.ended());
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{kId2, "two"}}));
    EXPECT_FALSE(w.IsEnabled(idc::kDelete));

    w.SelectRow(idc::kBarList, 0);
    EXPECT_TRUE(w.IsEnabled(idc::kDelete));
    w.PressEscape();
  });
  EXPECT_EQ(result, DialogResult::kCancel);
  for (const ShownMessage& m : platform_.messages()) {
    EXPECT_EQ(m.icon, MessageIcon::kStop);
    EXPECT_EQ(m.owner_template, dlg::kMain);
    EXPECT_THAT(m.text, ::testing::Not(IsEmpty()));
  }
  EXPECT_FALSE(Registered(kId1));
  EXPECT_TRUE(Registered(kId2));
}

}  // namespace
}  // namespace quillbay
