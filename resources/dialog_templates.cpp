#include "resources/dialog_templates.h"

#include <array>

namespace quillbay {
namespace {

using K = ControlKind;
constexpr std::uint32_t kEditStyle = cs::kTabStop | cs::kBorder | cs::kAutoHScroll;

constexpr std::array kAboutControls{
    ControlTemplate{idc::kStatic, K::kLabel, "Quillbay Version 1.0", 40, 10, 119, 8, cs::kNoPrefix},
    ControlTemplate{idc::kStatic, K::kLabel, "Copyright (C) 2026", 40, 25, 119, 8, 0},
    ControlTemplate{idc::kOk, K::kPushButton, "OK", 178, 7, 50, 14,
                    cs::kTabStop | cs::kGroup | cs::kDefault},
};

constexpr std::array kMainControls{
    ControlTemplate{idc::kBarName, K::kEdit, "", 111, 31, 120, 15, kEditStyle},
    ControlTemplate{idc::kLocation, K::kEdit, "", 113, 78, 118, 15, kEditStyle},
    ControlTemplate{idc::kCreateHtml, K::kPushButton, "Creat HTML", 255, 39, 51, 16, cs::kTabStop},
    ControlTemplate{idc::kCreate, K::kPushButton, "CREATE", 255, 17, 51, 14, cs::kTabStop},
    ControlTemplate{idc::kCancel, K::kPushButton, "OK/Cancel", 257, 165, 51, 14, cs::kTabStop},
    ControlTemplate{idc::kTypeGroup, K::kGroupBox, "Type of bar", 29, 17, 68, 51, 0},
    ControlTemplate{idc::kHorizontal, K::kRadioButton, "Horizontal", 37, 30, 53, 11, cs::kGroup},
    // One group: the arrow keys move between the two and choose.
    ControlTemplate{idc::kVertical, K::kRadioButton, "Vertical", 37, 46, 53, 13, 0},
    ControlTemplate{idc::kBarNameLabel, K::kLabel, "Name of the bar: (E.g: My bar)", 110, 17, 124,
                    9, 0},
    ControlTemplate{idc::kLocationLabel, K::kLabel, "Location:  (E.g 1: c:\\mylocalpage.htm)", 111,
                    52, 126, 9, 0},
    ControlTemplate{idc::kLocationExample, K::kLabel, "(E.g. 2: http://www.example.com)", 143, 65,
                    109, 11, 0},
    ControlTemplate{idc::kDelete, K::kPushButton, "Delete", 257, 121, 45, 13, cs::kTabStop},
    ControlTemplate{idc::kStatic, K::kLabel, "Currently registered bar (s):", 19, 106, 91, 12, 0},
    ControlTemplate{idc::kBarList, K::kReportList, "", 19, 122, 230, 61,
                    cs::kTabStop | cs::kBorder | cs::kNoLabelWrap | cs::kShowSelAlways},
};

constexpr std::array kLinkPageControls{
    ControlTemplate{idc::kLinkName, K::kEdit, "", 13, 45, 134, 17, kEditStyle},
    ControlTemplate{idc::kUrl, K::kEdit, "", 15, 81, 133, 17, kEditStyle},
    ControlTemplate{idc::kAddLink, K::kPushButton, "&Add a link", 175, 45, 41, 14, cs::kTabStop},
    ControlTemplate{idc::kPath, K::kEdit, "", 16, 146, 133, 16, kEditStyle},
    ControlTemplate{idc::kOk, K::kPushButton, "OK", 259, 8, 50, 14, cs::kTabStop | cs::kDefault},
    ControlTemplate{idc::kTitleCheck, K::kCheckBox,
                    "Check this box if you need a title in the file.", 17, 168, 149, 11,
                    cs::kTabStop},
    ControlTemplate{idc::kTitle, K::kEdit, "", 15, 184, 133, 15, kEditStyle},
    ControlTemplate{idc::kDeleteLink, K::kPushButton, "&Delete", 226, 44, 38, 14, cs::kTabStop},
    ControlTemplate{idc::kCancel, K::kPushButton, "Cancel", 259, 24, 50, 14, cs::kTabStop},
    ControlTemplate{idc::kAddInstructions, K::kLabel,
                    "To add the link, fill the link name and URL then press Add button.", 14, 13,
                    218, 17, 0},
    ControlTemplate{idc::kSampleImage, K::kPicture, "", 173, 212, 123, 146, 0, res::kSampleBitmap},
    ControlTemplate{idc::kSampleCaption, K::kLabel, "Sample image of the HTML bar:", 170, 196, 101,
                    11, 0},
    ControlTemplate{idc::kLinkList, K::kReportList, "", 173, 67, 136, 124,
                    cs::kTabStop | cs::kBorder},
    ControlTemplate{idc::kLinkNameLabel, K::kLabel, "LINK NAME:", 15, 31, 78, 11, cs::kCenterImage},
    ControlTemplate{idc::kUrlLabel, K::kLabel, "URL:  ( E.g. http://www.example.com )", 13, 68, 128,
                    11, 0},
    ControlTemplate{idc::kSaveInstructions, K::kLabel,
                    "To save the file, place the file path including the file name in the text "
                    "box below and press OK button.",
                    15, 103, 137, 26, 0},
    ControlTemplate{idc::kPathLabel, K::kLabel, "PATH: ( E.g. c:\\test.htm )", 15, 133, 88, 10, 0},
    // A tab stop, so that the keyboard and a screen reader reach the description.
    ControlTemplate{idc::kDescription, K::kEdit, "", 19, 210, 143, 158,
                    cs::kTabStop | cs::kMultiLine | cs::kReadOnly | cs::kStaticEdge},
};

constexpr std::array kTemplates{
    DialogTemplate{dlg::kAbout, "About Quillbay", 235, 55, "MS Sans Serif", 8,
                   ws::kSysMenu | ws::kModalFrame, kAboutControls},
    DialogTemplate{dlg::kMain, "Quillbay", 324, 197, "MS Sans Serif", 8,
                   ws::kSysMenu | ws::kAppWindow, kMainControls},
    DialogTemplate{dlg::kLinkPage, "Creat a HTML file for the bar", 317, 383, "MS Sans Serif", 8,
                   ws::kSysMenu | ws::kModalFrame, kLinkPageControls},
};

}  // namespace

std::span<const ControlTemplate> GroupOf(const DialogTemplate& layout, std::size_t index) {
  const auto starts = [&](std::size_t i) {
    return i == 0 || (layout.controls[i].style & cs::kGroup) != 0 ||
           layout.controls[i].kind == ControlKind::kLabel;
  };
  std::size_t first = index;
  while (!starts(first)) --first;
  std::size_t end = index + 1;
  while (end < layout.controls.size() && !starts(end)) ++end;
  return layout.controls.subspan(first, end - first);
}

const DialogTemplate* FindDialogTemplate(int id) {
  for (const auto& t : kTemplates) {
    if (t.id == id) return &t;
  }
  return nullptr;
}

}  // namespace quillbay
