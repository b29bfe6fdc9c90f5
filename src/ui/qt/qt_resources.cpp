#include "ui/qt/qt_resources.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quillbay {

QIcon LoadIconResource(int id) {
  return QIcon(QStringLiteral(":/icon_%1.png").arg(id));
}

QPixmap LoadBitmapResource(int id) {
  return QPixmap(QStringLiteral(":/bitmap_%1.bmp").arg(id));
}

QString ApplicationTitle() {
  return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

}  // namespace quillbay
