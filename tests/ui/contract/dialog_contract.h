#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/dialog.h"

namespace quillbay::contract {

enum class UserKey { kTab, kShiftTab, kEnter, kEscape, kF1, kUp, kDown, kDelete };

// What each back end lets the contract do as the user on its open window.
class User {
 public:
  virtual ~User() = default;
  virtual void Press(UserKey key) = 0;
  virtual void Click(int id) = 0;
  virtual void Select(int list, const std::vector<int>& rows) = 0;  // as clicks with Ctrl
  virtual int Focus() = 0;  // the focused control's id, 0 when none
  virtual void ChooseLastSystemMenuItem() = 0;
  // Boxes closed with OK and help requests since the last call: "! TEXT", "x TEXT" (stop
  // icon) or "help", with " in CAPTION" unless the caption is the program's name.
  virtual std::vector<std::string> TakeBoxes() = 0;
};

using Script = std::function<void(User&)>;

// Per back end: its platform, and a modal run of `dialog` calling `script`, then ending it.
DialogPlatform& BackEndPlatform();
void RunOnBackEnd(CDialog& dialog, const Script& script);

}  // namespace quillbay::contract
