#include "tests/support/test_dialog_platform.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <tuple>

#include "system/file_error.h"

namespace quillbay {
namespace {

// A dialog that records every event it receives and lets a test hook its handlers.
class ProbeDlg : public CDialog {
 public:
  using Event = std::tuple<int, ControlEvent, int>;

  ProbeDlg(DialogPlatform& platform, int template_id) : CDialog(platform, template_id) {}

  std::vector<Event> events;
  std::function<void(ProbeDlg&, int, ControlEvent, int)> on_event;
  std::function<void(ProbeDlg&)> on_init;
  int ok_count = 0;

  using CDialog::window;

 protected:
  void OnInitDialog() override {
    if (on_init) on_init(*this);
  }
  void OnEvent(int id, ControlEvent event, int item) override {
    events.emplace_back(id, event, item);
    if (on_event) on_event(*this, id, event, item);
  }
  void OnOK() override {
    ++ok_count;
    CDialog::OnOK();
  }
};

TEST(TestDialogPlatformTest, ProgramWriteBackNotifiesAgain) {
  TestDialogPlatform platform;
  ProbeDlg dlg(platform, dlg::kMain);
  dlg.on_event = [](ProbeDlg& d, int id, ControlEvent event, int) {
    if (id != idc::kBarName || event != ControlEvent::kTextChanged) return;
    std::string text = d.window().GetText(id);
    if (const auto pos = text.find(';'); pos != std::string::npos) {
      text.erase(pos, 1);
      d.window().SetText(id, text);
    }
  };
  platform.OnRun(dlg::kMain, [](TestWindow& w) {
    w.Type(idc::kBarName, "a;b");
    EXPECT_EQ(w.GetText(idc::kBarName), "ab");
    w.PressEscape();
  });
  EXPECT_EQ(dlg.DoModal(), DialogResult::kCancel);
  // a, a; (write-back) a, b.
  EXPECT_EQ(std::ranges::count(dlg.events,
                               ProbeDlg::Event{idc::kBarName, ControlEvent::kTextChanged, -1}),
            4);
}

TEST(TestDialogPlatformTest, ListNotifiesInsertAfterAndDeleteBefore) {
  TestDialogPlatform platform;
  ProbeDlg dlg(platform, dlg::kMain);
  std::vector<int> counts_seen;
  dlg.on_init = [](ProbeDlg& d) {
    d.window().AddColumn(idc::kBarList, 0, "A", 10);
    d.window().AddColumn(idc::kBarList, 1, "B", 10);
    d.window().InsertRow(idc::kBarList, 0, "r0");
    d.window().InsertRow(idc::kBarList, 99, "r1");
  };
  dlg.on_event = [&](ProbeDlg& d, int id, ControlEvent event, int) {
    if (id == idc::kBarList && event != ControlEvent::kKillFocus) {
      counts_seen.push_back(d.window().RowCount(id));
    }
  };
  platform.OnRun(dlg::kMain, [](TestWindow& w) {
    EXPECT_EQ(w.GetCell(idc::kBarList, 1, 0), "r1");
    w.DeleteRow(idc::kBarList, 0);
    w.PressEscape();
  });
  dlg.DoModal();
  const std::vector<ProbeDlg::Event> list_events{{idc::kBarList, ControlEvent::kItemInserted, 0},
                                                 {idc::kBarList, ControlEvent::kItemInserted, 1},
                                                 {idc::kBarList, ControlEvent::kItemDeleted, 0}};
  EXPECT_EQ(dlg.events, list_events);
  EXPECT_EQ(counts_seen, (std::vector<int>{1, 2, 2}));
}

TEST(TestDialogPlatformTest, SelectionChangesNotifyEachChangedRow) {
  TestDialogPlatform platform;
  ProbeDlg dlg(platform, dlg::kMain);
  dlg.on_init = [](ProbeDlg& d) {
    d.window().AddColumn(idc::kBarList, 0, "A", 10);
    for (int i = 0; i < 3; ++i) d.window().InsertRow(idc::kBarList, i, "r");
  };
  platform.OnRun(dlg::kMain, [](TestWindow& w) {
    w.SelectRows(idc::kBarList, {1, 2});
    w.SelectRow(idc::kBarList, 0);
    EXPECT_EQ(w.SelectedRows(idc::kBarList), std::vector<int>{0});
    w.PressEscape();
  });
  dlg.DoModal();
  std::vector<int> changed;
  for (const auto& [id, event, item] : dlg.events) {
    if (event == ControlEvent::kItemChanged) changed.push_back(item);
  }
  EXPECT_EQ(changed, (std::vector<int>{1, 2, 1, 2, 0}));
}

TEST(TestDialogPlatformTest, EnterClicksFocusedButtonOtherwiseGivesOk) {
  TestDialogPlatform platform;
  ProbeDlg dlg(platform, dlg::kMain);
  platform.OnRun(dlg::kMain, [](TestWindow& w) {
    EXPECT_EQ(w.focus(), idc::kBarName);  // the first tab stop
    w.Click(idc::kCreate);
    w.PressEnter();  // CREATE has the focus now
    EXPECT_FALSE(w.ended());
    w.Type(idc::kLocation, "x");
    w.PressEnter();
  });
  EXPECT_EQ(dlg.DoModal(), DialogResult::kOk);
  EXPECT_EQ(dlg.ok_count, 1);
  EXPECT_EQ(
      std::ranges::count(dlg.events, ProbeDlg::Event{idc::kCreate, ControlEvent::kClicked, -1}), 2);
}

TEST(TestDialogPlatformTest, FocusChosenWhileOpeningStands) {
  TestDialogPlatform platform;
  ProbeDlg dlg(platform, dlg::kMain);
  dlg.on_init = [](ProbeDlg& d) { d.window().SetFocus(idc::kLocation); };
  platform.OnRun(dlg::kMain, [](TestWindow& w) {
    EXPECT_EQ(w.focus(), idc::kLocation);
    w.Focus(idc::kBarList);
    w.Focus(idc::kCreate);
    w.PressEscape();
  });
  dlg.DoModal();
  // Only the edit box and the list tell when they lose the focus.
  EXPECT_EQ(dlg.events,
            (std::vector<ProbeDlg::Event>{{idc::kLocation, ControlEvent::kKillFocus, -1},
                                          {idc::kBarList, ControlEvent::kKillFocus, -1}}));
}

TEST(TestDialogPlatformTest, RadioButtonsClearOnlyTheirOwnGroup) {
  TestDialogPlatform platform;
  ProbeDlg dlg(platform, dlg::kMain);
  platform.OnRun(dlg::kMain, [](TestWindow& w) {
    w.Click(idc::kHorizontal);
    w.Click(idc::kVertical);
    // Each is a group of its own: nothing clears Horizontal but the program.
    EXPECT_TRUE(w.IsChecked(idc::kHorizontal));
    EXPECT_TRUE(w.IsChecked(idc::kVertical));
    w.PressEscape();
  });
  dlg.DoModal();
}

TEST(TestDialogPlatformTest, DisabledControlsIgnoreTheUser) {
  TestDialogPlatform platform;
  ProbeDlg dlg(platform, dlg::kMain);
  dlg.on_init = [](ProbeDlg& d) { d.window().Enable(idc::kDelete, false); };
  platform.OnRun(dlg::kMain, [](TestWindow& w) {
    EXPECT_FALSE(w.Click(idc::kDelete));
    w.PressEscape();
  });
  dlg.DoModal();
  EXPECT_TRUE(dlg.events.empty());
}

TEST(TestDialogPlatformTest, MisuseFailsLoudly) {
  TestDialogPlatform platform;
  ProbeDlg dlg(platform, dlg::kMain);
  platform.OnRun(dlg::kMain, [](TestWindow& w) { w.Type(4242, "x"); });
  EXPECT_THROW(dlg.DoModal(), TestPlatformError);

  platform.OnRun(dlg::kMain, [](TestWindow& w) { w.GetCheck(idc::kBarName); });
  EXPECT_THROW(dlg.DoModal(), TestPlatformError);

  platform.OnRun(dlg::kMain, [](TestWindow&) {});  // never closes the window
  EXPECT_THROW(dlg.DoModal(), TestPlatformError);

  ProbeDlg about(platform, dlg::kAbout);  // no script for it
  EXPECT_THROW(about.DoModal(), TestPlatformError);
  EXPECT_EQ(platform.active_window(), nullptr);
}

TEST(TestDialogPlatformTest, NestedRunsAndMessagesKnowTheirOwner) {
  TestDialogPlatform platform;
  ProbeDlg outer(platform, dlg::kMain);
  ProbeDlg inner(platform, dlg::kAbout);
  outer.on_event = [&](ProbeDlg& d, int id, ControlEvent event, int) {
    if (id != idc::kCreate || event != ControlEvent::kClicked) return;
    inner.DoModal();
    d.window().SetCaption("back");
  };
  inner.on_init = [](ProbeDlg&) { throw FileError(FileCause::kDiskFull, "/x"); };
  int seen_while_open = 0;
  platform.OnMessage(
      [&](const ShownMessage&) { seen_while_open = platform.active_window()->template_id(); });
  platform.OnRun(dlg::kAbout, [](TestWindow& w) { w.Click(idc::kOk); });
  platform.OnRun(dlg::kMain, [](TestWindow& w) {
    w.Click(idc::kCreate);
    EXPECT_EQ(w.caption(), "back");
    w.CloseBox();
  });
  EXPECT_EQ(outer.DoModal(), DialogResult::kCancel);
  EXPECT_EQ(platform.runs(), (std::vector<int>{dlg::kMain, dlg::kAbout}));
  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].icon, MessageIcon::kStop);
  EXPECT_EQ(platform.messages()[0].owner_template, dlg::kAbout);
  EXPECT_EQ(seen_while_open, dlg::kAbout);
  EXPECT_EQ(platform.LastWindow(dlg::kAbout)->result(), DialogResult::kOk);
}

}  // namespace
}  // namespace quillbay
