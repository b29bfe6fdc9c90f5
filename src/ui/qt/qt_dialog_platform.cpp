#include "ui/qt/qt_dialog_platform.h"

#include "resources/dialog_templates.h"
#include "resources/string_table.h"
#include "ui/dialog.h"
#include "ui/qt/qt_dialog_window.h"
#include "ui/qt/qt_resources.h"

namespace quillbay {

DialogResult QtDialogPlatform::RunModal(CDialog& dialog) {
  const DialogTemplate* layout = FindDialogTemplate(dialog.template_id());
  if (layout == nullptr) return DialogResult::kCancel;
  QtDialogWindow window(*this, dialog, *layout, ActiveWindow());
  open_windows_.push_back(&window);
  const DialogResult result = window.Run();
  open_windows_.pop_back();
  return result;
}

void QtDialogPlatform::ShowMessage(std::string_view text) {
  ShowBox(QMessageBox::Warning, text);
}

void QtDialogPlatform::ShowError(std::string_view text) {
  ShowBox(QMessageBox::Critical, text);
}

void QtDialogPlatform::ShowHelp() {
  ShowBox(QMessageBox::Information, StringResource(str::kHelpText));
}

QtDialogWindow* QtDialogPlatform::ActiveWindow() const {
  return open_windows_.empty() ? nullptr : open_windows_.back();
}

void QtDialogPlatform::ShowBox(QMessageBox::Icon icon, std::string_view text) {
  QString body = ToQString(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(icon, ApplicationTitle(), body, QMessageBox::Ok, ActiveWindow());
  // Messages are plain text even when they contain markup, as in a link page template.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace quillbay
