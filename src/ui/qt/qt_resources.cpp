#include "ui/qt/qt_resources.h"

#include <QFileInfo>
#include <QGuiApplication>

#include "resources/dialog_templates.h"

namespace quillbay {

QIcon LoadIconResource(int id) {
  // The program icon is drawn at every size of the icon theme, so it stays sharp at any scale.
  if (id == res::kProgramIcon) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
      icon.addFile(QStringLiteral(":/icons/quillbay_%1.png").arg(size), QSize(size, size));
    }
    return icon;
  }
  return QIcon(QStringLiteral(":/icon_%1.png").arg(id));
}

QPixmap LoadBitmapResource(int id) {
  // On a screen at twice the scale or more, the picture drawn at twice the size.
  if (qApp->devicePixelRatio() > 1.0) {
    QPixmap sharp(QStringLiteral(":/bitmap_%1@2x.png").arg(id));
    if (!sharp.isNull()) {
      sharp.setDevicePixelRatio(2.0);
      return sharp;
    }
  }
  return QPixmap(QStringLiteral(":/bitmap_%1.bmp").arg(id));
}

QString ApplicationTitle() {
  return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

}  // namespace quillbay
