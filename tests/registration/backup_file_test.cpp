#include "registration/backup_file.h"

#include <gtest/gtest.h>

#include "system/file_error.h"
#include "tests/support/temp_dir.h"

namespace quillbay {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

struct ParseCase {
  const char* what;
  std::string text;
  std::vector<BarRow> rows;

  friend void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.what; }
};

class ParseBackupTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseBackupTest, ReadsRows) {
  EXPECT_EQ(ParseBackup(GetParam().text), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseBackupTest,
    ::testing::Values(
        ParseCase{"two CR LF lines", "A,One;\r\nB,Two;\r\n", {{"A", "One"}, {"B", "Two"}}},
        ParseCase{"LF only and no final line end", "A,One;\nB,Two;", {{"A", "One"}, {"B", "Two"}}},
        ParseCase{"empty line in the middle",
                  "A,One;\r\n\r\nB,Two;\r\n",
                  {{"A", "One"}, {"", ""}, {"B", "Two"}}},
        ParseCase{"neither comma nor semicolon", "whole line\r\n", {{"whole line", ""}}},
        ParseCase{"comma but no semicolon", "A,rest of it\r\n", {{"A", "rest of it"}}},
        ParseCase{"semicolon before the comma", "A;x,y\r\n", {{"A;x", ""}}},
        ParseCase{"text after the semicolon", "A,Name;junk,more;\r\n", {{"A", "Name"}}},
        ParseCase{"lone CR stays in the line", "A,x\ry;\r\n", {{"A", "x\ry"}}},
        ParseCase{"CR at the end of the last line", "A,x\r", {{"A", "x\r"}}},
        ParseCase{"empty file", "", {}},
        ParseCase{"bytes taken as they are", "A,Caf\xc3\xa9\xff;\r\n", {{"A", "Caf\xc3\xa9\xff"}}}),
    [](const auto& test_info) {
      std::string name = test_info.param.what;
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

TEST(BackupFileTest, SavesExactLinesAndLoadsThemBack) {
  TempDir dir;
  const std::string path = dir.File("sub/bkupRegKeyf");  // the folder is made on first write
  const std::vector<BarRow> rows{{"{A}", "One"}, {"{B}", "Two words"}, {"{C}", ""}};
  SaveBackup(path, rows);
  EXPECT_EQ(ReadBytes(path), "{A},One;\r\n{B},Two words;\r\n{C},;\r\n");
  EXPECT_EQ(LoadBackup(path), rows);
}

TEST(BackupFileTest, SavingNoRowsLeavesTheFileAsItWas) {
  TempDir dir;
  const std::string path = dir.File("bkupRegKeyf");
  WriteBytes(path, "old\r\n");
  SaveBackup(path, {});
  EXPECT_EQ(ReadBytes(path), "old\r\n");
}

TEST(BackupFileTest, MissingOrUnreadableFileLoadsNoRows) {
  TempDir dir;
  EXPECT_TRUE(LoadBackup(dir.File("missing")).empty());
  EXPECT_TRUE(LoadBackup(dir.path().string()).empty());  // a folder
}

TEST(BackupFileTest, RemovingAMissingFileIsFine) {
  TempDir dir;
  const std::string path = dir.File("bkupRegKeyf");
  WriteBytes(path, "x");
  RemoveBackup(path);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_NO_THROW(RemoveBackup(path));
}

}  // namespace
}  // namespace quillbay
