// Saves a picture of each window, as the offscreen platform draws it, for checking the layout
// by eye. Usage: quillbay_screenshots <folder>
#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <cstdio>

#include "resources/dialog_templates.h"
#include "resources/string_table.h"
#include "ui/dialog.h"
#include "ui/qt/qt_dialog_platform.h"
#include "ui/qt/qt_dialog_window.h"

namespace quillbay {
namespace {

// Fills a window with the state it has after opening, plus a few sample rows.
class SampleDialog final : public CDialog {
 public:
  using CDialog::CDialog;

 protected:
  void OnInitDialog() override {
    DialogWindow& w = window();
    w.SetIcon(res::kProgramIcon);
    if (template_id() == dlg::kMain) {
      w.AppendSystemMenuSeparator();
      w.AppendSystemMenuItem(kAboutCommand, StringResource(str::kAboutMenuItem));
      w.SetCheck(idc::kVertical, 1);
      w.Enable(idc::kDelete, false);
      w.AddColumn(idc::kBarList, 0, "GUID", 240);
      w.AddColumn(idc::kBarList, 1, "Bar name", 100);
      w.InsertRow(idc::kBarList, 0, "{6A1C2E40-9D3B-4F55-8C21-0B7E2D9F4A13}");
      w.SetCell(idc::kBarList, 0, 1, "My bar");
      w.InsertRow(idc::kBarList, 1, "{0F3B8D72-51A4-4E09-B6C8-7D2E91A05C66}");
      w.SetCell(idc::kBarList, 1, 1, "News");
      w.SetText(idc::kBarName, "My bar");
    } else if (template_id() == dlg::kLinkPage) {
      w.SetText(idc::kUrl, "http://");
      w.AddColumn(idc::kLinkList, 0, "Link name", 100);
      w.AddColumn(idc::kLinkList, 1, "URL", 240);
      w.InsertRow(idc::kLinkList, 0, "Local data");
      w.SetCell(idc::kLinkList, 0, 1, "file:///home/data.htm");
      w.Enable(idc::kTitle, false);
      w.Enable(idc::kPath, false);
      w.Enable(idc::kDeleteLink, false);
      w.SetText(idc::kDescription, StringResource(str::kLinkPageDescription));
    }
  }
};

}  // namespace
}  // namespace quillbay

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
  if (!QDir().mkpath(folder.path())) return 1;

  quillbay::QtDialogPlatform platform;
  bool saved_all = true;
  platform.SetShownHook([&](quillbay::QtDialogWindow& window) {
    const QString name = folder.filePath(QStringLiteral("dialog_%1.png").arg(window.objectName()));
    saved_all = window.grab().save(name) && saved_all;
    std::printf("%s\n", qPrintable(name));
    window.EndDialog(quillbay::DialogResult::kCancel);
  });
  for (int id : {quillbay::dlg::kAbout, quillbay::dlg::kMain, quillbay::dlg::kLinkPage}) {
    quillbay::SampleDialog dialog(platform, id);
    dialog.DoModal();
  }
  return saved_all ? 0 : 1;
}
