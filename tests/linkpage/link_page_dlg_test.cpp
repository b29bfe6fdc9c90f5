#include "linkpage/link_page_dlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
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

// The texts of string resources, in order.
std::vector<std::string> Strings(std::initializer_list<int> ids) {
  std::vector<std::string> out;
  for (const int id : ids) out.emplace_back(StringResource(id));
  return out;
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
  // Runs the window once with `script` as the user's part.
  DialogResult Run(TestDialogPlatform::Script script) {
    platform_.OnRun(dlg::kLinkPage, std::move(script));
    return dialog_.DoModal();
  }
  std::vector<std::string> Exclamations() const {
    return platform_.MessageTexts(MessageIcon::kExclamation);
  }
  std::vector<std::string> Errors() const { return platform_.MessageTexts(MessageIcon::kStop); }

  TestDialogPlatform platform_;
  CLinkPageDlg dialog_{platform_};
};

TEST_F(LinkPageDlgTest, EveryOpeningStartsFromTheSameState) {
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(Run([](TestWindow& w) {
                EXPECT_EQ(w.caption(), "Creat a HTML file for the bar");
                EXPECT_EQ(w.Rows(idc::kLinkList), Rows{});
                EXPECT_EQ(w.ColumnHeadings(idc::kLinkList),
                          (std::vector<std::string>{"Link name", "URL"}));
                EXPECT_EQ(w.ColumnWidths(idc::kLinkList), (std::vector<int>{100, 240}));
                EXPECT_EQ(w.GetText(idc::kUrl), "http://");
                EXPECT_EQ(w.GetText(idc::kLinkName), "");
                EXPECT_EQ(w.GetText(idc::kPath), "");
                EXPECT_EQ(w.GetText(idc::kTitle), "");
                EXPECT_FALSE(w.IsChecked(idc::kTitleCheck));
                EXPECT_FALSE(w.IsEnabled(idc::kPath));
                EXPECT_FALSE(w.IsEnabled(idc::kTitle));
                EXPECT_FALSE(w.IsEnabled(idc::kDeleteLink));
                EXPECT_EQ(w.GetText(idc::kDescription), StringResource(str::kLinkPageDescription));
                EXPECT_EQ(w.focus(), idc::kLinkName);
                // Leave rows behind; the next opening must not see them.
                AddLink(w, "left over", "http://x");
                w.PressEscape();
              }),
              DialogResult::kCancel);
  }
  EXPECT_EQ(Exclamations(), std::vector<std::string>{});
}

TEST_F(LinkPageDlgTest, AddNeedsBothTexts) {
  struct Case {
    std::string name, url;
  };
  for (const Case& c : {Case{"", "http://x"}, Case{"name", ""}, Case{"", ""}}) {
    platform_.ClearMessages();
    Run([&](TestWindow& w) {
      AddLink(w, c.name, c.url);
      EXPECT_EQ(w.Rows(idc::kLinkList), Rows{});
      EXPECT_FALSE(w.IsEnabled(idc::kPath));
      EXPECT_EQ(w.GetText(idc::kLinkName), c.name);
      w.PressEscape();
    });
    EXPECT_EQ(Exclamations(), Strings({str::kNeedLinkNameAndUrl}))
        << "name '" << c.name << "' url '" << c.url << "'";
  }
}

TEST_F(LinkPageDlgTest, AddAppendsRowsAsTypedAndEnablesThePathForGood) {
  Run([](TestWindow& w) {
    w.Paste(idc::kLinkName, " ");
    w.Click(idc::kAddLink);  // the URL box still holds "http://"
    w.Click(idc::kAddLink);  // the same row again
    AddLink(w, "News", "http://news.example");
    EXPECT_EQ(w.Rows(idc::kLinkList),
              (Rows{{" ", "http://"}, {" ", "http://"}, {"News", "http://news.example"}}));
    EXPECT_EQ(w.SelectedRows(idc::kLinkList), std::vector<int>{});
    EXPECT_EQ(w.GetText(idc::kLinkName), "News");
    EXPECT_EQ(w.GetText(idc::kUrl), "http://news.example");
    EXPECT_TRUE(w.IsEnabled(idc::kPath));

    for (int i = 0; i < 3; ++i) {
      w.SelectRow(idc::kLinkList, 0);
      w.Click(idc::kDeleteLink);
    }
    EXPECT_EQ(w.Rows(idc::kLinkList), Rows{});
    EXPECT_TRUE(w.IsEnabled(idc::kPath));
    w.PressEscape();
  });
  EXPECT_EQ(Exclamations(), std::vector<std::string>{});
}

