// The windows' own part on the in-memory platform: which control drives which operation, what
// they enable and show, their boxes. The bar manager's decisions are its own tests' business.
#include <gtest/gtest.h>

#include "linkpage/link_page.h"
#include "resources/string_table.h"
#include "tests/support/registration_fakes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_dialog_platform.h"
#include "ui/link_page_dlg.h"
#include "ui/quillbay_app.h"

namespace quillbay {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using Texts = std::vector<std::string>;
const std::string kId1 = "{00000001-0000-0000-0000-000000000000}";

const auto Box = [](int id) { return "! " + std::string(StringResource(id)); };

void Fill(TestWindow& w, int button, int first, int second, const Rows& rows) {
  for (const std::vector<std::string>& row : rows) {
    w.SetText(first, row[0]);
    w.SetText(second, row[1]);
    w.Click(button);
  }
}

class WindowTest : public ::testing::Test {
 protected:
  Texts Run(TestDialogPlatform::Script script) {  // the main window; the boxes shown
    platform_.OnRun(dlg::kMain, std::move(script));
    CQuillbayApp(platform_, bars_).Run();
    return platform_.TakeMessages();
  }
  DialogResult RunLinkPage(TestDialogPlatform::Script script) {
    platform_.OnRun(dlg::kLinkPage, std::move(script));
    return link_page_.DoModal();
  }

