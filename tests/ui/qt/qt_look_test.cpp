// The real windows on a Linux desktop: its font, nothing clipped, all on a laptop's screen.
#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QTreeWidget>

#include "tests/support/registration_fakes.h"
#include "tests/support/temp_dir.h"
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
      // A whole GUID shows in the first column of the bar list, also one of the widest digits,
      // beside a name column of at least 100 pixels at the screen's dpi, without scrolling
      // sideways; a longer name shows whole in its tooltip.
      if (window.objectName().toInt() != dlg::kMain) return;
      auto* list = qobject_cast<QTreeWidget*>(window.Control(idc::kBarList));
      QHeaderView* columns = list->header();
      for (QChar d : QStringLiteral("0123456789ABCDEF")) {
        const QString guid =
            QStringLiteral("{%1-%2-%2-%2-%3}").arg(QString(8, d), QString(4, d), QString(12, d));
        window.InsertRow(idc::kBarList, 0, guid.toStdString());
        QVERIFY(columns->fontMetrics().horizontalAdvance(guid) + 6 <= columns->sectionSize(0));
      }
      QVERIFY(columns->sectionSize(1) >= 100 * list->logicalDpiX() / 96);
      const int scroll_bar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
      QVERIFY(columns->length() <= list->viewport()->width() - scroll_bar);
      for (const QString& name : {QStringLiteral("Tide tables"), QString(40, u'W')}) {
        window.SetCell(idc::kBarList, 0, 1, name.toStdString());
        const bool longer =
            columns->fontMetrics().horizontalAdvance(name) > columns->sectionSize(1);
        QCOMPARE(list->topLevelItem(0)->data(1, Qt::ToolTipRole).toString(),
                 longer ? name : QString());
      }
    });
  }

  // The selected bar stays marked, in a colour of its own, with the focus on Delete.
  void SelectionShowsWithoutTheFocus() {
    ForEachWindow([](QtDialogWindow& window) {
      if (window.objectName().toInt() != dlg::kMain) return;
      QApplication::setActiveWindow(&window);
      auto* list = qobject_cast<QTreeWidget*>(window.Control(idc::kBarList));
      window.InsertRow(idc::kBarList, 0, "{6A1C2E40-9D3B-4F55-8C21-0B7E2D9F4A13}");
      window.Enable(idc::kDelete, true);
      window.SetFocus(idc::kBarList);
      list->topLevelItem(0)->setSelected(true);
      QTest::keyClick(list, Qt::Key_Backtab, Qt::ShiftModifier);
      QCOMPARE(QApplication::focusWidget(), window.Control(idc::kDelete));
      QVERIFY(list->topLevelItem(0)->isSelected());
      for (auto group : {QPalette::Active, QPalette::Inactive}) {
        QVERIFY(list->palette().color(group, QPalette::Highlight) !=
                list->palette().color(group, QPalette::Base));
      }
    });
  }

  // Another process adds a bar while the window is open: the list shows it unasked.
  void TheListFollowsTheFile() {
    const testing::TempDir data;
    QtDialogPlatform platform;
    platform.SetShownHook([&](QtDialogWindow& window) {
      [&] {  // the window ends also when a check fails
        QProcess cli;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(data.File("")));
        cli.setProcessEnvironment(environment);
        cli.start(QStringLiteral(QUILLBAY_CLI), {"add", "Harbour", "http://example.com/"});
        QVERIFY(cli.waitForFinished() && cli.exitCode() == 0);
        QVERIFY(QTest::qWaitFor([&] { return window.RowCount(idc::kBarList) == 1; }, 5000));
        QCOMPARE(window.GetCell(idc::kBarList, 0, 1), std::string("Harbour"));
      }();
      window.EndDialog(DialogResult::kCancel);
    });
    testing::MemoryRegistryStore store;
    testing::ScriptedGuidSource guids;
    Bars bars(store, guids, data.File("quillbay/bkupRegKeyf"));
    CQuillbayDlg(platform, bars).DoModal();
  }
};

}  // namespace quillbay

QTEST_MAIN(quillbay::QtLookTest)
#include "qt_look_test.moc"
