#include "ui/link_page_dlg.h"

#include <string>

#include "resources/dialog_templates.h"
#include "resources/string_table.h"

namespace quillbay {
namespace {

constexpr int kNameColumn = 0;
constexpr int kUrlColumn = 1;

}  // namespace

CLinkPageDlg::CLinkPageDlg(DialogPlatform& platform) : CDialog(platform, dlg::kLinkPage) {}

void CLinkPageDlg::OnInitDialog() {
  DialogWindow& w = window();
  w.SetText(idc::kUrl, "http://");
  w.AddColumn(idc::kLinkList, kNameColumn, "Link name", 100);
  w.AddColumn(idc::kLinkList, kUrlColumn, "URL", 240);
  w.Enable(idc::kTitle, false);
  w.Enable(idc::kPath, false);
  w.Enable(idc::kDeleteLink, false);
  w.SetText(idc::kDescription, StringResource(str::kLinkPageDescription));
  w.SetFocus(idc::kLinkName);
}

void CLinkPageDlg::OnEvent(int control_id, ControlEvent event, int /*item*/) {
  switch (control_id) {
    case idc::kAddLink:
      if (event == ControlEvent::kClicked) OnAddLinkClicked();
      break;
    case idc::kTitleCheck:
      if (event == ControlEvent::kClicked) OnTitleCheckClicked();
      break;
    case idc::kDeleteLink:
      if (event == ControlEvent::kClicked) OnDeleteLinkClicked();
      break;
    case idc::kLinkList:
      if (event == ControlEvent::kItemInserted || event == ControlEvent::kItemDeleted) {
        OnLinkListCountChanged();
      } else if (event == ControlEvent::kItemChanged) {
        OnLinkListItemChanged();
      } else if (event == ControlEvent::kDeleteKey && window().SelectedCount(idc::kLinkList) > 0) {
        OnDeleteLinkClicked();  // as the Delete button, which is enabled while rows are selected
      }
      break;
    default:
      break;
  }
}

void CLinkPageDlg::OnAddLinkClicked() {
  DialogWindow& w = window();
  const std::string name = w.GetText(idc::kLinkName);
  const std::string url = w.GetText(idc::kUrl);
  if (name.empty() || url.empty()) {
    ShowMessage(str::kNeedLinkNameAndUrl);
    return;
  }
  const int row = w.InsertRow(idc::kLinkList, w.RowCount(idc::kLinkList), name);
  w.SetCell(idc::kLinkList, row, kUrlColumn, url);
}

void CLinkPageDlg::OnTitleCheckClicked() {
  window().Enable(idc::kTitle, window().GetCheck(idc::kTitleCheck) == 1);
}

void CLinkPageDlg::OnLinkListCountChanged() {
  // Once a row has been added the path box stays enabled, also when the list empties again.
  window().Enable(idc::kPath, true);
}

void CLinkPageDlg::OnDeleteLinkClicked() {
  const int row = window().FirstSelectedRow(idc::kLinkList);
  if (row < 0) {
    ShowMessage(str::kSelectItemToDelete);
    return;
  }
  window().DeleteRow(idc::kLinkList, row);
}

void CLinkPageDlg::OnLinkListItemChanged() {
  window().Enable(idc::kDeleteLink, window().SelectedCount(idc::kLinkList) > 0);
}

void CLinkPageDlg::OnOK() {
  DialogWindow& w = window();
  if (w.RowCount(idc::kLinkList) == 0) {
    EndDialog(DialogResult::kOk);
    return;
  }
  const std::string path = w.GetText(idc::kPath);
  // The title box keeps what was typed while the box was checked, and that text is used.
  const std::string title = w.GetText(idc::kTitle);
  if (path.empty()) {
    ShowMessage(str::kNeedPagePath);
    return;
  }
  if (w.GetCheck(idc::kTitleCheck) == 1 && title.empty()) {
    ShowMessage(str::kTitleEmpty);
    return;
  }
  // A failure throws FileError before the window ends: it is shown with its path and
  // cause, and the rows, path and title stay for another try.
  WriteLinkPage(path, title, Links());
  EndDialog(DialogResult::kOk);
}

std::vector<LinkEntry> CLinkPageDlg::Links() const {
  const DialogWindow& w = window();
  std::vector<LinkEntry> links;
  const int count = w.RowCount(idc::kLinkList);
  links.reserve(static_cast<std::size_t>(count));
  for (int row = 0; row < count; ++row) {
    links.push_back(
        {w.GetCell(idc::kLinkList, row, kNameColumn), w.GetCell(idc::kLinkList, row, kUrlColumn)});
  }
  return links;
}

}  // namespace quillbay
