#include "linkpage/link_page_dlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "linkpage/link_page.h"
#include "linkpage_test_util.h"
#include "resources/dialog_templates.h"
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

// Types a name and a URL over whatever the boxes hold and presses Add.
void AddLink(TestWindow& w, std::string_view name, std::string_view url) {
  w.Clear(idc::kLinkName);
  w.Paste(idc::kLinkName, name);
  w.Clear(idc::kUrl);
  w.Paste(idc::kUrl, url);
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
      EXPECT_FALSE(w.IsChecked(idc::kTitleCheck));
      EXPECT_FALSE(w.IsEnabled(idc::kPath));
      EXPECT_FALSE(w.IsEnabled(idc::kTitle));
      EXPECT_FALSE(w.IsEnabled(idc::kDeleteLink));
      EXPECT_EQ(w.focus(), idc::kLinkName);
      AddLink(w, "left over", "http://x");  // the next opening must not see it
      w.PressEscape();
    });
  }
}

TEST_F(LinkPageDlgTest, AddNeedsBothTexts) {
  for (const auto& [name, url] : {std::pair{"", "http://x"}, {"name", ""}}) {
    platform_.ClearMessages();
    Run([&](TestWindow& w) {
      AddLink(w, name, url);
      EXPECT_EQ(w.Rows(idc::kLinkList), Rows{});
      EXPECT_FALSE(w.IsEnabled(idc::kPath));
      w.PressEscape();
    });
    EXPECT_EQ(Exclamations(), Texts{S(str::kNeedLinkNameAndUrl)}) << name << "|" << url;
  }
}

TEST_F(LinkPageDlgTest, FirstAddEnablesThePathForGood) {
  Run([](TestWindow& w) {
    w.Paste(idc::kLinkName, " ");
    w.Click(idc::kAddLink);  // the URL box still holds "http://"
    EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{" ", "http://"}}));
    EXPECT_TRUE(w.IsEnabled(idc::kPath));
    w.SelectRow(idc::kLinkList, 0);
    w.Click(idc::kDeleteLink);
    EXPECT_EQ(w.Rows(idc::kLinkList), Rows{});
    EXPECT_TRUE(w.IsEnabled(idc::kPath));
    w.PressEscape();
  });
}

TEST_F(LinkPageDlgTest, DeleteRemovesOnlyTheTopmostSelectedRow) {
  Run([](TestWindow& w) {
    AddLink(w, "a", "1");
    AddLink(w, "b", "2");
    AddLink(w, "c", "3");
    w.SelectRows(idc::kLinkList, {1, 2});
    w.Click(idc::kDeleteLink);
    EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"a", "1"}, {"c", "3"}}));
    w.SelectRow(idc::kLinkList, 0);
    w.Click(idc::kDeleteLink);
    // A deletion sends no selection change: Delete stays enabled with nothing selected.
    ASSERT_TRUE(w.Click(idc::kDeleteLink));
    EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"c", "3"}}));
    w.SelectRow(idc::kLinkList, 0);
    w.ClearSelection(idc::kLinkList);
    EXPECT_FALSE(w.IsEnabled(idc::kDeleteLink));
    w.PressEscape();
  });
  EXPECT_EQ(Exclamations(), Texts{S(str::kSelectItemToDelete)});
}

TEST_F(LinkPageDlgTest, OkWithoutRowsClosesWithoutWriting) {
  EXPECT_EQ(Run([&](TestWindow& w) {
              AddLink(w, "a", "1");
              w.Paste(idc::kPath, path_);
              w.SelectRow(idc::kLinkList, 0);
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
    w.Paste(idc::kPath, path_);
    w.Click(idc::kTitleCheck);
    w.Click(idc::kOk);
    EXPECT_FALSE(w.ended());
    w.PressEscape();
  });
  EXPECT_EQ(Exclamations(), (Texts{S(str::kNeedPagePath), S(str::kTitleEmpty)}));
  EXPECT_EQ(Entries(), Texts{});
}

TEST_F(LinkPageDlgTest, TitleTypedWhileCheckedIsWrittenAfterUnchecking) {
  Run([&](TestWindow& w) {
    AddLink(w, "a", "1");
    w.Paste(idc::kPath, path_);
    w.Click(idc::kTitleCheck);
    w.Paste(idc::kTitle, "My links");
    w.Click(idc::kTitleCheck);
    EXPECT_FALSE(w.IsEnabled(idc::kTitle));
    w.Click(idc::kOk);
  });
  EXPECT_EQ(ReadBytes(path_), BuildLinkPage("My links", {{"a", "1"}}));
}

// A page that cannot be written is reported with its path and cause; the rows, path and
// title stay for another try.
TEST_F(LinkPageDlgTest, FailedWriteKeepsTheWindowAndEverythingTyped) {
  std::filesystem::create_directory(Join("folder.htm"));  // a folder cannot become the page
  for (const std::string& bad : {Join("missing/page.htm"), Join("folder.htm")}) {
    platform_.ClearMessages();
    EXPECT_EQ(Run([&](TestWindow& w) {
                AddLink(w, "a", "1");
                AddLink(w, "b", "2");
                w.Paste(idc::kPath, bad);
                w.Click(idc::kTitleCheck);
                w.Paste(idc::kTitle, "T");
                w.Click(idc::kOk);
                ASSERT_FALSE(w.ended());
                EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"a", "1"}, {"b", "2"}}));
                EXPECT_EQ(w.GetText(idc::kTitle), "T");
                w.Clear(idc::kPath);
                w.Paste(idc::kPath, path_);
                w.Click(idc::kOk);
              }),
              DialogResult::kOk);
    const Texts errors = platform_.MessageTexts(MessageIcon::kStop);
    ASSERT_EQ(errors.size(), 1u) << bad;
    EXPECT_NE(errors[0].find(AbsolutePath(bad)), std::string::npos) << errors[0];
    if (bad.ends_with("missing/page.htm")) {
      EXPECT_EQ(errors[0], FileError(FileCause::kBadPath, AbsolutePath(bad)).Text());
    }
    EXPECT_EQ(ReadBytes(path_), BuildLinkPage("T", {{"a", "1"}, {"b", "2"}}));
  }
  EXPECT_EQ(Entries(), (Texts{"folder.htm", "page.htm"}));
}

TEST_F(LinkPageDlgTest, EnterInTheNameBoxWritesAndEscapeDoesNot) {
  struct Case {
    void (*close)(TestWindow&);
    DialogResult result;
    bool written;
  };
  const Case cases[] = {
      {[](TestWindow& w) {
         w.Focus(idc::kLinkName);
         w.PressEnter();
       },
       DialogResult::kOk, true},
      {[](TestWindow& w) { w.PressEscape(); }, DialogResult::kCancel, false},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(path_);
    EXPECT_EQ(Run([&](TestWindow& w) {
                AddLink(w, "a", "1");
                w.Paste(idc::kPath, path_);
                c.close(w);
              }),
              c.result);
    EXPECT_EQ(std::filesystem::exists(path_), c.written);
  }
}

}  // namespace
}  // namespace quillbay
