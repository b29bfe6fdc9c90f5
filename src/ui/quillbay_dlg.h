#pragma once

#include "registration/bars.h"
#include "ui/bar_manager.h"
#include "ui/dialog.h"
#include "ui/link_page_dlg.h"

namespace quillbay {

// The main window (template 102): the registered bars, CREATE, Delete and "Creat HTML".
// Every action is forwarded to the BarManager, and the window mirrors what the manager
// reports back.
class CQuillbayDlg : public CDialog {
 public:
  CQuillbayDlg(DialogPlatform& platform, Bars& bars);

  const BarManager& manager() const { return manager_; }

 protected:
  void OnInitDialog() override;
  void OnEvent(int control_id, ControlEvent event, int item) override;
  bool OnSystemMenuCommand(int command) override;
  void OnRefresh() override { manager_.Reload(); }

 private:
  // The manager's messages and state changes, shown in this window.
  class Sink final : public BarManagerSink {
   public:
    explicit Sink(CQuillbayDlg& dlg) : dlg_(dlg) {}
    void ShowMessage(std::string_view text) override;
    void ShowFileError(const FileError& error) override;
    void RowAppended(const BarRow& row) override;
    void RowRemoved(std::size_t index) override;
    void DeleteEnabledChanged(bool enabled) override;

   private:
    CQuillbayDlg& dlg_;
  };

  void AddAboutItem();
  void OnCreateClicked();
  void OnHorizontalClicked();
  void OnVerticalClicked();
  void OnDeleteClicked();
  void OnBarNameChanged();
  void OnLocationChanged();
  void OnCreateHtmlClicked();
  void OnBarListItemChanged();
  // Takes the separators out of an edit box; writing the text back notifies the box's
  // change again, which filters the new text.
  void FilterBox(int control_id);

  Sink sink_{*this};
  BarManager manager_;
  CLinkPageDlg link_page_{platform()};
};

}  // namespace quillbay
