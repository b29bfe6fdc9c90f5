// The dialog platform's contract, run unchanged on every back end; the records are what the
// Win32 back end does under Wine: every notification and, after each key, the focused control.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "resources/dialog_templates.h"
#include "tests/ui/contract/dialog_contract.h"

namespace quillbay::contract {
namespace {

// The controls as the steps and the records call them.
struct Named {
  int template_id, id;
  const char* name;
};
constexpr Named kControls[] = {{dlg::kMain, idc::kBarName, "name"},
                               {dlg::kMain, idc::kLocation, "location"},
                               {dlg::kMain, idc::kCreateHtml, "creat_html"},
                               {dlg::kMain, idc::kCreate, "create"},
                               {dlg::kMain, idc::kCancel, "cancel"},
                               {dlg::kMain, idc::kHorizontal, "horizontal"},
                               {dlg::kMain, idc::kVertical, "vertical"},
                               {dlg::kMain, idc::kDelete, "delete"},
                               {dlg::kMain, idc::kBarList, "bars"},
                               {dlg::kLinkPage, idc::kLinkName, "link_name"},
                               {dlg::kLinkPage, idc::kUrl, "url"},
                               {dlg::kLinkPage, idc::kAddLink, "add"},
                               {dlg::kLinkPage, idc::kPath, "path"},
                               {dlg::kLinkPage, idc::kOk, "ok"},
                               {dlg::kLinkPage, idc::kTitleCheck, "title_check"},
                               {dlg::kLinkPage, idc::kTitle, "title"},
                               {dlg::kLinkPage, idc::kDeleteLink, "delete"},
                               {dlg::kLinkPage, idc::kCancel, "cancel"},
                               {dlg::kLinkPage, idc::kLinkList, "links"},
                               {dlg::kLinkPage, idc::kLinkNameLabel, "link_name_label"},
                               {dlg::kLinkPage, idc::kDescription, "description"}};

std::string NameOf(int template_id, int id) {
  for (const Named& c : kControls)
    if (c.template_id == template_id && c.id == id) return c.name;
  return std::to_string(id);  // 0: no control
}

int IdOf(int template_id, const std::string& name) {
  for (const Named& c : kControls)
    if (c.template_id == template_id && c.name == name) return c.id;
  throw std::invalid_argument(name);
}

// Opens as the real windows open and writes down what arrives; OK and Cancel end nothing.
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
    static const char* const kNames[] = {"clicked",  "text",    "changed",
                                         "inserted", "deleted", "delete key"};
    std::string what = kNames[static_cast<int>(event)];
    what.append(" ").append(NameOf(template_id(), id));
    Note(item >= 0 ? what + "/" + std::to_string(item) : what);
  }
  void OnOK() override { Note("ok"); }
  void OnCancel() override { Note("cancel"); }
  bool OnSystemMenuCommand(int command) override {
    Note("system " + std::to_string(command));
    return true;
  }
};

// One step, its arguments after colons, controls by name: the user's (keys, click,
// select:LIST:ROW,ROW, sysmenu, boxes) or the program's (as DialogWindow's, or message, error,
// get, checked and selection notes).
void Step(const std::string& step, ProbeDlg& probe, User& u) {
  std::vector<std::string> a;
  std::istringstream in(step);
  for (std::string part; std::getline(in, part, ':');) a.push_back(part);
  const auto n = [&](std::size_t i) { return std::stoi(a.at(i)); };
  const auto c = [&](std::size_t i) { return IdOf(probe.template_id(), a.at(i)); };
  DialogWindow& w = probe.window();
  static const char* const kKeys[] = {"tab", "back", "enter", "escape", "f1", "up", "down", "del"};
  for (int key = 0; key < 8; ++key) {
    if (a[0] != kKeys[key]) continue;
    u.Press(static_cast<UserKey>(key));
    return probe.Note("focus " + NameOf(probe.template_id(), u.Focus()));
  }
  if (a[0] == "click") return u.Click(c(1));
  if (a[0] == "select") {
    std::vector<int> rows;
    std::istringstream list(a.size() > 2 ? a[2] : "");
    for (std::string row; std::getline(list, row, ',');) rows.push_back(std::stoi(row));
    return u.Select(c(1), rows);
  }
  if (a[0] == "sysmenu") return u.ChooseLastSystemMenuItem();
  if (a[0] == "boxes") {
    for (const std::string& box : u.TakeBoxes()) probe.Note(box);
    return;
  }
  if (a[0] == "text") return w.SetText(c(1), a.at(2));
  if (a[0] == "insert") return (void)w.InsertRow(c(1), n(2), a.at(3));
  if (a[0] == "cell") return w.SetCell(c(1), n(2), n(3), a.at(4));
  if (a[0] == "delete") return w.DeleteRow(c(1), n(2));
  if (a[0] == "focus") return w.SetFocus(c(1));
  if (a[0] == "check") return w.SetCheck(c(1), n(2));
  if (a[0] == "enable") return w.Enable(c(1), true);
  if (a[0] == "message") return BackEndPlatform().ShowMessage(a.at(1));
  if (a[0] == "error") return BackEndPlatform().ShowError(a.at(1));
  if (a[0] == "get") return probe.Note(w.GetCell(c(1), n(2), n(3)));
  if (a[0] == "checked") return probe.Note("checked " + std::to_string(w.GetCheck(c(1))));
  ASSERT_EQ(a[0], "selection");
  probe.Note("selected " + std::to_string(w.SelectedCount(c(1))) + " first " +
             std::to_string(w.FirstSelectedRow(c(1))));
}

