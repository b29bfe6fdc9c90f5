// The Win32 back end's real windows under a display: built by the dialog manager from the
// template tables, driven the way mouse and keyboard drive them, with the real registry.
#include <windows.h>

#include <commctrl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "linkpage/link_page.h"
#include "registration/win32/win32_registry_store.h"
#include "resources/dialog_templates.h"
#include "resources/string_table.h"
#include "system/guid.h"
#include "ui/quillbay_app.h"
#include "ui/quillbay_dlg.h"
#include "ui/win32/win32_dialog_platform.h"
#include "ui/win32/win32_program.h"
#include "win32_gui_driver.h"

namespace quillbay {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace testing_support;

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Keeps the Windows directory's backup file as it was before the test.
class BackupFileGuard {
 public:
  explicit BackupFileGuard(std::string path) : path_(std::move(path)), saved_(ReadFile(path_)) {}
  ~BackupFileGuard() {
    if (saved_) {
      std::ofstream(path_, std::ios::binary | std::ios::trunc) << *saved_;
    } else {
      DeleteFileA(path_.c_str());
    }
  }
  BackupFileGuard(const BackupFileGuard&) = delete;
  BackupFileGuard& operator=(const BackupFileGuard&) = delete;

 private:
  std::string path_;
  std::optional<std::string> saved_;
};

std::string SystemMenuText(HMENU menu, int position) {
  char text[256] = {};
  GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
  return text;
}

std::string Program() {
  return ApplicationTitleOf(ModulePath());
}

std::string ExpectedClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::kEdit:
      return "Edit";
    case ControlKind::kLabel:
    case ControlKind::kPicture:
      return "Static";
    case ControlKind::kReportList:
      return "SysListView32";
    default:
      return "Button";
  }
}

LONG_PTR StyleOf(HWND dialog, int id) {
  return GetWindowLongPtrA(GetDlgItem(dialog, id), GWL_STYLE);
}

