#include "ui/win32/win32_dialog_template.h"

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <string>
#include <string_view>

#include "system/win32/text_win32.h"

namespace quillbay {
namespace {

// Predefined window classes by their atoms, as resource compilers write them.
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;

// Appends the little pieces of a template; everything is a multiple of two bytes.
class TemplateWriter {
 public:
  void Word(std::uint16_t value) { words_.push_back(value); }
  void DWord(std::uint32_t value) {
    Word(static_cast<std::uint16_t>(value & 0xFFFF));
    Word(static_cast<std::uint16_t>(value >> 16));
  }
  void Short(int value) { Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(value))); }
  // 8-bit text of the ANSI code page, stored as NUL-terminated UTF-16.
  void Text(std::string_view text) {
    for (wchar_t c : WideText(text)) Word(static_cast<std::uint16_t>(c));
    Word(0);
  }
  void Ordinal(int value) {
    Word(0xFFFF);
    Word(static_cast<std::uint16_t>(value));
  }
  void AlignDWord() {
    if (words_.size() % 2 != 0) Word(0);
  }

  std::vector<std::uint32_t> Take() {
    AlignDWord();
    std::vector<std::uint32_t> out(words_.size() / 2);
    std::memcpy(out.data(), words_.data(), words_.size() * sizeof(std::uint16_t));
    return out;
  }

 private:
  std::vector<std::uint16_t> words_;
};

bool Has(std::uint32_t flags, std::uint32_t flag) {
  return (flags & flag) != 0;
}

}  // namespace

Win32ControlStyle MapControlStyle(const ControlTemplate& control) {
  const std::uint32_t flags = control.style;
  Win32ControlStyle out;
  out.style = WS_CHILD | WS_VISIBLE;
  if (Has(flags, cs::kTabStop)) out.style |= WS_TABSTOP;
  if (Has(flags, cs::kGroup)) out.style |= WS_GROUP;
  if (Has(flags, cs::kBorder)) out.style |= WS_BORDER;
  if (Has(flags, cs::kStaticEdge)) out.ex_style |= WS_EX_STATICEDGE;

  switch (control.kind) {
    case ControlKind::kEdit:
      out.style |= ES_LEFT;
      if (Has(flags, cs::kAutoHScroll)) out.style |= ES_AUTOHSCROLL;
      if (Has(flags, cs::kMultiLine)) out.style |= ES_MULTILINE;
      if (Has(flags, cs::kReadOnly)) out.style |= ES_READONLY;
      break;
    case ControlKind::kPushButton:
      out.style |=
          static_cast<std::uint32_t>(Has(flags, cs::kDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      break;
    case ControlKind::kCheckBox:
      out.style |= BS_AUTOCHECKBOX;
      break;
    case ControlKind::kRadioButton:
      out.style |= BS_AUTORADIOBUTTON;
      break;
    case ControlKind::kGroupBox:
      out.style |= BS_GROUPBOX;
      break;
    case ControlKind::kLabel:
      // A label ends the group before it, as a resource compiler's LTEXT does.
      out.style |= SS_LEFT | WS_GROUP;
      if (Has(flags, cs::kNoPrefix)) out.style |= SS_NOPREFIX;
      if (Has(flags, cs::kCenterImage)) out.style |= SS_CENTERIMAGE;
      break;
    case ControlKind::kPicture:
      out.style |= SS_BITMAP;
      break;
    case ControlKind::kReportList:
      out.style |= LVS_REPORT;
      if (Has(flags, cs::kNoLabelWrap)) out.style |= LVS_NOLABELWRAP;
      if (Has(flags, cs::kShowSelAlways)) out.style |= LVS_SHOWSELALWAYS;
      break;
  }
  return out;
}

Win32ControlStyle MapDialogStyle(const DialogTemplate& layout) {
  Win32ControlStyle out;
  out.style = WS_POPUP | WS_CAPTION | DS_SETFONT | DS_3DLOOK;
  if (Has(layout.style, ws::kSysMenu)) out.style |= WS_SYSMENU;
  if (Has(layout.style, ws::kModalFrame)) out.style |= DS_MODALFRAME;
  if (Has(layout.style, ws::kAppWindow)) out.ex_style |= WS_EX_APPWINDOW;
  return out;
}

std::vector<std::uint32_t> BuildDialogTemplate(const DialogTemplate& layout) {
  TemplateWriter out;
  const Win32ControlStyle dialog_style = MapDialogStyle(layout);
  out.DWord(dialog_style.style);
  out.DWord(dialog_style.ex_style);
  out.Word(static_cast<std::uint16_t>(layout.controls.size()));
  // Placed at the origin; the window centres itself when it opens.
  out.Short(0);
  out.Short(0);
  out.Short(layout.cx);
  out.Short(layout.cy);
  out.Word(0);  // no menu
  out.Word(0);  // the dialog class
  out.Text(layout.caption);
  out.Word(static_cast<std::uint16_t>(layout.point_size));
  out.Text(layout.font);

  for (const ControlTemplate& control : layout.controls) {
    out.AlignDWord();
    const Win32ControlStyle style = MapControlStyle(control);
    out.DWord(style.style);
    out.DWord(style.ex_style);
    out.Short(control.x);
    out.Short(control.y);
    out.Short(control.cx);
    out.Short(control.cy);
    out.Word(static_cast<std::uint16_t>(control.id));  // -1 becomes 0xFFFF
    switch (control.kind) {
      case ControlKind::kEdit:
        out.Ordinal(kEditAtom);
        break;
      case ControlKind::kPushButton:
      case ControlKind::kCheckBox:
      case ControlKind::kRadioButton:
      case ControlKind::kGroupBox:
        out.Ordinal(kButtonAtom);
        break;
      case ControlKind::kLabel:
      case ControlKind::kPicture:
        out.Ordinal(kStaticAtom);
        break;
      case ControlKind::kReportList:
        out.Text(WC_LISTVIEWA);
        break;
    }
    if (control.kind == ControlKind::kPicture) {
      // The picture control loads the bitmap from the program's resources and takes its size.
      out.Ordinal(control.resource);
    } else {
      out.Text(control.text);
    }
    out.Word(0);  // no creation data
  }
  return out.Take();
}

}  // namespace quillbay
