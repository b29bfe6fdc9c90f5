#include "registration/backup_file.h"

#include <gtest/gtest.h>

#include "system/file_error.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(BackupFileTest, ParseReadsEveryLineAsARow) {
  struct Row {
    const char* what;
    std::string text;
    std::vector<BarRow> rows;
  };
  const Row table[] = {
      {"two CR LF lines", "A,One;\r\nB,Two;\r\n", {{"A", "One"}, {"B", "Two"}}},
      {"LF only, no final line end", "A,One;\nB,Two;", {{"A", "One"}, {"B", "Two"}}},
      {"empty line", "A,One;\r\n\r\nB,Two;\r\n", {{"A", "One"}, {"", ""}, {"B", "Two"}}},
      {"neither comma nor semicolon", "whole line\r\n", {{"whole line", ""}}},
      {"comma but no semicolon", "A,rest of it\r\n", {{"A", "rest of it"}}},
      {"semicolon before the comma", "A;x,y\r\n", {{"A;x", ""}}},
      {"text after the semicolon", "A,Name;junk,more;\r\n", {{"A", "Name"}}},
      {"lone CR stays in the line", "A,x\ry;\r\n", {{"A", "x\ry"}}},
      {"CR at the end of the last line", "A,x\r", {{"A", "x\r"}}},
      {"empty file", "", {}},
      {"bytes taken as they are", "A,Caf\xc3\xa9\xff;\r\n", {{"A", "Caf\xc3\xa9\xff"}}},
  };
  for (const Row& row : table) {
    EXPECT_EQ(ParseBackup(row.text), row.rows) << row.what;
  }
}

TEST(BackupFileTest, SavesExactLinesAndLoadsThemBack) {
  TempDir dir;
  const std::string path = dir.File("sub/bkupRegKeyf");  // the folder is made on first write
  const std::vector<BarRow> rows{{"{A}", "One"}, {"{B}", "Two words"}, {"{C}", ""}};
  SaveBackup(path, rows);
  EXPECT_EQ(ReadBytes(path), "{A},One;\r\n{B},Two words;\r\n{C},;\r\n");
  EXPECT_EQ(LoadBackup(path), rows);
  // No rows to save leaves the file as it was; removing is for that.
  SaveBackup(path, {});
  EXPECT_EQ(LoadBackup(path), rows);
}

TEST(BackupFileTest, AMissingFileLoadsNoRowsAndIsNoFailureToRemove) {
  TempDir dir;
  const std::string path = dir.File("bkupRegKeyf");
  EXPECT_TRUE(LoadBackup(path).empty());
  EXPECT_TRUE(LoadBackup(dir.path().string()).empty());  // a folder
  WriteBytes(path, "x");
  RemoveBackup(path);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_NO_THROW(RemoveBackup(path));
}

}  // namespace
}  // namespace quillbay