// The window the dialog manager made holds every control of the template, of the right
// class, and the styles the layout asks for.
void ExpectBuiltFromTemplate(HWND w, int template_id) {
  const DialogTemplate* layout = FindDialogTemplate(template_id);
  ASSERT_NE(layout, nullptr);
  for (const ControlTemplate& control : layout->controls) {
    if (control.id == idc::kStatic) continue;
    const HWND item = GetDlgItem(w, control.id);
    ASSERT_NE(item, nullptr) << control.id;
    EXPECT_EQ(ClassOf(item), ExpectedClass(control.kind)) << control.id;
    // A radio button is a tab stop while it is checked, whatever its template says.
    if (control.kind != ControlKind::kRadioButton) {
      EXPECT_EQ((GetWindowLongPtrA(item, GWL_STYLE) & WS_TABSTOP) != 0,
                (control.style & cs::kTabStop) != 0)
          << control.id;
    }
    // The dialog manager draws a bordered control with a sunken edge instead.
    const bool bordered = (GetWindowLongPtrA(item, GWL_STYLE) & WS_BORDER) != 0 ||
                          (GetWindowLongPtrA(item, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
    EXPECT_EQ(bordered, (control.style & cs::kBorder) != 0) << control.id;
  }
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
}

class Win32GuiTest : public ::testing::Test {
 protected:
  Win32DialogPlatform platform_;
  GuiDriver driver_{platform_};
  MessageBoxCloser boxes_;
};

TEST_F(Win32GuiTest, CreatesAndDeletesABarInBothRegistryViews) {
  const std::optional<std::string> backup = DefaultBackupPath();
  ASSERT_TRUE(backup);
  BackupFileGuard keep(*backup);
  std::string id;
  driver_.OnShown(dlg::kMain, [&](HWND w) {
    EXPECT_EQ(ClassOf(w), "#32770");
    char caption[64] = {};
    GetWindowTextA(w, caption, sizeof caption);
    EXPECT_STREQ(caption, "Tollmere");
    EXPECT_TRUE(Checked(w, idc::kVertical));
    EXPECT_FALSE(Checked(w, idc::kHorizontal));
    EXPECT_FALSE(Enabled(w, idc::kDelete));
    EXPECT_THAT(ColumnHeadings(w, idc::kBarList), ElementsAre("GUID", "Bar name"));
    EXPECT_EQ(GetFocus(), GetDlgItem(w, idc::kBarName));
    ExpectBuiltFromTemplate(w, dlg::kMain);
    for (int radio : {idc::kHorizontal, idc::kVertical}) {
      EXPECT_EQ(StyleOf(w, radio) & (BS_TYPEMASK | WS_GROUP), BS_AUTORADIOBUTTON | WS_GROUP);
    }
    EXPECT_EQ(StyleOf(w, idc::kBarList) &
                  (LVS_TYPEMASK | LVS_NOLABELWRAP | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
              LVS_REPORT | LVS_NOLABELWRAP);
    EXPECT_EQ(StyleOf(w, idc::kBarName) & (ES_AUTOHSCROLL | WS_TABSTOP),
              ES_AUTOHSCROLL | WS_TABSTOP);
    const int rows_before = Rows(w, idc::kBarList);

    // Pasted text loses its semicolons, and the text set back notifies again, so the commas
    // go in a second round: one box each.
    SetText(w, idc::kBarName, "a;b,c");
    EXPECT_EQ(Text(w, idc::kBarName), "abc");
    EXPECT_EQ(boxes_.boxes().size(), 2u);
    SetText(w, idc::kBarName, "");
    boxes_.Clear();

    // A comma is refused as it is typed: the box says so and the text loses it.
    Type(w, idc::kBarName, "Tide,");
    ASSERT_EQ(boxes_.boxes().size(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].text, StringResource(str::kCharacterNotAllowed));
    EXPECT_EQ(boxes_.boxes()[0].caption, Program());
    EXPECT_EQ(boxes_.boxes()[0].owner, w);
    EXPECT_EQ(boxes_.boxes()[0].icon, LoadIconA(nullptr, IDI_EXCLAMATION));
    Type(w, idc::kBarName, " bar");
    EXPECT_EQ(Text(w, idc::kBarName), "Tide bar");
    SetText(w, idc::kLocation, "http://www.example.com/tide.htm");

    Click(w, idc::kHorizontal);
    EXPECT_TRUE(Checked(w, idc::kHorizontal));
    EXPECT_FALSE(Checked(w, idc::kVertical));
    Click(w, idc::kCreate);
    ASSERT_EQ(Rows(w, idc::kBarList), rows_before + 1);
    id = Cell(w, idc::kBarList, rows_before, 0);
    EXPECT_EQ(Cell(w, idc::kBarList, rows_before, 1), "Tide bar");
    ASSERT_EQ(id.size(), 38u);

    const std::string class_key = "\"HKCR\\CLSID\\" + id + "\"";
    const std::string bar_key =
        "\"HKLM\\Software\\Microsoft\\Internet Explorer\\Explorer Bars\\" + id + "\"";
    for (const char* view : {" /reg:64", " /reg:32"}) {
      SCOPED_TRACE(view);
      const ProcessResult class_entry = RunReg("query " + class_key + view);
      EXPECT_EQ(class_entry.exit_code, 0u) << class_entry.output;
      EXPECT_THAT(class_entry.output, HasSubstr("Tide bar"));
      const ProcessResult horizontal =
          RunReg("query " + class_key.substr(0, class_key.size() - 1) +
                 "\\Implemented Categories\\{00021494-0000-0000-C000-000000000046}\"" + view);
      EXPECT_EQ(horizontal.exit_code, 0u) << horizontal.output;
      const ProcessResult bar_entry = RunReg("query " + bar_key + view);
      EXPECT_EQ(bar_entry.exit_code, 0u) << bar_entry.output;
    }
    EXPECT_THAT(ReadFile(*backup).value_or(""), HasSubstr(id + ",Tide bar;\r\n"));

    SelectRows(w, idc::kBarList, {rows_before});
    EXPECT_TRUE(Enabled(w, idc::kDelete));
    Click(w, idc::kDelete);
    EXPECT_EQ(Rows(w, idc::kBarList), rows_before);
    EXPECT_FALSE(Enabled(w, idc::kDelete));
    for (const char* view : {" /reg:64", " /reg:32"}) {
      SCOPED_TRACE(view);
      EXPECT_NE(RunReg("query " + class_key + view).exit_code, 0u);
      EXPECT_NE(RunReg("query " + bar_key + view).exit_code, 0u);
    }
    EXPECT_THAT(ReadFile(*backup).value_or(""), Not(HasSubstr(id)));
    PressKey(w, VK_ESCAPE);
  });

  Win32RegistryStore store;
  SystemGuidSource guids;
  CQuillbayApp app(platform_, store, guids, backup);
  EXPECT_EQ(app.Run(), 0);
  EXPECT_THAT(driver_.shown(), ElementsAre(dlg::kMain));
  EXPECT_FALSE(id.empty());
}

TEST_F(Win32GuiTest, CreatHtmlWritesTheLinkPage) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string page = std::string(temp) + "quillbay-gui-links.htm";
  DeleteFileA(page.c_str());
  HWND main_window = nullptr;

  driver_.OnShown(dlg::kMain, [&](HWND w) {
    main_window = w;
    Click(w, idc::kCreateHtml);
    // The link page window ran over this one and is gone again.
    EXPECT_TRUE(IsWindowEnabled(w));
    PressKey(w, VK_ESCAPE);
  });
  driver_.OnShown(dlg::kLinkPage, [&](HWND w) {
    EXPECT_EQ(GetWindow(w, GW_OWNER), main_window);
    EXPECT_FALSE(IsWindowEnabled(main_window));
    EXPECT_EQ(Text(w, idc::kUrl), "http://");
    EXPECT_FALSE(Enabled(w, idc::kPath));
    EXPECT_FALSE(Enabled(w, idc::kTitle));
    EXPECT_FALSE(Enabled(w, idc::kDeleteLink));
    EXPECT_EQ(GetFocus(), GetDlgItem(w, idc::kLinkName));
    EXPECT_EQ(Text(w, idc::kDescription), StringResource(str::kLinkPageDescription));
    EXPECT_THAT(ColumnHeadings(w, idc::kLinkList), ElementsAre("Link name", "URL"));
    ExpectBuiltFromTemplate(w, dlg::kLinkPage);

    const LONG_PTR description = StyleOf(w, idc::kDescription);
    EXPECT_EQ(description & (ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL | WS_HSCROLL),
              ES_MULTILINE | ES_READONLY);
    EXPECT_NE(GetWindowLongPtrA(GetDlgItem(w, idc::kDescription), GWL_EXSTYLE) & WS_EX_STATICEDGE,
              0);
    EXPECT_EQ(StyleOf(w, idc::kOk) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(StyleOf(w, idc::kTitleCheck) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_EQ(StyleOf(w, idc::kLinkList) & (LVS_TYPEMASK | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
              LVS_REPORT);
    // The picture shows bitmap 144 at the bitmap's own size.
    EXPECT_EQ(StyleOf(w, idc::kSampleImage) & SS_TYPEMASK, SS_BITMAP);
    const auto bitmap = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageA(w, idc::kSampleImage, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 185);
    EXPECT_EQ(info.bmHeight, 238);
    RECT picture;
    GetClientRect(GetDlgItem(w, idc::kSampleImage), &picture);
    EXPECT_EQ(picture.right, 185);
    EXPECT_EQ(picture.bottom, 238);

    Click(w, idc::kAddLink);  // no link name yet
    ASSERT_EQ(boxes_.boxes().size(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].text, StringResource(str::kNeedLinkNameAndUrl));
    EXPECT_EQ(boxes_.boxes()[0].owner, w);
    EXPECT_EQ(Rows(w, idc::kLinkList), 0);

    SetText(w, idc::kLinkName, "Local data");
    SetText(w, idc::kUrl, "file:///c:/data.htm");
    Click(w, idc::kAddLink);
    EXPECT_TRUE(Enabled(w, idc::kPath));
    SetText(w, idc::kLinkName, "News");
    SetText(w, idc::kUrl, "http://news.example.com/");
    Click(w, idc::kAddLink);
    ASSERT_EQ(Rows(w, idc::kLinkList), 2);
    EXPECT_EQ(Cell(w, idc::kLinkList, 1, 0), "News");
    EXPECT_EQ(Cell(w, idc::kLinkList, 1, 1), "http://news.example.com/");

    SelectRows(w, idc::kLinkList, {1});
    EXPECT_TRUE(Enabled(w, idc::kDeleteLink));
    SelectRows(w, idc::kLinkList, {});
    EXPECT_FALSE(Enabled(w, idc::kDeleteLink));

    Click(w, idc::kTitleCheck);
    EXPECT_TRUE(Enabled(w, idc::kTitle));
    SetText(w, idc::kTitle, "My links");
    SetText(w, idc::kPath, page);
    Click(w, idc::kOk);
  });

  Win32RegistryStore store;
  SystemGuidSource guids;
  CQuillbayApp app(platform_, store, guids, DefaultBackupPath());
  app.Run();
  EXPECT_THAT(driver_.shown(), ElementsAre(dlg::kMain, dlg::kLinkPage));
  EXPECT_EQ(ReadFile(page), BuildLinkPage("My links", {{"Local data", "file:///c:/data.htm"},
                                                       {"News", "http://news.example.com/"}}));
  DeleteFileA(page.c_str());
}

TEST_F(Win32GuiTest, SystemMenuAboutBoxHelpAndEnter) {
  std::string help_file;
  HWND help_owner = nullptr;
  platform_.SetHelpViewer([&](HWND owner, const std::string& file) {
    help_owner = owner;
    help_file = file;
  });
  HWND main_window = nullptr;
  driver_.OnShown(dlg::kMain, [&](HWND w) {
    main_window = w;
    const LONG_PTR style = GetWindowLongPtrA(w, GWL_STYLE);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_NE(GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    const auto big = SendMessageA(w, WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(big, 0);
    EXPECT_NE(SendMessageA(w, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(SendMessageA(w, WM_QUERYDRAGICON, 0, 0), big);

    const HMENU menu = GetSystemMenu(w, FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(kAboutCommand));
    EXPECT_EQ(SystemMenuText(menu, count - 1), "&About Quillbay...");

    SendMessageA(w, WM_SYSCOMMAND, kAboutCommand, 0);
    // F1 in the name box, then Enter there: the OK command ends the main window.
    SetText(w, idc::kBarName, "typed");
    SendMessageA(w, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(w, idc::kBarName)), TRUE);
    PressKey(w, VK_F1);
    PressKey(w, VK_RETURN);
  });
  driver_.OnShown(dlg::kAbout, [&](HWND w) {
    EXPECT_EQ(GetWindow(w, GW_OWNER), main_window);
    EXPECT_NE(GetWindowLongPtrA(w, GWL_STYLE) & DS_MODALFRAME, 0);
    PressKey(w, VK_F1);
    EXPECT_EQ(help_owner, main_window);
    help_owner = nullptr;
    // A file error's box: the stop icon, over the window open at the time.
    platform_.ShowError("Disk full while accessing C:\\links.htm.");
    ASSERT_EQ(boxes_.boxes().size(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].icon, LoadIconA(nullptr, IDI_HAND));
    EXPECT_EQ(boxes_.boxes()[0].owner, w);
    EXPECT_EQ(boxes_.boxes()[0].text, "Disk full while accessing C:\\links.htm.");
    boxes_.Clear();
    Click(w, idc::kOk);
  });

  Win32RegistryStore store;
  SystemGuidSource guids;
  CQuillbayDlg dlg(platform_, store, guids, DefaultBackupPath());
  EXPECT_EQ(dlg.DoModal(), DialogResult::kOk);
  EXPECT_THAT(driver_.shown(), ElementsAre(dlg::kMain, dlg::kAbout));
  EXPECT_EQ(help_owner, main_window);
  EXPECT_EQ(help_file, HelpFilePathOf(ModulePath()));
  EXPECT_THAT(help_file, ::testing::EndsWith(".HLP"));
  EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(Win32GuiTest, CloseFromTheSystemMenuGetsTheDefaultHandling) {
  driver_.OnShown(dlg::kMain, [&](HWND w) { SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); });
  Win32RegistryStore store;
  SystemGuidSource guids;
  CQuillbayDlg dlg(platform_, store, guids, DefaultBackupPath());
  // The close box posts the Cancel command, which the loop handles after the script.
  EXPECT_EQ(dlg.DoModal(), DialogResult::kCancel);
}

TEST(Win32ProgramTest, TitleAndHelpFileFollowTheProgramPath) {
  struct Row {
    const char* path;
    const char* title;
    const char* help;
  };
  for (const Row& row : {
           Row{"C:\\Program Files\\Quillbay\\quillbay.exe", "quillbay",
               "C:\\Program Files\\Quillbay\\quillbay.HLP"},
           Row{"C:\\tools.d\\quillbay", "quillbay", "C:\\tools.d\\quillbay.HLP"},
           Row{"D:quill.bay.exe", "quill.bay", "D:quill.bay.HLP"},
       }) {
    EXPECT_EQ(ApplicationTitleOf(row.path), row.title) << row.path;
    EXPECT_EQ(HelpFilePathOf(row.path), row.help) << row.path;
  }
}

}  // namespace
}  // namespace quillbay
