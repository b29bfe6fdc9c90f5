#pragma once

// Helpers for driving Qt windows in tests: run a dialog with a driver per window, and close
// the message boxes it opens.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <map>

#include "ui/dialog.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_dialog_window.h"

namespace quillbay {

using Drivers = std::map<int, std::function<void(QtDialogWindow&)>>;

// Runs `run` (a modal run); `drive` acts on each window once it is on screen, keyed by
// template. A window the driver leaves open is cancelled, so a failing test cannot hang.
template <typename Run>
auto RunDrivenBy(QtDialogPlatform& platform, Drivers drive, Run&& run) {
  platform.SetShownHook([&drive](QtDialogWindow& window) {
    const auto found = drive.find(window.objectName().toInt());
    if (found != drive.end()) found->second(window);
    if (window.isVisible()) window.EndDialog(DialogResult::kCancel);
  });
  auto result = run();
  platform.SetShownHook(nullptr);
  return result;
}

inline DialogResult RunDriven(QtDialogPlatform& platform, CDialog& dialog, Drivers drive) {
  return RunDrivenBy(platform, std::move(drive), [&dialog] { return dialog.DoModal(); });
}

struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int count = 0;
};

// Closes every message box that opens while `context` lives, noting the last one in `seen`.
inline void CloseMessageBoxes(QObject* context, SeenBox* seen) {
  auto* timer = new QTimer(context);
  QObject::connect(timer, &QTimer::timeout, [seen] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      seen->title = box->windowTitle();
      seen->text = box->text();
      seen->icon = box->icon();
      ++seen->count;
      box->button(QMessageBox::Ok)->click();
    }
  });
  timer->start(5);
}

template <typename Widget>
Widget* ControlOf(QtDialogWindow& window, int id) {
  return qobject_cast<Widget*>(window.Control(id));
}

}  // namespace quillbay
