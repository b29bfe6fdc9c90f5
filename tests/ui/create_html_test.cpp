#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/registration_fakes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_dialog_platform.h"
#include "ui/quillbay_dlg.h"

namespace quillbay {
namespace {

using ::testing::ElementsAre;
using testing::MemoryRegistryStore;
using testing::ScriptedGuidSource;
using testing::TempDir;

// "Creat HTML" runs the link page window over the main window, afresh on every press.
TEST(CreateHtmlTest, RunsTheLinkPageWindowAfreshEachTime) {
  TempDir dir;
  MemoryRegistryStore store;
  ScriptedGuidSource guids;
  TestDialogPlatform platform;
  std::vector<int> rows_at_start;
  platform.OnRun(dlg::kLinkPage, [&](TestWindow& w) {
    rows_at_start.push_back(w.RowCount(idc::kLinkList));
    w.Type(idc::kLinkName, "home");
    w.Click(idc::kAddLink);
    EXPECT_EQ(w.RowCount(idc::kLinkList), 1);
    w.PressEscape();
  });
  platform.OnRun(dlg::kMain, [&](TestWindow& w) {
    w.Type(idc::kBarName, "bar");
    w.Click(idc::kCreateHtml);
    w.Click(idc::kCreateHtml);
    EXPECT_FALSE(w.ended());
    EXPECT_EQ(w.GetText(idc::kBarName), "bar");
    EXPECT_EQ(w.caption(), "Tollmere");
    w.PressEscape();
  });
  CQuillbayDlg dlg(platform, store, guids, dir.File("bkupRegKeyf"));
  EXPECT_EQ(dlg.DoModal(), DialogResult::kCancel);
  EXPECT_THAT(platform.runs(), ElementsAre(dlg::kMain, dlg::kLinkPage, dlg::kLinkPage));
  EXPECT_THAT(rows_at_start, ElementsAre(0, 0));
  EXPECT_TRUE(store.calls.empty());
}

}  // namespace
}  // namespace quillbay