TEST_F(LinkPageDlgTest, DeleteRemovesOnlyTheTopmostSelectedRow) {
  Run([](TestWindow& w) {
    AddLink(w, "a", "1");
    AddLink(w, "b", "2");
    AddLink(w, "c", "3");
    w.SelectRows(idc::kLinkList, {1, 2});
    EXPECT_TRUE(w.IsEnabled(idc::kDeleteLink));
    w.Click(idc::kDeleteLink);
    EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"a", "1"}, {"c", "3"}}));
    EXPECT_EQ(w.SelectedRows(idc::kLinkList), std::vector<int>{1});

    w.ClearSelection(idc::kLinkList);
    EXPECT_FALSE(w.IsEnabled(idc::kDeleteLink));
    w.SelectRow(idc::kLinkList, 0);
    EXPECT_TRUE(w.IsEnabled(idc::kDeleteLink));
    w.PressEscape();
  });
}

TEST_F(LinkPageDlgTest, DeleteWithNothingSelectedAsksForASelection) {
  Run([](TestWindow& w) {
    AddLink(w, "a", "1");
    AddLink(w, "b", "2");
    w.SelectRow(idc::kLinkList, 0);
    w.Click(idc::kDeleteLink);
    // Deleting sends no item change, so Delete stays enabled with nothing selected.
    ASSERT_TRUE(w.IsEnabled(idc::kDeleteLink));
    w.Click(idc::kDeleteLink);
    EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"b", "2"}}));
    w.PressEscape();
  });
  EXPECT_EQ(Exclamations(), Strings({str::kSelectItemToDelete}));
}

TEST_F(LinkPageDlgTest, OkWithoutRowsClosesWithoutWriting) {
  const std::string path = Join("page.htm");
  EXPECT_EQ(Run([&](TestWindow& w) {
              AddLink(w, "a", "1");
              w.Paste(idc::kPath, path);
              w.SelectRow(idc::kLinkList, 0);
              w.Click(idc::kDeleteLink);
              w.Click(idc::kOk);
            }),
            DialogResult::kOk);
  EXPECT_EQ(Entries(), std::vector<std::string>{});
  EXPECT_EQ(platform_.messages(), std::vector<ShownMessage>{});
}

TEST_F(LinkPageDlgTest, OkChecksPathThenTitleAndKeepsTheWindowOpen) {
  const std::string path = Join("page.htm");
  Run([&](TestWindow& w) {
    AddLink(w, "a", "1");
    w.Click(idc::kOk);
    ASSERT_FALSE(w.ended());
    w.Paste(idc::kPath, path);
    w.Click(idc::kTitleCheck);
    EXPECT_TRUE(w.IsEnabled(idc::kTitle));
    w.Click(idc::kOk);
    ASSERT_FALSE(w.ended());
    EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"a", "1"}}));
    EXPECT_EQ(Entries(), std::vector<std::string>{});
    w.PressEscape();
  });
  EXPECT_EQ(Exclamations(), Strings({str::kNeedPagePath, str::kTitleEmpty}));
}

