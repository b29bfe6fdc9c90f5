// The main window's own logic on the in-memory platform. What the bar manager decides
// (records, registry keys, filtering) is its own tests' business; these check that the window
// wires the controls to it and mirrors what it reports.
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
using Rows = std::vector<std::vector<std::string>>;

const std::string kId1 = "{00000001-0000-0000-0000-000000000000}";
const std::string kId2 = "{00000002-0000-0000-0000-000000000000}";
const std::string kId3 = "{00000003-0000-0000-0000-000000000000}";
const std::string kVerticalKey = "\\Implemented Categories\\{00021493-0000-0000-C000-000000000046}";
const std::string kHorizontalKey =
    "\\Implemented Categories\\{00021494-0000-0000-C000-000000000046}";

std::string S(int id) {
  return std::string(StringResource(id));
}

class QuillbayDlgTest : public ::testing::Test {
 protected:
  DialogResult Run(TestDialogPlatform::Script script) {
    platform_.OnRun(dlg::kMain, std::move(script));
    CQuillbayDlg dlg(platform_, store_, guids_, backup_);
    return dlg.DoModal();
  }

  static void CreateBar(TestWindow& w, std::string_view name) {
    w.Clear(idc::kBarName);
    w.Paste(idc::kBarName, name);
    w.Clear(idc::kLocation);
    w.Paste(idc::kLocation, "http://h/");
    w.Click(idc::kCreate);
  }

  bool Registered(const std::string& id, const std::string& below = "") const {
    return store_.HasKey(RegRoot::kClassesRoot, "CLSID\\" + id + below);
  }

  TempDir dir_;
  std::string backup_ = dir_.File("bkupRegKeyf");
  MemoryRegistryStore store_;
  ScriptedGuidSource guids_;
  TestDialogPlatform platform_;
};

TEST_F(QuillbayDlgTest, FirstStart) {
  platform_.OnRun(dlg::kMain, [](TestWindow& w) {
    EXPECT_EQ(w.caption(), "Tollmere");
    EXPECT_TRUE(w.IsChecked(idc::kVertical));
    EXPECT_FALSE(w.IsChecked(idc::kHorizontal));
    EXPECT_FALSE(w.IsEnabled(idc::kDelete));
    EXPECT_EQ(w.RowCount(idc::kBarList), 0);
    EXPECT_THAT(w.ColumnHeadings(idc::kBarList), ElementsAre("GUID", "Bar name"));
    EXPECT_EQ(w.system_menu().back(), (SystemMenuItem{kAboutCommand, "&About Quillbay...", false}));
    EXPECT_EQ(w.focus(), idc::kBarName);
    w.Click(idc::kCancel);
  });
  CQuillbayApp app(platform_, store_, guids_, backup_);
  EXPECT_EQ(app.Run(), 0);
  EXPECT_THAT(platform_.messages(), IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(backup_));
}

TEST_F(QuillbayDlgTest, OpensWithTheRecordedBars) {
  WriteBytes(backup_, "{B},second;\r\n{A},first;\r\n");
  Run([](TestWindow& w) {
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{"{B}", "second"}, {"{A}", "first"}}));
    w.PressEscape();
  });
}

// Delete takes only the topmost selected row, and waits for a new choice afterwards even
// though a row is still selected.
TEST_F(QuillbayDlgTest, SelectionDrivesDelete) {
  Run([&](TestWindow& w) {
    for (const char* name : {"one", "two", "three"}) CreateBar(w, name);
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{kId1, "one"}, {kId2, "two"}, {kId3, "three"}}));
    EXPECT_FALSE(w.IsEnabled(idc::kDelete));
    w.SelectRow(idc::kBarList, 0);
    EXPECT_TRUE(w.IsEnabled(idc::kDelete));
    w.ClearSelection(idc::kBarList);
    EXPECT_FALSE(w.IsEnabled(idc::kDelete));

    w.SelectRows(idc::kBarList, {1, 2});
    ASSERT_TRUE(w.Click(idc::kDelete));
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{kId1, "one"}, {kId3, "three"}}));
    EXPECT_THAT(w.SelectedRows(idc::kBarList), ElementsAre(1));
    EXPECT_FALSE(w.Click(idc::kDelete));
    w.PressEscape();
  });
  EXPECT_FALSE(Registered(kId2));
  EXPECT_TRUE(Registered(kId3));
  EXPECT_EQ(ReadBytes(backup_), kId1 + ",one;\r\n" + kId3 + ",three;\r\n");
}

TEST_F(QuillbayDlgTest, EnterInTheNameBoxClosesWithoutCreatingABar) {
  EXPECT_EQ(Run([](TestWindow& w) {
              w.Type(idc::kLocation, "http://h/");
              w.Type(idc::kBarName, "bar");
              w.PressEnter();
            }),
            DialogResult::kOk);
  EXPECT_THAT(store_.calls, IsEmpty());
}

