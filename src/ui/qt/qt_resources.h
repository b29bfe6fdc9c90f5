#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace quillbay {

// The program's images, compiled into the executable from the resources folder.
QIcon LoadIconResource(int id);
QPixmap LoadBitmapResource(int id);  // null when the bitmap is not there; sharp at 2x

// The program file's name without folder and extension: the caption of message boxes.
QString ApplicationTitle();

// Text as the controls hold it: std::string carries UTF-8 on this platform.
inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string ToStdString(const QString& text) {
  return text.toStdString();
}

}  // namespace quillbay