TEST_F(LinkPageDlgTest, TitleTypedWhileCheckedIsWrittenAfterUnchecking) {
  const std::string path = Join("page.htm");
  EXPECT_EQ(Run([&](TestWindow& w) {
              AddLink(w, "<News> & R&D", "http://n.example/?q=\"x\"");
              AddLink(w, "<News> & R&D", "http://n.example/?q=\"x\"");
              w.Paste(idc::kPath, path);
              w.Click(idc::kTitleCheck);
              w.Paste(idc::kTitle, "My links");
              w.Click(idc::kTitleCheck);
              EXPECT_FALSE(w.IsEnabled(idc::kTitle));
              EXPECT_EQ(w.GetText(idc::kTitle), "My links");
              w.Click(idc::kOk);
            }),
            DialogResult::kOk);
  const LinkEntry row{"<News> & R&D", "http://n.example/?q=\"x\""};
  EXPECT_EQ(ReadFile(path), BuildLinkPage("My links", {row, row}));
  EXPECT_EQ(platform_.messages(), std::vector<ShownMessage>{});
}

TEST_F(LinkPageDlgTest, UnwritablePathIsReportedAndNothingTypedIsLost) {
  const std::string bad_path = Join("missing/page.htm");
  const std::string good_path = Join("page.htm");
  EXPECT_EQ(Run([&](TestWindow& w) {
              AddLink(w, "a", "1");
              AddLink(w, "b", "2");
              w.Paste(idc::kPath, bad_path);
              w.Click(idc::kTitleCheck);
              w.Paste(idc::kTitle, "T");
              w.Click(idc::kOk);

              ASSERT_FALSE(w.ended());
              EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"a", "1"}, {"b", "2"}}));
              EXPECT_EQ(w.GetText(idc::kPath), bad_path);
              EXPECT_EQ(w.GetText(idc::kTitle), "T");

              // The user corrects the path and tries again.
              w.Clear(idc::kPath);
              w.Paste(idc::kPath, good_path);
              w.Click(idc::kOk);
            }),
            DialogResult::kOk);
  // The path as the system spells it in full (Windows turns '/' into '\\').
  EXPECT_EQ(Errors(), std::vector<std::string>{
                          FileError(FileCause::kBadPath, AbsolutePath(bad_path)).Text()});
  EXPECT_EQ(Entries(), std::vector<std::string>{"page.htm"});
  EXPECT_EQ(ReadFile(good_path), BuildLinkPage("T", {{"a", "1"}, {"b", "2"}}));
}

TEST_F(LinkPageDlgTest, FailedReplaceKeepsTheOldFileAndTheWindow) {
  // A folder where the page should go cannot be replaced by a file.
  const std::string path = Join("page.htm");
  std::filesystem::create_directory(path);
  Run([&](TestWindow& w) {
    AddLink(w, "a", "1");
    w.Paste(idc::kPath, path);
    w.Click(idc::kOk);
    ASSERT_FALSE(w.ended());
    EXPECT_EQ(w.Rows(idc::kLinkList), (Rows{{"a", "1"}}));
    w.PressEscape();
  });
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_NE(Errors()[0].find(path), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_EQ(Entries(), std::vector<std::string>{"page.htm"});
}

TEST_F(LinkPageDlgTest, EnterInTheNameBoxWritesOverAnExistingFile) {
  const std::string path = Join("page.htm");
  WriteFile(path, std::string(5000, 'o'));
  EXPECT_EQ(Run([&](TestWindow& w) {
              AddLink(w, "a", "1");
              w.Paste(idc::kPath, path);
              w.Focus(idc::kLinkName);
              w.PressEnter();
            }),
            DialogResult::kOk);
  EXPECT_EQ(ReadFile(path), BuildLinkPage("", {{"a", "1"}}));
  EXPECT_EQ(Entries(), std::vector<std::string>{"page.htm"});
}

TEST_F(LinkPageDlgTest, CancelEscapeAndCloseBoxWriteNothing) {
  const std::string path = Join("page.htm");
  const std::vector<void (*)(TestWindow&)> ways = {
      [](TestWindow& w) { w.Click(idc::kCancel); },
      [](TestWindow& w) { w.PressEscape(); },
      [](TestWindow& w) { w.CloseBox(); },
  };
  for (const auto& close : ways) {
    EXPECT_EQ(Run([&](TestWindow& w) {
                AddLink(w, "a", "1");
                w.Paste(idc::kPath, path);
                close(w);
              }),
              DialogResult::kCancel);
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{});
}

}  // namespace
}  // namespace quillbay
