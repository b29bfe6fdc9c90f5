// The Win32 back end's real windows under a display: built by the dialog manager from the
// template tables, driven the way mouse and keyboard drive them, with the real registry.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "linkpage/link_page.h"
#include "registration/win32/win32_registry_store.h"
#include "resources/dialog_templates.h"
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

std::string Program() {
  return ApplicationTitleOf(ModulePath());
}

// The window the dialog manager made holds every control of the template, of the right class.
void ExpectBuiltFromTemplate(HWND w, int template_id) {
  for (const ControlTemplate& control : FindDialogTemplate(template_id)->controls) {
    if (control.id == idc::kStatic) continue;
    const HWND item = GetDlgItem(w, control.id);
    ASSERT_NE(item, nullptr) << control.id;
    const char* expected =
        control.kind == ControlKind::kEdit         ? "Edit"
        : control.kind == ControlKind::kReportList ? "SysListView32"
        : control.kind == ControlKind::kLabel || control.kind == ControlKind::kPicture ? "Static"
                                                                                       : "Button";
    EXPECT_EQ(ClassOf(item), expected) << control.id;
  }
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
    ExpectBuiltFromTemplate(w, dlg::kMain);
    const int rows_before = Rows(w, idc::kBarList);
    // The edit control announces the text set back, so both separators go: one box each.
    SetText(w, idc::kBarName, "Tide;bar,");
    EXPECT_EQ(Text(w, idc::kBarName), "Tidebar");
    ASSERT_EQ(boxes_.boxes().size(), 2u);
    EXPECT_EQ(boxes_.boxes()[0].caption, Program());
    EXPECT_EQ(boxes_.boxes()[0].owner, w);
    EXPECT_EQ(boxes_.boxes()[0].icon, LoadIconA(nullptr, IDI_EXCLAMATION));
    Type(w, idc::kBarName, " x");
    SetText(w, idc::kLocation, "http://www.example.com/tide.htm");
    Click(w, idc::kHorizontal);
    Click(w, idc::kCreate);
    ASSERT_EQ(Rows(w, idc::kBarList), rows_before + 1);
    id = Cell(w, idc::kBarList, rows_before, 0);
    ASSERT_EQ(id.size(), 38u);

    const std::string class_key = "\"HKCR\\CLSID\\" + id + "\"";
    const std::string bar_key =
        "\"HKLM\\Software\\Microsoft\\Internet Explorer\\Explorer Bars\\" + id + "\"";
    for (const char* view : {" /reg:64", " /reg:32"}) {
      SCOPED_TRACE(view);
      const ProcessResult class_entry = RunReg("query " + class_key + view);
      EXPECT_EQ(class_entry.exit_code, 0u) << class_entry.output;
      EXPECT_THAT(class_entry.output, HasSubstr("Tidebar x"));
      const ProcessResult horizontal =
          RunReg("query " + class_key.substr(0, class_key.size() - 1) +
                 "\\Implemented Categories\\{00021494-0000-0000-C000-000000000046}\"" + view);
      EXPECT_EQ(horizontal.exit_code, 0u) << horizontal.output;
      const ProcessResult bar_entry = RunReg("query " + bar_key + view);
      EXPECT_EQ(bar_entry.exit_code, 0u) << bar_entry.output;
    }
    EXPECT_THAT(ReadFile(*backup).value_or(""), HasSubstr(id + ",Tidebar x;\r\n"));

    SelectRows(w, idc::kBarList, {rows_before});
    Click(w, idc::kDelete);
    EXPECT_EQ(Rows(w, idc::kBarList), rows_before);
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
    ExpectBuiltFromTemplate(w, dlg::kLinkPage);
    EXPECT_EQ(Text(w, idc::kUrl), "http://");
    SetText(w, idc::kLinkName, "Local data");
    SetText(w, idc::kUrl, "file:///c:/data.htm");
    Click(w, idc::kAddLink);
    SetText(w, idc::kLinkName, "News");
    SetText(w, idc::kUrl, "http://news.example.com/");
    Click(w, idc::kAddLink);
    Click(w, idc::kTitleCheck);
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
    const HMENU menu = GetSystemMenu(w, FALSE);
    EXPECT_EQ(GetMenuItemID(menu, GetMenuItemCount(menu) - 1), static_cast<UINT>(kAboutCommand));
    SendMessageA(w, WM_SYSCOMMAND, kAboutCommand, 0);
    // F1 in the name box, then Enter there: the OK command ends the main window.
    SendMessageA(w, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(w, idc::kBarName)), TRUE);
    PressKey(w, VK_F1);
    PressKey(w, VK_RETURN);
  });
  driver_.OnShown(dlg::kAbout, [&](HWND w) {
    EXPECT_EQ(GetWindow(w, GW_OWNER), main_window);
    // A file error's box: the stop icon, over the window open at the time.
    platform_.ShowError("Disk full while accessing C:\\links.htm.");
    ASSERT_EQ(boxes_.boxes().size(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].icon, LoadIconA(nullptr, IDI_HAND));
    EXPECT_EQ(boxes_.boxes()[0].owner, w);
    Click(w, idc::kOk);
  });

  Win32RegistryStore store;
  SystemGuidSource guids;
  CQuillbayDlg dlg(platform_, store, guids, DefaultBackupPath());
  EXPECT_EQ(dlg.DoModal(), DialogResult::kOk);
  EXPECT_THAT(driver_.shown(), ElementsAre(dlg::kMain, dlg::kAbout));
  EXPECT_EQ(help_owner, main_window);
  EXPECT_EQ(help_file, HelpFilePathOf(ModulePath()));
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
