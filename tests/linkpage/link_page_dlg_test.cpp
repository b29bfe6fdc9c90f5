#include "linkpage/link_page_dlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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
using testing::ReadBytes;

std::string S(int id) {
  return std::string(StringResource(id));
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
  Texts Exclamations() const { return platform_.MessageTexts(MessageIcon::kExclamation); }

  TestDialogPlatform platform_;
  CLinkPageDlg dialog_{platform_};
  const std::string path_ = Join("page.htm");
};

TEST_F(LinkPageDlgTest, EveryOpeningStartsFromTheSameState) {
  for (int run = 0; run < 2; ++run) {
    Run([](TestWindow& w) {
      EXPECT_EQ(w.Rows(idc::kLinkList), Rows{});
      EXPECT_EQ(w.GetText(idc::kUrl), "http://");
      EXPECT_EQ(w.GetText(idc::kDescription), StringResource(str::kLinkPageDescription));
      EXPECT_EQ(w.GetCheck(idc::kTitleCheck), 0);
      for (int id : {idc::kPath, idc::kTitle, idc::kDeleteLink}) EXPECT_FALSE(w.enabled(id));
      EXPECT_EQ(w.focus(), idc::kLinkName);
      AddLink(w, "left over", "http://x");  // the next opening must not see it
      w.Press(Key::kEscape);
    });
  }
}

TEST_F(LinkPageDlgTest, AddNeedsBothTextsAndTheFirstRowEnablesThePathForGood) {
  Run([](TestWindow& w) {
    AddLink(w, "", "http://x");
    AddLink(w, "name", "");
    EXPECT_FALSE(w.enabled(idc::kPath));
    AddLink(w, " ", "http://");
    EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{" ", "http://"}}));
    w.Select(idc::kLinkList, {0});
    w.Click(idc::kDeleteLink);
    EXPECT_EQ(w.Rows(idc::kLinkList), Rows{});
    EXPECT_TRUE(w.enabled(idc::kPath));
    w.Press(Key::kEscape);
  });
  EXPECT_EQ(Exclamations(), Texts(2, S(str::kNeedLinkNameAndUrl)));
}

// Delete takes the topmost selected row only; it follows the selection, so it is disabled
// again once the last selected row is gone.
TEST_F(LinkPageDlgTest, DeleteRemovesTheTopmostSelectedRow) {
  Run([](TestWindow& w) {
    for (const char* name : {"a", "b", "c"}) AddLink(w, name, "u");
    w.Select(idc::kLinkList, {1, 2});
    w.Click(idc::kDeleteLink);
    EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"a", "u"}, {"c", "u"}}));
    EXPECT_TRUE(w.enabled(idc::kDeleteLink));
    w.Click(idc::kDeleteLink);
    EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"a", "u"}}));
    EXPECT_FALSE(w.enabled(idc::kDeleteLink));
    w.Press(Key::kEscape);
  });
  EXPECT_EQ(platform_.messages(), std::vector<ShownMessage>{});
}

TEST_F(LinkPageDlgTest, OkWithoutRowsClosesWithoutWriting) {
  EXPECT_EQ(Run([&](TestWindow& w) {
              AddLink(w, "a", "1");
              w.SetText(idc::kPath, path_);
              w.Select(idc::kLinkList, {0});
              w.Click(idc::kDeleteLink);
              w.Click(idc::kOk);
            }),
            DialogResult::kOk);
  EXPECT_EQ(Entries(), Texts{});
  EXPECT_EQ(platform_.messages(), std::vector<ShownMessage>{});
}

TEST_F(LinkPageDlgTest, OkAsksForThePathThenTheTitle) {
  Run([&](TestWindow& w) {
    AddLink(w, "a", "1");
    w.Click(idc::kOk);
    w.SetText(idc::kPath, path_);
    w.Click(idc::kTitleCheck);
    EXPECT_TRUE(w.enabled(idc::kTitle));
    w.Click(idc::kOk);
    EXPECT_FALSE(w.ended());
    w.Press(Key::kEscape);
  });
  EXPECT_EQ(Exclamations(), (Texts{S(str::kNeedPagePath), S(str::kTitleEmpty)}));
  EXPECT_EQ(Entries(), Texts{});
}

// The title typed while the box was checked is written after unchecking; Enter in the name
// box gives the OK command.
TEST_F(LinkPageDlgTest, EnterWritesThePageWithTheTitleTypedWhileChecked) {
  EXPECT_EQ(Run([&](TestWindow& w) {
              AddLink(w, "a", "1");
              AddLink(w, "a", "1");
              w.SetText(idc::kPath, path_);
              w.Click(idc::kTitleCheck);
              w.Type(idc::kTitle, "My links");
              w.Click(idc::kTitleCheck);
              EXPECT_FALSE(w.enabled(idc::kTitle));
              w.Type(idc::kLinkName, "");
              w.Press(Key::kEnter);
            }),
            DialogResult::kOk);
  EXPECT_EQ(ReadBytes(path_), BuildLinkPage("My links", {{"a", "1"}, {"a", "1"}}));
}

// A page that cannot be written is reported with its path and cause; the rows, path and
// title stay for another try.
TEST_F(LinkPageDlgTest, FailedWriteKeepsTheWindowAndEverythingTyped) {
  const std::string bad = Join("missing/page.htm");
  EXPECT_EQ(Run([&](TestWindow& w) {
              AddLink(w, "a", "1");
              w.SetText(idc::kPath, bad);
              w.Click(idc::kOk);
              ASSERT_FALSE(w.ended());
              EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"a", "1"}}));
              w.SetText(idc::kPath, path_);
              w.Click(idc::kOk);
            }),
            DialogResult::kOk);
  EXPECT_EQ(platform_.MessageTexts(MessageIcon::kStop),
            Texts{FileError(FileCause::kBadPath, AbsolutePath(bad)).Text()});
  EXPECT_EQ(ReadBytes(path_), BuildLinkPage("", {{"a", "1"}}));
}

}  // namespace
}  // namespace quillbay
