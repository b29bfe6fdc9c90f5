// The real windows on a Linux desktop: its font, nothing clipped, all on a laptop's screen.
#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QTreeWidget>

#include "tests/support/registration_fakes.h"
#include "ui/about_dlg.h"
#include "ui/link_page_dlg.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_dialog_window.h"
#include "ui/quillbay_dlg.h"

namespace quillbay {

static void ForEachWindow(const std::function<void(QtDialogWindow&)>& check) {
  QtDialogPlatform platform;
  platform.SetShownHook([&](QtDialogWindow& window) {
    check(window);
    window.EndDialog(DialogResult::kCancel);
  });
  testing::MemoryRegistryStore store;
  testing::ScriptedGuidSource guids;
  CAboutDlg(platform).DoModal();
  Bars bars(store, guids, std::string("/nonexistent/bkupRegKeyf"));  // only read
  CQuillbayDlg(platform, bars).DoModal();
  CLinkPageDlg(platform).DoModal();
}

class QtLookTest : public QObject {
  Q_OBJECT

 private slots:
  void DesktopFontNothingClippedAndAllOnScreen_data() {
    QTest::addColumn<int>("points");
    for (int points = 9; points <= 14; ++points)
      QTest::newRow(qPrintable(QString::number(points))) << points;
  }
  // The screen is a 1366 x 768 laptop's less a 32-pixel panel (laptop_screen.json), at the
  // scale ctest sets. Each window with a title bar fits in it, or its contents scroll; at
  // 10 pt and scale 1 the link page fits without scrolling.
  void DesktopFontNothingClippedAndAllOnScreen() {
    constexpr int kTitleBar = 37;  // as tall as the title bars of common desktops
    QFETCH(int, points);
    QApplication::setFont(QFont(QApplication::font().family(), points));
    ForEachWindow([&](QtDialogWindow& window) {
      QCOMPARE(window.font().pointSize(), points);
      const int room = window.screen()->availableGeometry().height() - kTitleBar;
      const auto* scroll = window.findChild<QScrollArea*>();
      const bool scrolls = scroll != nullptr && scroll->widget()->height() > window.height();
      QVERIFY(window.height() <= room);
      QVERIFY(scroll == nullptr || scrolls);  // scrolling only when it must
      if (window.objectName().toInt() == dlg::kLinkPage && points == 10 &&
          window.devicePixelRatio() == 1) {
        QVERIFY(!scrolls);
      }
      for (QWidget* w : window.findChildren<QWidget*>()) {
        const QByteArray what = (window.objectName() + " " + w->objectName()).toUtf8();
        const QFontMetrics font = w->fontMetrics();
        if (auto* label = qobject_cast<QLabel*>(w); label && label->pixmap().isNull()) {
          // A label with room for one line keeps its text on it; a taller one wraps within it.
          QVERIFY2(label->wordWrap() && label->height() >= 2 * font.height()
                       ? label->heightForWidth(label->width()) <= label->height()
                       : font.horizontalAdvance(label->text()) <= label->width(),
                   what);
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
          const int needed = w->inherits("QPushButton")
                                 ? font.horizontalAdvance(button->text().remove('&')) + 8
                                 : w->sizeHint().width();
          QVERIFY2(needed <= w->width(), what);
        }
      }
      // A whole GUID shows in the first column of the bar list, also one of the widest digits.
      if (window.objectName().toInt() != dlg::kMain) return;
      QHeaderView* columns = qobject_cast<QTreeWidget*>(window.Control(idc::kBarList))->header();
      for (QChar d : QStringLiteral("0123456789ABCDEF")) {
        const QString guid =
            QStringLiteral("{%1-%2-%2-%2-%3}").arg(QString(8, d), QString(4, d), QString(12, d));
        window.InsertRow(idc::kBarList, 0, guid.toStdString());
        QVERIFY(columns->fontMetrics().horizontalAdvance(guid) + 6 <= columns->sectionSize(0));
      }
    });
  }
};

}  // namespace quillbay

QTEST_MAIN(quillbay::QtLookTest)
#include "qt_look_test.moc"
