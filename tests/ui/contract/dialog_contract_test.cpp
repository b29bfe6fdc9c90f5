// The dialog platform's contract, run unchanged on every back end: the Win32 one on the
// real dialog manager and list view is the reference, and the rows below are what it does.
// Each row scripts a window and records every notification and, after each key, the focus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/dialog_templates.h"
#include "tests/ui/contract/dialog_contract.h"

namespace quillbay::contract {
namespace {

// Opens as the real windows open (checked radio button, disabled controls, list columns)
// and writes down what arrives. OK and Cancel are noted and leave the window open.
class ProbeDlg final : public CDialog {
 public:
  using CDialog::CDialog;
  using CDialog::window;
  std::string log;
  void Note(const std::string& what) { log += (log.empty() ? "" : "; ") + what; }

 protected:
  void OnInitDialog() override {
    DialogWindow& w = window();
    const int list = template_id() == dlg::kMain ? idc::kBarList : idc::kLinkList;
    if (template_id() == dlg::kAbout) return;
    w.AddColumn(list, 0, "A", 100);
    w.AddColumn(list, 1, "B", 100);
    if (template_id() == dlg::kMain) {
      w.SetCheck(idc::kVertical, 1);
      w.Enable(idc::kDelete, false);
    } else {
      for (int id : {idc::kTitle, idc::kPath, idc::kDeleteLink}) w.Enable(id, false);
    }
  }
  void OnEvent(int id, ControlEvent event, int item) override {
    static const char* const kNames[] = {"clicked",  "text",    "changed",
                                         "inserted", "deleted", "kill"};
    std::string what = kNames[static_cast<int>(event)] + (" " + std::to_string(id));
    Note(item >= 0 ? what + "/" + std::to_string(item) : what);
  }
  void OnOK() override { Note("ok"); }
  void OnCancel() override { Note("cancel"); }
};

struct Row {
  const char* name;
  int template_id;
  void (*script)(DialogWindow& w, User& u, ProbeDlg& probe);
  const char* expected;
};

void Keys(User& u, ProbeDlg& probe, std::vector<UserKey> keys) {
  for (UserKey key : keys) {
    u.Press(key);
    probe.Note("focus " + std::to_string(u.Focus()));
  }
}

void Selection(DialogWindow& w, ProbeDlg& probe, int list) {
  probe.Note("selected " + std::to_string(w.SelectedCount(list)) + " first " +
             std::to_string(w.FirstSelectedRow(list)));
}

void ThreeRows(DialogWindow& w, int list) {
  for (const char* text : {"a", "b", "c"}) w.InsertRow(list, w.RowCount(list), text);
}

constexpr UserKey kTab = UserKey::kTab;
constexpr UserKey kBack = UserKey::kShiftTab;

const Row kRows[] = {
    {"EditTextNotifiesEvenWhenUnchanged", dlg::kLinkPage,
     [](DialogWindow& w, User&, ProbeDlg&) {
       w.SetText(idc::kLinkName, "abc");
       w.SetText(idc::kLinkName, "abc");
       w.SetText(idc::kLinkNameLabel, "NAME:");  // a label is no edit box
     },
     "text 1007; text 1007"},
    {"InsertAppendsPastTheEndAndCellsAreQuiet", dlg::kMain,
     [](DialogWindow& w, User&, ProbeDlg& probe) {
       w.InsertRow(idc::kBarList, 5, "a");
       w.InsertRow(idc::kBarList, 0, "b");
       w.SetCell(idc::kBarList, 1, 1, "x");
       probe.Note(w.GetCell(idc::kBarList, 0, 0) + w.GetCell(idc::kBarList, 1, 0) +
                  w.GetCell(idc::kBarList, 1, 1));
     },
     "inserted 1020/0; inserted 1020/0; bax"},
    {"SelectionChangesRowByRow", dlg::kMain,
     [](DialogWindow& w, User& u, ProbeDlg& probe) {
       ThreeRows(w, idc::kBarList);
       u.Select(idc::kBarList, {1, 2});
       Selection(w, probe, idc::kBarList);
       u.Select(idc::kBarList, {0});
       u.Select(idc::kBarList, {});
       Selection(w, probe, idc::kBarList);
     },

     "inserted 1020/0; inserted 1020/1; inserted 1020/2; kill 1007; changed 1020/1; changed "
     "1020/2; selected 2 first 1; changed 1020/1; changed 1020/2; changed 1020/0; changed 1020/0; "
     "selected 0 first -1"},
    {"DeletingASelectedRowDeselectsItFirst", dlg::kLinkPage,
     [](DialogWindow& w, User& u, ProbeDlg& probe) {
       ThreeRows(w, idc::kLinkList);
       u.Select(idc::kLinkList, {0, 1});
       w.DeleteRow(idc::kLinkList, 2);
       w.DeleteRow(idc::kLinkList, 1);
       Selection(w, probe, idc::kLinkList);
     },

     "inserted 1031/0; inserted 1031/1; inserted 1031/2; kill 1007; changed 1031/0; changed "
     "1031/1; deleted 1031/2; changed 1031/1; deleted 1031/1; selected 1 first 0"},
    {"TabThroughTheMainWindow", dlg::kMain,
     [](DialogWindow&, User& u, ProbeDlg& probe) {
       Keys(u, probe, {kTab, kTab, kTab, kTab, kTab, kTab, kTab});
     },

     "kill 1007; focus 1010; kill 1010; focus 1021; focus 1000; focus 2; focus 1004; focus 1020; "
     "kill 1020; focus 1007"},
    {"ShiftTabThroughTheMainWindow", dlg::kMain,
     [](DialogWindow&, User& u, ProbeDlg& probe) {
       Keys(u, probe, {kBack, kBack, kBack, kBack, kBack, kBack, kBack});
     },

     "kill 1007; focus 1020; kill 1020; focus 1004; focus 2; focus 1000; focus 1021; focus 1010; "
     "kill 1010; focus 1007"},
    {"TheCheckedRadioButtonIsTheTabStop", dlg::kMain,
     [](DialogWindow& w, User& u, ProbeDlg& probe) {
       u.Click(idc::kHorizontal);
       w.SetCheck(idc::kVertical, 0);
       w.Enable(idc::kDelete, true);
       w.SetFocus(idc::kCancel);
       Keys(u, probe, {kTab, kTab, kTab, kBack, kBack});
     },

     "kill 1007; clicked 1003; focus 1003; focus 1017; focus 1020; kill 1020; focus 1017; focus "
     "1003"},
    {"TabThroughTheLinkPage", dlg::kLinkPage,
     [](DialogWindow&, User& u, ProbeDlg& probe) {
       Keys(u, probe, {kTab, kTab, kTab, kTab, kTab, kTab, kBack});
     },

     "kill 1007; focus 1010; kill 1010; focus 1028; focus 1; focus 1037; focus 2; focus 1031; kill "
     "1031; focus 2"},
    {"TabInTheAboutBox", dlg::kAbout,
     [](DialogWindow&, User& u, ProbeDlg& probe) {
       Keys(u, probe, {kTab, kBack});
     },
     "focus 1; focus 1"},
    {"EnterAndEscapeOnTheLinkPage", dlg::kLinkPage,
     [](DialogWindow& w, User& u, ProbeDlg& probe) {
       Keys(u, probe, {UserKey::kEnter, UserKey::kEscape});
       w.SetFocus(idc::kAddLink);
       Keys(u, probe, {UserKey::kEnter, UserKey::kEscape});
       w.SetFocus(idc::kCancel);
       Keys(u, probe, {UserKey::kEnter});
     },

     "ok; focus 1007; cancel; focus 1007; kill 1007; clicked 1028; focus 1028; cancel; focus 1028; "
     "cancel; focus 2"},
    {"EnterAndEscapeOnTheMainWindow", dlg::kMain,
     [](DialogWindow& w, User& u, ProbeDlg& probe) {
       Keys(u, probe, {UserKey::kEnter, UserKey::kEscape});
       w.SetFocus(idc::kCreate);
       Keys(u, probe, {UserKey::kEnter});
     },

     "ok; focus 1007; cancel; focus 1007; kill 1007; clicked 1000; focus 1000"},
};

void PrintTo(const Row& row, std::ostream* out) {
  *out << row.name;
}

class DialogContract : public ::testing::TestWithParam<Row> {};

TEST_P(DialogContract, MatchesTheReference) {
  const Row& row = GetParam();
  ProbeDlg probe(BackEndPlatform(), row.template_id);
  std::string log;  // up to the end of the script: closing the window is not part of it
  RunOnBackEnd(probe, [&](User& u) {
    probe.log.clear();
    row.script(probe.window(), u, probe);
    log = probe.log;
  });
  EXPECT_EQ(log, row.expected);
}

INSTANTIATE_TEST_SUITE_P(, DialogContract, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace quillbay::contract
