#pragma once

#include <cstdint>
#include <vector>

#include "resources/dialog_templates.h"

namespace quillbay {

// The in-memory DLGTEMPLATE of `layout` for DialogBoxIndirectParamA: the window and control
// styles mapped from the template's flags, texts in UTF-16 from the ANSI code page, the font
// set with DS_SETFONT. The bytes start DWORD-aligned, as the dialog manager needs.
std::vector<std::uint32_t> BuildDialogTemplate(const DialogTemplate& layout);

// The styles of one control as the dialog manager gets them.
struct Win32ControlStyle {
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
};
Win32ControlStyle MapControlStyle(const ControlTemplate& control);

// The dialog's own style and extended style.
Win32ControlStyle MapDialogStyle(const DialogTemplate& layout);

}  // namespace quillbay
