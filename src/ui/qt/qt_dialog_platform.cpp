#include "ui/qt/qt_dialog_platform.h"

#include <QAction>
#include <QPushButton>

#include "resources/dialog_templates.h"
#include "resources/string_table.h"
#include "ui/dialog.h"
#include "ui/qt/qt_dialog_window.h"
#include "ui/qt/qt_look.h"
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
  QMessageBox box(QMessageBox::Information, ApplicationTitle(),
                  ToQString(StringResource(str::kHelpText)), QMessageBox::Ok, ActiveWindow());
  box.setTextFormat(Qt::PlainText);
  box.setWindowFlags(kTitleBarFlags);
  // The main window's About item, offered here too: the help box is where people look for it.
  QAction* about = nullptr;
  if (!open_windows_.empty()) {
    for (QAction* item : open_windows_.front()->SystemMenu().actions()) {
      if (item->data().toInt() == kAboutCommand) about = item;
    }
  }
  QPushButton* about_button =
      about != nullptr ? box.addButton(about->text(), QMessageBox::ActionRole) : nullptr;
  box.exec();
  if (about_button != nullptr && box.clickedButton() == about_button) about->trigger();
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
  box.setWindowFlags(kTitleBarFlags);
  box.exec();
}

}  // namespace quillbay
