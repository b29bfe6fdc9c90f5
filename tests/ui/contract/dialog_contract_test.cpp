// The dialog platform's contract, run unchanged on every back end; the records are what the
// Win32 back end does under Wine: every notification and, after each key, the focused control.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "resources/dialog_templates.h"
#include "tests/ui/contract/dialog_contract.h"

namespace quillbay::contract {
namespace {

// Opens as the real windows open (checked radio button, disabled controls, list columns,
// About item) and writes down what arrives. OK and Cancel are noted and end nothing.
class ProbeDlg final : public CDialog {
 public:
  using CDialog::CDialog;
  using CDialog::window;
  std::string log;
  void Note(const std::string& what) { log += (log.empty() ? "" : "; ") + what; }

 protected:
  void OnInitDialog() override {
    const bool main = template_id() == dlg::kMain;
    const int list = main ? idc::kBarList : idc::kLinkList;
    for (int column : {0, 1}) window().AddColumn(list, column, "", 99);
    if (main) window().SetCheck(idc::kVertical, 1);
    window().AppendSystemMenuSeparator();
    window().AppendSystemMenuItem(kAboutCommand, "&About");
    for (int id : main ? std::vector{idc::kDelete}
                       : std::vector{idc::kTitle, idc::kPath, idc::kDeleteLink}) {
      window().Enable(id, false);
    }
  }
  void OnEvent(int id, ControlEvent event, int item) override {
    static const char* const kNames[] = {"clicked", "text", "changed",   "inserted",
                                         "deleted", "kill", "delete key"};
    const std::string what = kNames[static_cast<int>(event)] + (" " + std::to_string(id));
    Note(item >= 0 ? what + "/" + std::to_string(item) : what);
  }
  void OnOK() override { Note("ok"); }
  void OnCancel() override { Note("cancel"); }
  bool OnSystemMenuCommand(int command) override {
    Note("system " + std::to_string(command));
    return true;
  }
};

// One step, its arguments after colons: the user's (keys, click, select:LIST:ROW,ROW, sysmenu,
// boxes) or the program's (as DialogWindow's, or message, error, get and selection notes).
void Step(const std::string& step, ProbeDlg& probe, User& u) {
  std::vector<std::string> a;
  std::istringstream in(step);
  for (std::string part; std::getline(in, part, ':');) a.push_back(part);
  const auto n = [&](std::size_t i) { return std::stoi(a.at(i)); };
  DialogWindow& w = probe.window();
  static const char* const kKeys[] = {"tab", "back", "enter", "escape", "f1", "up", "down", "del"};
  for (int key = 0; key < 8; ++key) {
    if (a[0] != kKeys[key]) continue;
    u.Press(static_cast<UserKey>(key));
    return probe.Note("focus " + std::to_string(u.Focus()));
  }
  if (a[0] == "click") return u.Click(n(1));
  if (a[0] == "select") {
    std::vector<int> rows;
    std::istringstream list(a.size() > 2 ? a[2] : "");
    for (std::string row; std::getline(list, row, ',');) rows.push_back(std::stoi(row));
    return u.Select(n(1), rows);
  }
  if (a[0] == "sysmenu") return u.ChooseLastSystemMenuItem();
  if (a[0] == "boxes") {
    for (const std::string& box : u.TakeBoxes()) probe.Note(box);
    return;
  }
  if (a[0] == "text") return w.SetText(n(1), a.at(2));
  if (a[0] == "insert") return (void)w.InsertRow(n(1), n(2), a.at(3));
  if (a[0] == "cell") return w.SetCell(n(1), n(2), n(3), a.at(4));
  if (a[0] == "delete") return w.DeleteRow(n(1), n(2));
  if (a[0] == "focus") return w.SetFocus(n(1));
  if (a[0] == "check") return w.SetCheck(n(1), n(2));
  if (a[0] == "enable") return w.Enable(n(1), true);
  if (a[0] == "message") return BackEndPlatform().ShowMessage(a.at(1));
  if (a[0] == "error") return BackEndPlatform().ShowError(a.at(1));
  if (a[0] == "get") return probe.Note(w.GetCell(n(1), n(2), n(3)));
  if (a[0] == "checked") return probe.Note("checked " + std::to_string(w.GetCheck(n(1))));
  ASSERT_EQ(a[0], "selection");
  probe.Note("selected " + std::to_string(w.SelectedCount(n(1))) + " first " +
             std::to_string(w.FirstSelectedRow(n(1))));
}

struct Row {
  const char* name;
  int template_id;
  const char *steps, *expected;
};

const Row kRows[] = {
    {"EditTextNotifiesEvenWhenUnchanged", dlg::kLinkPage, "text:1007:abc text:1007:abc text:1032:L",
     "text 1007; text 1007"},
    {"InsertAppendsPastTheEndAndCellsAreQuiet", dlg::kMain,
     "insert:1020:5:a insert:1020:0:b cell:1020:1:1:x get:1020:0:0 get:1020:1:0 get:1020:1:1",
     "inserted 1020/0; inserted 1020/0; b; a; x"},
    {"SelectionChangesRowByRow", dlg::kMain,
     "insert:1020:0:a insert:1020:1:b insert:1020:2:c select:1020:1,2 selection:1020 "
     "select:1020:0 select:1020 selection:1020",
     "inserted 1020/0; inserted 1020/1; inserted 1020/2; kill 1007; changed 1020/1; changed "
     "1020/2; selected 2 first 1; changed 1020/1; changed 1020/2; changed 1020/0; changed 1020/0; "
     "selected 0 first -1"},
    {"DeletingASelectedRowDeselectsItFirst", dlg::kLinkPage,
     "insert:1031:0:a insert:1031:1:b insert:1031:2:c select:1031:0,1 delete:1031:2 "
     "delete:1031:1 selection:1031",
     "inserted 1031/0; inserted 1031/1; inserted 1031/2; kill 1007; changed 1031/0; changed "
     "1031/1; deleted 1031/2; changed 1031/1; deleted 1031/1; selected 1 first 0"},
    {"TabAndShiftTabThroughTheMainWindow", dlg::kMain, "tab tab tab tab tab tab tab back back back",
     "kill 1007; focus 1010; kill 1010; focus 1021; focus 1000; focus 2; focus 1004; focus 1020; "
     "kill 1020; focus 1007; kill 1007; focus 1020; kill 1020; focus 1004; focus 2"},
    // The click moves the focus to the button, and checks it: the checked one is the tab stop.
    {"TheCheckedRadioButtonIsTheTabStop", dlg::kMain,
     "click:1003 check:1004:0 enable:1017 focus:2 tab tab tab back back",
     "kill 1007; clicked 1003; focus 1003; focus 1017; focus 1020; kill 1020; focus 1017; "
     "focus 1003"},
    // The two kinds are one group: the arrow keys move round it and choose as a click does.
    {"ArrowKeysMoveAndChooseInTheRadioGroup", dlg::kMain,
     "focus:1004 up checked:1004 up down checked:1003 tab",
     "kill 1007; clicked 1003; focus 1003; checked 0; clicked 1004; focus 1004; clicked 1003; "
     "focus 1003; checked 1; focus 1020"},
    {"TheDeleteKeyInAList", dlg::kLinkPage, "insert:1031:0:a focus:1031 del focus:1007 del",
     "inserted 1031/0; kill 1007; delete key 1031; focus 1031; kill 1031; focus 1007"},
    {"TabThroughTheLinkPage", dlg::kLinkPage, "tab tab tab tab tab tab back",
     "kill 1007; focus 1010; kill 1010; focus 1028; focus 1; focus 1037; focus 2; focus 1031; "
     "kill 1031; focus 2"},
    {"EnterClicksTheFocusedButtonElseGivesOk", dlg::kLinkPage,
     "enter escape focus:1028 enter escape focus:2 enter",
     "ok; focus 1007; cancel; focus 1007; kill 1007; clicked 1028; focus 1028; cancel; focus "
     "1028; cancel; focus 2"},
    {"EnterInAWindowWithoutButtonOne", dlg::kMain, "enter", "ok; focus 1007"},
    // A box takes the focus while it is open; the help viewer's stand-in opens no window.
    {"MessageBoxesHelpAndTheSystemMenu", dlg::kLinkPage,
     "message:Careful. error:Disk-full. focus:1028 f1 boxes sysmenu",
     "kill 1007; kill 1007; kill 1007; focus 1028; ! Careful.; x Disk-full.; help; system 16"},
};

class DialogContract : public ::testing::TestWithParam<Row> {};

TEST_P(DialogContract, MatchesTheReference) {
  ProbeDlg probe(BackEndPlatform(), GetParam().template_id);
  std::string log;  // up to the end of the script: closing the window is not part of it
  RunOnBackEnd(probe, [&](User& u) {
    u.TakeBoxes();
    probe.log.clear();
    std::istringstream steps(GetParam().steps);
    for (std::string step; steps >> step;) Step(step, probe, u);
    log = probe.log;
  });
  EXPECT_EQ(log, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(, DialogContract, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace quillbay::contract
