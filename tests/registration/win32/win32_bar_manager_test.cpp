// The bar manager on Windows as the program runs it: the system's GUIDs, the Windows
// directory's backup file and the registry in both views.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "registration/bar_manager.h"
#include "registration/win32/win32_registry_store.h"
#include "system/files.h"
#include "win32_registry_probe.h"

namespace quillbay {
namespace {

using ::testing::IsEmpty;
using testing_support::Win32ViewReader;

class RecordingSink : public BarManagerSink {
 public:
  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
  void ShowFileError(const FileError& error) override { messages.push_back(error.Text()); }
  std::vector<std::string> messages;
};

TEST(Win32BarManagerTest, CreatesAndDeletesABarInTheWindowsDirectoryAndTheRegistry) {
  const std::optional<std::string> windows = WindowsDirectory();
  ASSERT_TRUE(windows);
  const std::string backup = JoinPath(*windows, "bkupRegKeyf");
  RemoveFileIfExists(backup);

  Win32RegistryStore store;
  SystemGuidSource guids;
  RecordingSink sink;
  BarManager manager(store, guids, sink, backup);
  manager.Open();
  manager.CreateBar("Daily news", "http://example.org/news.htm");
  ASSERT_EQ(manager.rows().size(), 1u);
  const std::string id = manager.rows()[0].id;
  EXPECT_THAT(sink.messages, IsEmpty());

  EXPECT_EQ(ReadWholeFile(backup), id + ",Daily news;\r\n");
  for (const RegView view : {RegView::k64, RegView::k32}) {
    Win32ViewReader reader(view);
    EXPECT_TRUE(reader.KeyExists(RegRoot::kClassesRoot, "CLSID\\" + id + "\\InProcServer32"));
    EXPECT_TRUE(reader.ReadValue(RegRoot::kLocalMachine,
                                 "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\" + id,
                                 "BarSize"));
  }

  manager.SelectionChanged(0, 1);
  manager.DeleteSelected();
  EXPECT_THAT(sink.messages, IsEmpty());
  EXPECT_THAT(manager.rows(), IsEmpty());
  EXPECT_EQ(ReadWholeFile(backup), std::nullopt);
  for (const RegView view : {RegView::k64, RegView::k32}) {
    EXPECT_FALSE(Win32ViewReader(view).KeyExists(RegRoot::kClassesRoot, "CLSID\\" + id));
  }
}

}  // namespace
}  // namespace quillbay
