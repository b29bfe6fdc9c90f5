#include "ui/quillbay_dlg.h"

#include <limits>
#include <vector>

#include "registration/bar_id.h"
#include "resources/dialog_templates.h"
#include "resources/string_table.h"
#include "ui/about_dlg.h"

namespace quillbay {
namespace {

constexpr std::string_view kCaption = "Tollmere";
constexpr int kIdColumnWidth = 240;
constexpr int kNameColumnWidth = 100;

// A GUID is fixed-width but for its digits' own widths, so the widest one the list can show
// is among these sixteen, each with one digit throughout.
std::vector<std::string> OneDigitBarIds() {
  std::vector<std::string> ids;
  for (unsigned digit = 0; digit < 16; ++digit) {
    const auto byte = static_cast<std::uint8_t>(digit * 0x11);
    Guid guid;
    guid.data1 = byte * 0x01010101u;
    guid.data2 = guid.data3 = static_cast<std::uint16_t>(byte * 0x0101);
    guid.data4.fill(byte);
    ids.push_back(FormatBarId(guid));
  }
  return ids;
}

}  // namespace

CQuillbayDlg::CQuillbayDlg(DialogPlatform& platform, Bars& bars)
    : CDialog(platform, dlg::kMain), manager_(bars, sink_) {}

void CQuillbayDlg::OnInitDialog() {
  AddAboutItem();
  window().SetIcon(res::kProgramIcon);
  window().SetCheck(idc::kVertical, 1);
  window().SetCaption(kCaption);
  window().Enable(idc::kDelete, false);
  window().AddColumn(idc::kBarList, 0, "GUID", kIdColumnWidth);
  window().AddColumn(idc::kBarList, 1, "Bar name", kNameColumnWidth);
  window().FitColumn(idc::kBarList, 0, OneDigitBarIds());
  manager_.Open();
  // Another window or the command line may change the list while this one is open.
  if (const auto& path = manager_.list_path()) window().WatchFile(*path);
}

void CQuillbayDlg::AddAboutItem() {
  if (!window().HasSystemMenu()) return;
  const std::string_view text = StringResource(str::kAboutMenuItem);
  if (text.empty()) return;
  window().AppendSystemMenuSeparator();
  window().AppendSystemMenuItem(kAboutCommand, text);
}

void CQuillbayDlg::OnEvent(int control_id, ControlEvent event, int /*item*/) {
  switch (event) {
    case ControlEvent::kClicked:
      switch (control_id) {
        case idc::kCreate:
          return OnCreateClicked();
        case idc::kHorizontal:
          return OnHorizontalClicked();
        case idc::kVertical:
          return OnVerticalClicked();
        case idc::kDelete:
          return OnDeleteClicked();
        case idc::kCreateHtml:
          return OnCreateHtmlClicked();
        default:
          return;
      }
    case ControlEvent::kTextChanged:
      if (control_id == idc::kBarName) return OnBarNameChanged();
      if (control_id == idc::kLocation) return OnLocationChanged();
      return;
    case ControlEvent::kItemChanged:
      if (control_id == idc::kBarList) return OnBarListItemChanged();
      return;
    case ControlEvent::kDeleteKey:
      // The Delete key in the list does what the Delete button does, while it is enabled.
      if (control_id == idc::kBarList && manager_.delete_enabled()) return OnDeleteClicked();
      return;
    case ControlEvent::kItemInserted:
    case ControlEvent::kItemDeleted:
      return;
  }
}

bool CQuillbayDlg::OnSystemMenuCommand(int command) {
  if ((command & 0xFFF0) != kAboutCommand) return false;
  CAboutDlg about(platform());
  about.DoModal();
  return true;
}

void CQuillbayDlg::OnCreateClicked() {
  const std::string location = window().GetText(idc::kLocation);
  const std::string name = window().GetText(idc::kBarName);
  manager_.CreateBar(name, location);
}

void CQuillbayDlg::OnHorizontalClicked() {
  manager_.ChooseKind(BarKind::kHorizontal);
  window().SetCheck(idc::kVertical, 0);
}

void CQuillbayDlg::OnVerticalClicked() {
  manager_.ChooseKind(BarKind::kVertical);
  window().SetCheck(idc::kHorizontal, 0);
}

void CQuillbayDlg::OnDeleteClicked() {
  manager_.DeleteSelected();
}

void CQuillbayDlg::OnBarNameChanged() {
  FilterBox(idc::kBarName);
}

void CQuillbayDlg::OnLocationChanged() {
  FilterBox(idc::kLocation);
}

void CQuillbayDlg::FilterBox(int control_id) {
  if (const std::optional<std::string> filtered =
          manager_.FilterSeparators(window().GetText(control_id))) {
    window().SetText(control_id, *filtered);
  }
}

void CQuillbayDlg::OnCreateHtmlClicked() {
  link_page_.DoModal();
}

void CQuillbayDlg::OnBarListItemChanged() {
  // The count first: with nothing selected, as all through the fill, no back end needs to
  // look for the first selected row.
  const int count = window().SelectedCount(idc::kBarList);
  manager_.SelectionChanged(count > 0 ? window().FirstSelectedRow(idc::kBarList) : -1, count);
}

void CQuillbayDlg::Sink::ShowMessage(std::string_view text) {
  dlg_.platform().ShowMessage(text);
}

void CQuillbayDlg::Sink::ShowFileError(const FileError& error) {
  dlg_.platform().ShowError(FileErrorText(error));
}

void CQuillbayDlg::Sink::RowAppended(const BarRow& row) {
  DialogWindow& w = dlg_.window();
  // Any position past the end lands at the end; asking the list for its count first would
  // cost a message per row on Windows.
  const int index = w.InsertRow(idc::kBarList, std::numeric_limits<int>::max(), row.id);
  w.SetCell(idc::kBarList, index, 1, row.name);
}

void CQuillbayDlg::Sink::RowRemoved(std::size_t index) {
  dlg_.window().DeleteRow(idc::kBarList, static_cast<int>(index));
}

void CQuillbayDlg::Sink::DeleteEnabledChanged(bool enabled) {
  dlg_.window().Enable(idc::kDelete, enabled);
}

}  // namespace quillbay
