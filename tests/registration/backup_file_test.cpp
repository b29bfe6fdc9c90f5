#include "registration/backup_file.h"

#include <gtest/gtest.h>

#include "system/file_error.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

TEST(BackupFileTest, ParseReadsEveryLineAsARow) {
  const std::pair<std::string, std::vector<BarRow>> table[] = {
      {"A,One;\r\nB,Two;\r\n", {{"A", "One"}, {"B", "Two"}}},
      {"A,One;\n\r\nB,Two", {{"A", "One"}, {"", ""}, {"B", "Two"}}},
      {"whole line\r\nA,rest of it\r\n", {{"whole line", ""}, {"A", "rest of it"}}},
      {"A;x,y\r\nA,Name;junk;\r\nA,x\ry;\r\nA,x\r",
       {{"A;x", ""}, {"A", "Name"}, {"A", "x\ry"}, {"A", "x\r"}}},
  };
  for (const auto& [text, rows] : table) EXPECT_EQ(ParseBackup(text), rows) << text;
}

TEST(BackupFileTest, SavesExactLinesAndRefusesToTakeAFolderForNoFile) {
  testing::TempDir dir;
  const std::string path = dir.File("sub/bkupRegKeyf");  // the folder is made on first write
  const std::vector<BarRow> rows{{"{A}", "One"}, {"{B}", "Two words"}, {"{C}", ""}};
  SaveBackup(path, rows);
  EXPECT_EQ(testing::ReadBytes(path), "{A},One;\r\n{B},Two words;\r\n{C},;\r\n");
  EXPECT_EQ(LoadBackup(path), rows);
  EXPECT_TRUE(LoadBackup(dir.File("missing")).empty());
  EXPECT_THROW(LoadBackup(dir.File("sub")), FileError);
}

}  // namespace
}  // namespace quillbay