// Each radio button is a group of its own, so the window must uncheck the other one.
TEST_F(QuillbayDlgTest, KindButtonsStayExclusiveAndTheLastChoiceIsWritten) {
  const std::pair<std::vector<int>, bool> cases[] = {
      {{}, true},
      {{idc::kHorizontal}, false},
      {{idc::kHorizontal, idc::kVertical}, true},
      {{idc::kVertical, idc::kHorizontal}, false},
  };
  for (const auto& [clicks, vertical] : cases) {
    SCOPED_TRACE(::testing::PrintToString(clicks));
    store_ = MemoryRegistryStore();
    guids_ = ScriptedGuidSource();
    Run([&](TestWindow& w) {
      for (int id : clicks) w.Click(id);
      EXPECT_EQ(w.IsChecked(idc::kVertical), vertical);
      EXPECT_EQ(w.IsChecked(idc::kHorizontal), !vertical);
      CreateBar(w, "bar");
      w.PressEscape();
    });
    EXPECT_EQ(Registered(kId1, kVerticalKey), vertical);
    EXPECT_EQ(Registered(kId1, kHorizontalKey), !vertical);
  }
}

// The filtered text is written back, which notifies the box again: a second separator kind
// is taken out in that second round, with a box of its own.
TEST_F(QuillbayDlgTest, SeparatorsAreTakenOutOfBothBoxes) {
  struct Case {
    int box;
    bool paste;
    std::string text, result;
    std::size_t messages;
  };
  const Case cases[] = {
      {idc::kBarName, false, "a;b", "ab", 1},
      {idc::kBarName, true, "a;b,c", "abc", 2},
      {idc::kLocation, true, "x,y;z", "xyz", 2},
      {idc::kLocation, true, "plain", "plain", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    platform_.ClearMessages();
    Run([&](TestWindow& w) {
      c.paste ? w.Paste(c.box, c.text) : w.Type(c.box, c.text);
      EXPECT_EQ(w.GetText(c.box), c.result);
      w.PressEscape();
    });
    EXPECT_EQ(platform_.MessageTexts(MessageIcon::kExclamation),
              std::vector<std::string>(c.messages, S(str::kCharacterNotAllowed)));
  }
}

TEST_F(QuillbayDlgTest, AboutOpensFromTheSystemMenuAndReturns) {
  platform_.OnRun(dlg::kAbout, [](TestWindow& w) { w.PressEnter(); });
  Run([](TestWindow& w) {
    EXPECT_TRUE(w.ChooseSystemCommand(kAboutCommand));
    EXPECT_TRUE(w.ChooseSystemCommand(kAboutCommand | 0x3));  // low bits are the system's
    EXPECT_FALSE(w.ChooseSystemCommand(kSysCommandMove));     // default handling
    EXPECT_FALSE(w.ended());
    w.CloseBox();
  });
  EXPECT_THAT(platform_.runs(), ElementsAre(dlg::kMain, dlg::kAbout, dlg::kAbout));
}

// "Creat HTML" runs the link page window over the main window, which stays open.
TEST_F(QuillbayDlgTest, CreatHtmlRunsTheLinkPageWindow) {
  platform_.OnRun(dlg::kLinkPage, [](TestWindow& w) { w.PressEscape(); });
  Run([](TestWindow& w) {
    w.Click(idc::kCreateHtml);
    EXPECT_FALSE(w.ended());
    w.PressEscape();
  });
  EXPECT_THAT(platform_.runs(), ElementsAre(dlg::kMain, dlg::kLinkPage));
}

TEST_F(QuillbayDlgTest, FileErrorsShowTheStopBoxAndTheWindowStaysOpen) {
  WriteBytes(dir_.File("file"), "x");
  backup_ = dir_.File("file") + "/bkupRegKeyf";  // a path through a regular file
  const DialogResult result = Run([&](TestWindow& w) {
    CreateBar(w, "one");
    CreateBar(w, "two");
    EXPECT_EQ(platform_.MessageTexts(MessageIcon::kStop).size(), 2u);
    // Rewriting the file after a deletion fails inside the handler itself.
    w.SelectRow(idc::kBarList, 0);
    w.Click(idc::kDelete);
    EXPECT_EQ(platform_.MessageTexts(MessageIcon::kStop).size(), 3u);
    EXPECT_FALSE(w.ended());
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{kId2, "two"}}));
    w.PressEscape();
  });
  EXPECT_EQ(result, DialogResult::kCancel);
  EXPECT_EQ(platform_.messages().size(), 3u);  // no other kind of box
  EXPECT_FALSE(Registered(kId1));
  EXPECT_TRUE(Registered(kId2));
}

}  // namespace
}  // namespace quillbay