  testing::TempDir dir_;
  std::string backup_ = dir_.File("bkupRegKeyf");
  const std::string page_ = dir_.File("page.htm");
  testing::MemoryRegistryStore store_;
  testing::ScriptedGuidSource guids_;
  Bars bars_{store_, guids_, backup_};
  TestDialogPlatform platform_;
  CLinkPageDlg link_page_{platform_};
};

// Choosing a kind by arrow key unchecks the other; About and Creat HTML open over the window.
// The filtered text is written back and notifies again: the second separator kind then goes.
TEST_F(WindowTest, MainOpeningControlsAndTheWindowsOverIt) {
  testing::WriteBytes(backup_, "{B},second;\r\n{A},first;\r\n");
  platform_.OnRun(dlg::kAbout, [](TestWindow& w) { w.Press(Key::kEnter); });
  platform_.OnRun(dlg::kLinkPage, [](TestWindow& w) { w.Press(Key::kEscape); });
  EXPECT_EQ(Run([](TestWindow& w) {
              EXPECT_EQ(w.caption(), "Tollmere");
              EXPECT_EQ(w.system_menu(), (std::vector<std::pair<int, std::string>>{
                                             {0, ""}, {kAboutCommand, "&About Quillbay..."}}));
              EXPECT_TRUE(w.ChooseSystemCommand(kAboutCommand | 0x3));  // low bits: the system's
              EXPECT_FALSE(w.ChooseSystemCommand(0xF060));  // Close: the default handling
              w.Click(idc::kCreateHtml);
              w.Click(idc::kVertical);
              w.Press(Key::kUp);  // the arrow key chooses Horizontal, as a click does
              w.SetText(idc::kBarName, "a;b,c");
              w.SetText(idc::kLocation, "x,y");
              EXPECT_EQ(w.GetText(idc::kBarName) + w.GetText(idc::kLocation), "abcxy");
              Fill(w, idc::kCreate, idc::kBarName, idc::kLocation,
                   {{"one", "h"}, {"two", "h"}, {"three", "h"}});
              w.Select(idc::kBarList, {0});
              EXPECT_TRUE(w.enabled(idc::kDelete));
              w.Select(idc::kBarList, {});
              EXPECT_FALSE(w.enabled(idc::kDelete));
              w.Select(idc::kBarList, {3, 4});
              w.Press(Key::kDelete);  // as the Delete button, and only while it is enabled
              w.Press(Key::kDelete);
              EXPECT_EQ(w.Rows(idc::kBarList),
                        (Rows{{"{B}", "second"},
                              {"{A}", "first"},
                              {kId1, "one"},
                              {"{00000003-0000-0000-0000-000000000000}", "three"}}));
              w.SetFocus(idc::kBarName);
              w.Press(Key::kEnter);  // the OK command ends the program like Cancel
            }),
            Texts(3, Box(str::kCharacterNotAllowed)));
  EXPECT_EQ(platform_.runs(), (std::vector<int>{dlg::kMain, dlg::kAbout, dlg::kLinkPage}));
  EXPECT_TRUE(store_.HasKey(
      RegRoot::kClassesRoot,
      "CLSID\\" + kId1 + "\\Implemented Categories\\{00021494-0000-0000-C000-000000000046}"));
}

// Every opening starts afresh. Add needs both texts; the first row enables the path box for
// good. OK without rows closes at once and writes nothing, even with a path typed. With rows,
// OK asks for the path, then the title; the title typed while checked is written after
// unchecking. A failed write keeps everything for another try. Enter in the name box is OK.
// Another process changes the list: the window follows, and Delete still removes the bar the
// user chose, which has moved up a row.
TEST_F(WindowTest, MainListFollowsTheFile) {
  const auto row = [](char c) {
    return "{0000000" + std::string(1, c) + "-0000-0000-0000-000000000000}," + c + ";\r\n";
  };
  testing::WriteBytes(backup_, row('A') + row('B') + row('C'));
  EXPECT_EQ(Run([&](TestWindow& w) {
              EXPECT_EQ(w.watched(), backup_);
              w.Select(idc::kBarList, {2});
              testing::WriteBytes(backup_, row('B') + row('C') + row('D'));
              w.FileChanged();
              EXPECT_EQ(w.FirstSelectedRow(idc::kBarList), 1);
              w.Click(idc::kDelete);
              EXPECT_EQ(w.RowCount(idc::kBarList), 2);
              EXPECT_EQ(w.GetCell(idc::kBarList, 1, 1), "D");
              EXPECT_FALSE(w.enabled(idc::kDelete));
              w.Press(Key::kEscape);
            }),
            Texts{});
}

TEST_F(WindowTest, LinkPageAddingDeletingAndOk) {
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(RunLinkPage([&](TestWindow& w) {
                EXPECT_EQ(w.GetText(idc::kUrl), "http://");
                EXPECT_EQ(w.GetText(idc::kDescription), StringResource(str::kLinkPageDescription));
                for (int id : {idc::kPath, idc::kTitle, idc::kDeleteLink})
                  EXPECT_FALSE(w.enabled(id));
                EXPECT_EQ(w.Focus(), idc::kLinkName);
                Fill(w, idc::kAddLink, idc::kLinkName, idc::kUrl,
                     {{"", "http://x"}, {"name", ""}, {" ", "http://"}, {"b", "u"}, {"c", "u"}});
                w.Select(idc::kLinkList, {1, 2});
                w.Press(Key::kDelete);
                EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{" ", "http://"}, {"c", "u"}}));
                w.Click(idc::kDeleteLink);  // nothing chosen: it disables itself
                EXPECT_FALSE(w.enabled(idc::kDeleteLink));
                w.Select(idc::kLinkList, {0});
                w.Click(idc::kDeleteLink);
                EXPECT_EQ(w.Rows(idc::kLinkList), Rows{});
                EXPECT_TRUE(w.enabled(idc::kPath));
                w.SetText(idc::kPath, page_);
                w.Click(idc::kOk);
              }),
              DialogResult::kOk);
  }
  EXPECT_EQ(platform_.TakeMessages(), Texts(4, Box(str::kNeedLinkNameAndUrl)));
  EXPECT_EQ(dir_.Entries(), Texts{});
  const std::string bad = (dir_.path() / "missing" / "page.htm").string();
  EXPECT_EQ(RunLinkPage([&](TestWindow& w) {
              Fill(w, idc::kAddLink, idc::kLinkName, idc::kUrl, {{"a", "1"}, {"a", "1"}});
              w.Click(idc::kOk);
              w.SetText(idc::kPath, bad);
              w.Click(idc::kTitleCheck);
              EXPECT_TRUE(w.enabled(idc::kTitle));
              w.Click(idc::kOk);
              w.SetText(idc::kTitle, "My links");
              w.Click(idc::kTitleCheck);
              EXPECT_FALSE(w.enabled(idc::kTitle));
              w.SetFocus(idc::kLinkName);
              w.Press(Key::kEnter);
              ASSERT_FALSE(w.ended());
              w.SetText(idc::kPath, page_);
              w.Press(Key::kEnter);
            }),
            DialogResult::kOk);
  EXPECT_EQ(platform_.TakeMessages(), (Texts{Box(str::kNeedPagePath), Box(str::kTitleEmpty),
                                             "x " + bad + " contains an invalid path."}));
  EXPECT_EQ(testing::ReadBytes(page_),
            "<HTML><BODY><STYLE><!--a {color:darkblue;} a:hover {color:red;}--></STYLE>My links"
            "<P><a href=\"1\" target=\"_main\">a</a><BR><a href=\"1\" target=\"_main\">a</a><BR>"
            "</BODY></HTML>");
}

}  // namespace
}  // namespace quillbay
