#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace quillbay {

// Dialog templates as data: both back ends build their windows from these tables, so the
// layout is written once. Positions and sizes are in dialog units.

namespace dlg {
inline constexpr int kAbout = 100;
inline constexpr int kMain = 102;
inline constexpr int kLinkPage = 130;
}  // namespace dlg

namespace res {
inline constexpr int kSampleBitmap = 144;
inline constexpr int kProgramIcon = 145;
}  // namespace res

// Control identifiers.
namespace idc {
inline constexpr int kStatic = -1;
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
// Main window.
inline constexpr int kCreate = 1000;
inline constexpr int kHorizontal = 1003;
inline constexpr int kVertical = 1004;
inline constexpr int kBarName = 1007;
inline constexpr int kBarNameLabel = 1008;
inline constexpr int kTypeGroup = 1009;
inline constexpr int kLocation = 1010;
inline constexpr int kLocationLabel = 1012;
inline constexpr int kLocationExample = 1013;
inline constexpr int kDelete = 1017;
inline constexpr int kBarList = 1020;
inline constexpr int kCreateHtml = 1021;
// Link page window.
inline constexpr int kLinkName = 1007;
inline constexpr int kUrl = 1010;
inline constexpr int kSampleImage = 1023;
inline constexpr int kAddInstructions = 1025;
inline constexpr int kSampleCaption = 1027;
inline constexpr int kAddLink = 1028;
inline constexpr int kLinkList = 1031;
inline constexpr int kLinkNameLabel = 1032;
inline constexpr int kUrlLabel = 1033;
inline constexpr int kSaveInstructions = 1034;
inline constexpr int kPath = 1035;
inline constexpr int kPathLabel = 1036;
inline constexpr int kTitleCheck = 1037;
inline constexpr int kTitle = 1038;
inline constexpr int kDeleteLink = 1039;
inline constexpr int kDescription = 1040;
}  // namespace idc

// System-menu command of the About item.
inline constexpr int kAboutCommand = 16;

enum class ControlKind {
  kEdit,         // single-line edit box, or multi-line with kMultiLine
  kPushButton,   // kDefault makes it the default button
  kCheckBox,     // toggles itself when clicked
  kRadioButton,  // checks itself and unchecks the others of its group when clicked
  kGroupBox,
  kLabel,
  kPicture,     // shows bitmap `resource`
  kReportList,  // report-style list view
};

// Control styles, named for what they mean rather than for one toolkit's bits.
namespace cs {
inline constexpr std::uint32_t kTabStop = 1u << 0;
inline constexpr std::uint32_t kGroup = 1u << 1;  // starts a group
inline constexpr std::uint32_t kBorder = 1u << 2;
inline constexpr std::uint32_t kAutoHScroll = 1u << 3;  // edit box scrolls horizontally
inline constexpr std::uint32_t kDefault = 1u << 4;      // the default push button
inline constexpr std::uint32_t kMultiLine = 1u << 5;
inline constexpr std::uint32_t kReadOnly = 1u << 6;
inline constexpr std::uint32_t kStaticEdge = 1u << 7;    // thin sunken edge
inline constexpr std::uint32_t kNoPrefix = 1u << 8;      // '&' shown as it is
inline constexpr std::uint32_t kCenterImage = 1u << 9;   // label text centred vertically
inline constexpr std::uint32_t kNoLabelWrap = 1u << 10;  // list: item labels not wrapped
// list: the selection shown also while the focus is elsewhere
inline constexpr std::uint32_t kShowSelAlways = 1u << 11;
}  // namespace cs

// Window styles of a dialog.
namespace ws {
inline constexpr std::uint32_t kSysMenu = 1u << 0;  // title bar with system menu
inline constexpr std::uint32_t kModalFrame = 1u << 1;
inline constexpr std::uint32_t kAppWindow = 1u << 2;  // a taskbar button of its own
}  // namespace ws

struct ControlTemplate {
  int id;
  ControlKind kind;
  std::string_view text;
  int x, y, cx, cy;
  std::uint32_t style;
  int resource = 0;  // bitmap of a picture control
};

// Controls are listed in tab order.
struct DialogTemplate {
  int id;
  std::string_view caption;
  int cx, cy;
  std::string_view font;
  int point_size;
  std::uint32_t style;
  std::span<const ControlTemplate> controls;
};

// The group of control `index` of `layout`, as the dialog manager groups controls: a group
// starts at a control with kGroup, at a label (as a resource compiler's LTEXT does) and at
// the first control, and runs to the next start. The arrow keys move within a group.
std::span<const ControlTemplate> GroupOf(const DialogTemplate& layout, std::size_t index);

// The template numbered `id`, or nullptr when there is none.
const DialogTemplate* FindDialogTemplate(int id);

}  // namespace quillbay
