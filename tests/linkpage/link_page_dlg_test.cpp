#include "linkpage/link_page_dlg.h"

#include <gtest/gtest.h>

#include "linkpage/link_page.h"
#include "linkpage_test_util.h"
#include "resources/string_table.h"
#include "system/file_error.h"
#include "system/files.h"
#include "tests/support/test_dialog_platform.h"

namespace quillbay {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using Texts = std::vector<std::string>;

std::string Box(int id) {
  return "! " + std::string(StringResource(id));
}

void AddLink(TestWindow& w, std::string_view name, std::string_view url) {
  w.SetText(idc::kLinkName, name);
  w.SetText(idc::kUrl, url);
  w.Click(idc::kAddLink);
}

class LinkPageDlgTest : public TempFolderTest {
 protected:
  DialogResult Run(TestDialogPlatform::Script script) {
    platform_.OnRun(dlg::kLinkPage, std::move(script));
    return dialog_.DoModal();
  }

  TestDialogPlatform platform_;
  CLinkPageDlg dialog_{platform_};
  const std::string path_ = Join("page.htm");
};

// Every opening starts afresh. Add needs both texts; the first row enables the path box for
// good. OK without rows closes at once and writes nothing, even with a path typed.
TEST_F(LinkPageDlgTest, OpeningAddingAndOkWithoutRows) {
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(Run([&](TestWindow& w) {
                EXPECT_EQ(w.Rows(idc::kLinkList), Rows{});
                EXPECT_EQ(w.GetText(idc::kUrl), "http://");
                EXPECT_EQ(w.GetText(idc::kDescription), StringResource(str::kLinkPageDescription));
                EXPECT_EQ(w.GetCheck(idc::kTitleCheck), 0);
                for (int id : {idc::kPath, idc::kTitle, idc::kDeleteLink}) {
                  EXPECT_FALSE(w.enabled(id));
                }
                EXPECT_EQ(w.Focus(), idc::kLinkName);
                AddLink(w, "", "http://x");
                AddLink(w, "name", "");
                EXPECT_FALSE(w.enabled(idc::kPath));
                AddLink(w, " ", "http://");
                EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{" ", "http://"}}));
                w.Select(idc::kLinkList, {0});
                w.Click(idc::kDeleteLink);
                EXPECT_TRUE(w.enabled(idc::kPath));
                w.SetText(idc::kPath, path_);
                w.Click(idc::kOk);
              }),
              DialogResult::kOk);
  }
  EXPECT_EQ(platform_.TakeMessages(), Texts(4, Box(str::kNeedLinkNameAndUrl)));
  EXPECT_EQ(Entries(), Texts{});
}

// Delete takes the topmost selected row only; it follows the selection, so it is disabled
// again once the last selected row is gone.
TEST_F(LinkPageDlgTest, DeleteRemovesTheTopmostSelectedRow) {
  Run([](TestWindow& w) {
    for (const char* name : {"a", "b", "c"}) AddLink(w, name, "u");
    w.Select(idc::kLinkList, {1, 2});
    w.Click(idc::kDeleteLink);
    EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"a", "u"}, {"c", "u"}}));
    w.Click(idc::kDeleteLink);
    EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"a", "u"}}));
    EXPECT_FALSE(w.enabled(idc::kDeleteLink));
    w.Press(Key::kEscape);
  });
  EXPECT_EQ(platform_.TakeMessages(), Texts{});
}

// OK asks for the path, then for the title; the title typed while the box was checked is
// written after unchecking it. A page that cannot be written is reported and the window
// keeps everything for another try. Enter in the name box gives the OK command.
TEST_F(LinkPageDlgTest, OkChecksThenWrites) {
  const std::string bad = Join("missing/page.htm");
  EXPECT_EQ(Run([&](TestWindow& w) {
              AddLink(w, "a", "1");
              AddLink(w, "a", "1");
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
              w.SetText(idc::kPath, path_);
              w.Press(Key::kEnter);
            }),
            DialogResult::kOk);
  EXPECT_EQ(platform_.TakeMessages(),
            (Texts{Box(str::kNeedPagePath), Box(str::kTitleEmpty),
                   "x " + FileError(FileCause::kBadPath, AbsolutePath(bad)).Text()}));
  EXPECT_EQ(testing::ReadBytes(path_), BuildLinkPage("My links", {{"a", "1"}, {"a", "1"}}));
}

}  // namespace
}  // namespace quillbay