struct Row {
  const char* name;
  int template_id;
  const char *steps, *expected;
};

const Row kRows[] = {
    {"EditTextNotifiesEvenWhenUnchanged", dlg::kLinkPage,
     "text:link_name:abc text:link_name:abc text:link_name_label:L",
     "text link_name; text link_name"},
    {"InsertAppendsPastTheEndAndCellsAreQuiet", dlg::kMain,
     "insert:bars:5:a insert:bars:0:b cell:bars:1:1:x get:bars:0:0 get:bars:1:0 get:bars:1:1",
     "inserted bars/0; inserted bars/0; b; a; x"},
    {"SelectionChangesRowByRow", dlg::kMain,
     "insert:bars:0:a insert:bars:1:b insert:bars:2:c select:bars:1,2 selection:bars select:bars:0 "
     "select:bars selection:bars",
     "inserted bars/0; inserted bars/1; inserted bars/2; changed bars/1; changed bars/2; selected "
     "2 first 1; changed bars/1; changed bars/2; changed bars/0; changed bars/0; selected 0 first "
     "-1"},
    {"DeletingASelectedRowDeselectsItFirst", dlg::kLinkPage,
     "insert:links:0:a insert:links:1:b insert:links:2:c select:links:0,1 delete:links:2 "
     "delete:links:1 selection:links",
     "inserted links/0; inserted links/1; inserted links/2; changed links/0; changed links/1; "
     "deleted links/2; changed links/1; deleted links/1; selected 1 first 0"},
    {"TabAndShiftTabThroughTheMainWindow", dlg::kMain, "tab tab tab tab tab tab tab back back back",
     "focus location; focus creat_html; focus create; focus cancel; focus vertical; focus bars; "
     "focus name; focus bars; focus vertical; focus cancel"},
    // The click moves the focus to the button, and checks it: the checked one is the tab stop.
    {"TheCheckedRadioButtonIsTheTabStop", dlg::kMain,
     "click:horizontal check:vertical:0 enable:delete focus:cancel tab tab tab back back",
     "clicked horizontal; focus horizontal; focus delete; focus bars; focus delete; focus "
     "horizontal"},
    // The two kinds are one group: the arrow keys move round it and choose as a click does.
    {"ArrowKeysMoveAndChooseInTheRadioGroup", dlg::kMain,
     "focus:vertical up checked:vertical up down checked:horizontal tab",
     "clicked horizontal; focus horizontal; checked 0; clicked vertical; focus vertical; clicked "
     "horizontal; focus horizontal; checked 1; focus bars"},
    {"TheDeleteKeyInAList", dlg::kLinkPage, "insert:links:0:a focus:links del focus:link_name del",
     "inserted links/0; delete key links; focus links; focus link_name"},
    // The description is the last tab stop; Tab leaves it as any field.
    {"TabThroughTheLinkPage", dlg::kLinkPage, "tab tab tab tab tab tab tab tab back",
     "focus url; focus add; focus ok; focus title_check; focus cancel; focus links; focus "
     "description; focus link_name; focus description"},
    {"EnterClicksTheFocusedButtonElseGivesOk", dlg::kLinkPage,
     "enter escape focus:add enter escape focus:cancel enter",
     "ok; focus link_name; cancel; focus link_name; clicked add; focus add; cancel; focus add; "
     "cancel; focus cancel"},
    {"EnterInAWindowWithoutButtonOne", dlg::kMain, "enter", "ok; focus name"},
    // A box takes the focus while it is open; the help viewer's stand-in opens no window.
    {"MessageBoxesHelpAndTheSystemMenu", dlg::kLinkPage,
     "message:Careful. error:Disk-full. focus:add f1 boxes sysmenu",
     "focus add; ! Careful.; x Disk-full.; help; system 16"},
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
