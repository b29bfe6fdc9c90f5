#pragma once

#include <vector>

#include "linkpage/link_page.h"
#include "ui/dialog.h"

namespace quillbay {

// The window that collects links, an optional title and a path, and writes the link page.
// The list control is the only store of the rows; nothing is kept between two runs.
class CLinkPageDlg : public CDialog {
 public:
  explicit CLinkPageDlg(DialogPlatform& platform);

 protected:
  void OnInitDialog() override;
  void OnEvent(int control_id, ControlEvent event, int item) override;
  void OnOK() override;

 private:
  void OnAddLinkClicked();
  void OnTitleCheckClicked();
  void OnLinkListCountChanged();
  void OnDeleteLinkClicked();
  void OnLinkListItemChanged();

  std::vector<LinkEntry> Links() const;
};

}  // namespace quillbay
