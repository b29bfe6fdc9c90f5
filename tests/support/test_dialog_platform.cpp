#include "tests/support/test_dialog_platform.h"

namespace quillbay {

void TestWindow::Press(Key key) {
  if (key == Key::kF1) return boxes_.push_back("help");
  if (key == Key::kEscape) return Notify(idc::kCancel, ControlEvent::kClicked);
  if (key == Key::kEnter) {
    const bool on_button = focus_ != 0 && Find(focus_).tmpl->kind == ControlKind::kPushButton;
    return Notify(on_button ? focus_ : idc::kOk, ControlEvent::kClicked);
  }
  if (key == Key::kDelete) {
    if (focus_ != 0 && Find(focus_).tmpl->kind == ControlKind::kReportList)
      Notify(focus_, ControlEvent::kDeleteKey);
    return;
  }
  if (key == Key::kUp || key == Key::kDown) {
    // Round the focused radio button's group; one not yet checked is clicked.
    if (focus_ == 0 || Find(focus_).tmpl->kind != ControlKind::kRadioButton) return;
    const auto group = GroupOf(template_, Index(focus_));
    const auto size = static_cast<std::ptrdiff_t>(group.size());
    std::ptrdiff_t at = std::ranges::find(group, focus_, &ControlTemplate::id) - group.begin();
    for (std::ptrdiff_t i = 1; i < size; ++i) {
      const ControlTemplate& c =
          group[static_cast<std::size_t>((at + (key == Key::kDown ? i : size - i)) % size)];
      if (!Find(c.id).enabled) continue;
      if (c.kind == ControlKind::kRadioButton && Find(c.id).check == 0) return Click(c.id);
      focus_ = c.id;
      return;
    }
    return;
  }
  const int n = static_cast<int>(controls_.size());
  const int step = key == Key::kTab ? 1 : n - 1;
  int at = 0;
  while (at < n && controls_[static_cast<std::size_t>(at)].tmpl->id != focus_) ++at;
  if (at == n) at = key == Key::kTab ? n - 1 : 0;  // no focus yet: from the first or last
  for (int i = 1; i <= n; ++i) {
    const Control& c = controls_[static_cast<std::size_t>((at + i * step) % n)];
    if (c.tab_stop && c.enabled) return (void)(focus_ = c.tmpl->id);
  }
}

DialogResult TestDialogPlatform::RunModal(CDialog& dialog) {
  const DialogTemplate* tmpl = FindDialogTemplate(dialog.template_id());
  const auto script = scripts_.find(dialog.template_id());
  if (tmpl == nullptr || script == scripts_.end()) throw std::logic_error("no script");
  runs_.push_back(tmpl->id);
  TestWindow window(messages_, dialog, *tmpl);
  dialog.Initialize(window);
  if (window.Focus() == 0) window.Press(Key::kTab);
  if (!window.ended()) Script(script->second)(window);  // a copy: the script may register others
  dialog.Closed();
  if (!window.ended()) throw std::logic_error("the script left the window open");
  return window.result();
}

}  // namespace quillbay

// The contract on the in-memory platform, whose window is its own user.
namespace quillbay::contract {

DialogPlatform& BackEndPlatform() {
  static TestDialogPlatform platform;
  return platform;
}

void RunOnBackEnd(CDialog& dialog, const Script& script) {
  static_cast<TestDialogPlatform&>(BackEndPlatform())
      .OnRun(dialog.template_id(), [&](TestWindow& w) {
        script(w);
        w.EndDialog(DialogResult::kCancel);
      });
  dialog.DoModal();
}

}  // namespace quillbay::contract
