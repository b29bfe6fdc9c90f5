// How the real windows sit on a Linux desktop: the desktop's font at its own size with nothing
// clipped, the whole GUID in view, and a name for screen readers on every field and list.
#include <QAccessible>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "linkpage/link_page_dlg.h"
#include "qt_test_support.h"
#include "tests/support/registration_fakes.h"
#include "ui/about_dlg.h"
#include "ui/quillbay_dlg.h"

namespace quillbay {

// Runs each window once, `check` looking at it while it is on screen.
static void ForEachWindow(const std::function<void(QtDialogWindow&)>& check) {
  QtDialogPlatform platform;
  testing::MemoryRegistryStore store;
  testing::ScriptedGuidSource guids;
  CAboutDlg about(platform);
  CQuillbayDlg main(platform, store, guids, "/nonexistent/bkupRegKeyf");  // only read
  CLinkPageDlg link_page(platform);
  for (CDialog* dialog : std::initializer_list<CDialog*>{&about, &main, &link_page}) {
    RunDriven(platform, *dialog, {{dialog->template_id(), check}});
  }
}

class QtLookTest : public QObject {
  Q_OBJECT

 private slots:
  void DesktopFontWithNothingClipped_data() {
    QTest::addColumn<int>("points");
    for (int points : {9, 10, 11, 13}) QTest::newRow(qPrintable(QString::number(points))) << points;
  }
  void DesktopFontWithNothingClipped() {
    QFETCH(int, points);
    QApplication::setFont(QFont(QApplication::font().family(), points));
    ForEachWindow([&](QtDialogWindow& window) {
      QCOMPARE(window.font().pointSize(), points);
      QCOMPARE(window.MapDialogRect(0, 0, 0, 8).height(),
               qCeil(QFontMetricsF(window.font()).lineSpacing()));
      for (QWidget* w : window.findChildren<QWidget*>()) {
        const QByteArray what = (window.objectName() + " " + w->objectName()).toUtf8();
        const QFontMetrics font = w->fontMetrics();
        if (auto* label = qobject_cast<QLabel*>(w); label && label->pixmap().isNull()) {
          // A label with room for one line keeps its text on it; a taller one wraps within it.
          QVERIFY2(label->wordWrap() && label->height() >= 2 * font.height()
                       ? label->heightForWidth(label->width()) <= label->height()
                       : font.horizontalAdvance(label->text()) <= label->width(),
                   what);
        } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
          QVERIFY2(w->sizeHint().width() <= w->width(), what);
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
          QVERIFY2(font.horizontalAdvance(button->text().remove('&')) + 8 <= w->width(), what);
        }
      }
      // A whole GUID shows in the first column of the bar list, also one of the widest digits.
      if (window.objectName().toInt() != dlg::kMain) return;
      QHeaderView* columns = ControlOf<QTreeWidget>(window, idc::kBarList)->header();
      for (QChar d : QStringLiteral("0123456789ABCDEF")) {
        const QString guid =
            QStringLiteral("{%1-%2-%2-%2-%3}").arg(QString(8, d), QString(4, d), QString(12, d));
        window.InsertRow(idc::kBarList, 0, guid.toStdString());
        QVERIFY(columns->fontMetrics().horizontalAdvance(guid) + 6 <= columns->sectionSize(0));
      }
    });
  }

  // Screen readers hear the label of each field and list, as the accessibility interface says.
  void FieldsCarryTheirLabelsNames() {
    const std::map<std::pair<int, int>, QString> names{
        {{dlg::kMain, idc::kBarName}, "Name of the bar: (E.g: My bar)"},
        {{dlg::kMain, idc::kLocation}, "Location:  (E.g 1: c:\\mylocalpage.htm)"},
        {{dlg::kMain, idc::kBarList}, "Currently registered bar (s):"},
        {{dlg::kLinkPage, idc::kLinkName}, "LINK NAME:"},
        {{dlg::kLinkPage, idc::kUrl}, "URL:  ( E.g. http://www.example.com )"},
        {{dlg::kLinkPage, idc::kPath}, "PATH: ( E.g. c:\\test.htm )"},
        {{dlg::kLinkPage, idc::kTitle}, "Check this box if you need a title in the file."},
        {{dlg::kLinkPage, idc::kLinkList}, "Link name, URL"},
    };
    std::map<std::pair<int, int>, QString> heard;
    ForEachWindow([&](QtDialogWindow& window) {
      for (const auto& [where, name] : names) {
        if (where.first != window.objectName().toInt()) continue;
        heard[where] = QAccessible::queryAccessibleInterface(window.Control(where.second))
                           ->text(QAccessible::Name);
      }
    });
    QCOMPARE(heard, names);
  }
};

}  // namespace quillbay

QTEST_MAIN(quillbay::QtLookTest)
#include "qt_look_test.moc"
