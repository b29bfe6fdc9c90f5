// The in-memory platform's notification rules that the window logic tests depend on: if the
// platform drifted from the real toolkits here, those tests would pass on faulty windows.
#include "tests/support/test_dialog_platform.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quillbay {
namespace {

// Records every event with the list's row count at that moment; filters ';' from the name.
class ProbeDlg : public CDialog {
 public:
  using Event = std::tuple<int, ControlEvent, int, int>;
  explicit ProbeDlg(DialogPlatform& platform) : CDialog(platform, dlg::kMain) {}
  std::vector<Event> events;

 protected:
  void OnInitDialog() override {
    window().AddColumn(idc::kBarList, 0, "A", 10);
    for (int i = 0; i < 3; ++i) window().InsertRow(idc::kBarList, i, "r");
  }
  void OnEvent(int id, ControlEvent event, int item) override {
    if (event == ControlEvent::kKillFocus) return;
    events.emplace_back(id, event, item, window().RowCount(idc::kBarList));
    if (id != idc::kBarName || event != ControlEvent::kTextChanged) return;
    std::string text = window().GetText(id);
    if (std::erase(text, ';') > 0) window().SetText(id, text);
  }
};

TEST(TestDialogPlatformTest, NotifiesAsTheRealToolkitsDo) {
  TestDialogPlatform platform;
  ProbeDlg dlg(platform);
  platform.OnRun(dlg::kMain, [&](TestWindow& w) {
    dlg.events.clear();
    w.Type(idc::kBarName, "a;");  // a, a; and the write-back a
    EXPECT_EQ(w.GetText(idc::kBarName), "a");
    w.SelectRows(idc::kBarList, {1, 2});
    w.SelectRow(idc::kBarList, 0);
    w.DeleteRow(idc::kBarList, 0);  // announced while the row still counts, no selection change
    // Radio buttons are groups of their own: only the program unchecks the other one.
    w.Click(idc::kHorizontal);
    w.Click(idc::kVertical);
    EXPECT_TRUE(w.IsChecked(idc::kHorizontal));
    w.PressEscape();
  });
  dlg.DoModal();
  using E = ProbeDlg::Event;
  const auto text = ControlEvent::kTextChanged;
  const auto changed = ControlEvent::kItemChanged;
  const std::vector<E> expected = {
      {idc::kBarName, text, -1, 3},
      {idc::kBarName, text, -1, 3},
      {idc::kBarName, text, -1, 3},
      {idc::kBarList, changed, 1, 3},
      {idc::kBarList, changed, 2, 3},
      {idc::kBarList, changed, 1, 3},
      {idc::kBarList, changed, 2, 3},
      {idc::kBarList, changed, 0, 3},
      {idc::kBarList, ControlEvent::kItemDeleted, 0, 3},
      {idc::kHorizontal, ControlEvent::kClicked, -1, 2},
      {idc::kVertical, ControlEvent::kClicked, -1, 2},
  };
  EXPECT_EQ(dlg.events, expected);
}

}  // namespace
}  // namespace quillbay
