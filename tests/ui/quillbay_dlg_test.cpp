// The main window's own part on the in-memory platform: it wires the controls to the bar
// manager and mirrors what the manager reports. The manager's decisions (records, registry
// keys, filtering) are its own tests' business.
#include "ui/quillbay_dlg.h"

#include <gtest/gtest.h>

#include "resources/string_table.h"
#include "tests/support/registration_fakes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_dialog_platform.h"
#include "ui/quillbay_app.h"

namespace quillbay {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using Texts = std::vector<std::string>;
const std::string kId1 = "{00000001-0000-0000-0000-000000000000}";
const std::string kId2 = "{00000002-0000-0000-0000-000000000000}";
const std::string kId3 = "{00000003-0000-0000-0000-000000000000}";

class QuillbayDlgTest : public ::testing::Test {
 protected:
  void Run(TestDialogPlatform::Script script) {
    platform_.OnRun(dlg::kMain, std::move(script));
    CQuillbayApp(platform_, store_, guids_, backup_).Run();
  }
  static void CreateBar(TestWindow& w, std::string_view name) {
    w.SetText(idc::kBarName, name);
    w.SetText(idc::kLocation, "http://h/");
    w.Click(idc::kCreate);
  }

  testing::TempDir dir_;
  std::string backup_ = dir_.File("bkupRegKeyf");
  testing::MemoryRegistryStore store_;
  testing::ScriptedGuidSource guids_;
  TestDialogPlatform platform_;
};

TEST_F(QuillbayDlgTest, OpensWithTheRecordedBarsVerticalAndDeleteDisabled) {
  testing::WriteBytes(backup_, "{B},second;\r\n{A},first;\r\n");
  Run([](TestWindow& w) {
    EXPECT_EQ(w.caption(), "Tollmere");
    EXPECT_EQ(w.icon(), res::kProgramIcon);
    EXPECT_EQ(w.GetCheck(idc::kVertical) * 2 + w.GetCheck(idc::kHorizontal), 2);
    EXPECT_FALSE(w.enabled(idc::kDelete));
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{"{B}", "second"}, {"{A}", "first"}}));
    EXPECT_EQ(w.system_menu(), (std::vector<std::pair<int, std::string>>{
                                   {0, ""}, {kAboutCommand, "&About Quillbay..."}}));
    EXPECT_EQ(w.Focus(), idc::kBarName);
    w.Press(Key::kEnter);  // the OK command ends the program like Cancel
  });
  EXPECT_EQ(platform_.TakeMessages(), Texts{});
}

// Delete takes only the topmost selected row and waits for a new choice afterwards, even
// though a row is still selected. Each radio button is a group of its own, so the window
// unchecks the other one, and a bar gets the kind checked last.
TEST_F(QuillbayDlgTest, ControlsDriveTheManager) {
  Run([&](TestWindow& w) {
    w.Click(idc::kHorizontal);
    EXPECT_EQ(w.GetCheck(idc::kVertical) * 2 + w.GetCheck(idc::kHorizontal), 1);
    w.Click(idc::kVertical);
    EXPECT_EQ(w.GetCheck(idc::kVertical) * 2 + w.GetCheck(idc::kHorizontal), 2);
    for (const char* name : {"one", "two", "three"}) CreateBar(w, name);
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{kId1, "one"}, {kId2, "two"}, {kId3, "three"}}));
    EXPECT_FALSE(w.enabled(idc::kDelete));
    w.Select(idc::kBarList, {0});
    EXPECT_TRUE(w.enabled(idc::kDelete));
    w.Select(idc::kBarList, {});
    EXPECT_FALSE(w.enabled(idc::kDelete));
    w.Select(idc::kBarList, {1, 2});
    w.Click(idc::kDelete);
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{kId1, "one"}, {kId3, "three"}}));
    EXPECT_FALSE(w.enabled(idc::kDelete));
    w.Press(Key::kEscape);
  });
  EXPECT_TRUE(store_.HasKey(
      RegRoot::kClassesRoot,
      "CLSID\\" + kId1 + "\\Implemented Categories\\{00021493-0000-0000-C000-000000000046}"));
}

// The filtered text is written back, which notifies the box again: a second kind of
// separator goes in that second round, with a box of its own.
TEST_F(QuillbayDlgTest, SeparatorsAreTakenOutOfBothBoxes) {
  Run([&](TestWindow& w) {
    w.SetText(idc::kBarName, "a;b,c");
    w.SetText(idc::kLocation, "x,y");
    EXPECT_EQ(w.GetText(idc::kBarName) + w.GetText(idc::kLocation), "abcxy");
    w.Press(Key::kEscape);
  });
  EXPECT_EQ(platform_.TakeMessages(),
            Texts(3, "! " + std::string(StringResource(str::kCharacterNotAllowed))));
}

TEST_F(QuillbayDlgTest, SystemMenuAboutAndCreatHtmlRunOverTheWindow) {
  platform_.OnRun(dlg::kAbout, [](TestWindow& w) { w.Press(Key::kEnter); });
  platform_.OnRun(dlg::kLinkPage, [](TestWindow& w) { w.Press(Key::kEscape); });
  Run([](TestWindow& w) {
    EXPECT_TRUE(w.ChooseSystemCommand(kAboutCommand | 0x3));  // low bits are the system's
    EXPECT_FALSE(w.ChooseSystemCommand(0xF010));              // Move: the default handling
    w.Click(idc::kCreateHtml);
    EXPECT_FALSE(w.ended());
    w.ChooseSystemCommand(kSysCommandClose);
  });
  EXPECT_EQ(platform_.runs(), (std::vector<int>{dlg::kMain, dlg::kAbout, dlg::kLinkPage}));
}

// Rewriting the backup file fails inside the handler itself: a stop box, and the window
// stays open with the row gone.
TEST_F(QuillbayDlgTest, FileErrorsShowTheStopBoxAndTheWindowStaysOpen) {
  testing::WriteBytes(dir_.File("file"), "x");
  backup_ = dir_.File("file") + "/bkupRegKeyf";  // a path through a regular file
  Run([&](TestWindow& w) {
    CreateBar(w, "one");
    CreateBar(w, "two");
    w.Select(idc::kBarList, {0});
    w.Click(idc::kDelete);
    EXPECT_EQ(w.Rows(idc::kBarList), (Rows{{kId2, "two"}}));
    w.Press(Key::kEscape);
  });
  const Texts boxes = platform_.TakeMessages();
  ASSERT_EQ(boxes.size(), 3u);
  for (const std::string& box : boxes) EXPECT_EQ(box.substr(0, 2), "x ");
}

}  // namespace
}  // namespace quillbay
