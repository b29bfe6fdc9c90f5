#include "registration/reg_file.h"

#include <gtest/gtest.h>

#include "reg_test_files.h"

namespace quillbay {
namespace {

RegFile Parse(const std::string& bytes) {
  RegFile file;
  RegFileError error;
  EXPECT_TRUE(ParseRegFile(bytes, file, error)) << "line " << error.line << ": " << error.message;
  return file;
}

// The exports hold every value type, escapes, folded hex and keys named only as part of a
// deeper path, which must not gain a section of their own.
TEST(RegFileTest, ReferenceExportsRoundTripByteForByte) {
  for (const char* name :
       {"vertical-bar-clsid.reg", "vertical-bar-explorer-bars.reg", "horizontal-bar-clsid.reg",
        "horizontal-bar-explorer-bars.reg", "other-vendor.reg"}) {
    const std::string original = testing::ReadRegExport(name);
    ASSERT_FALSE(original.empty()) << name;
    EXPECT_EQ(FormatRegFile(Parse(original)), original) << name;
  }
}

TEST(RegFileTest, RefusesWhatItCannotReadAndSaysWhere) {
  const std::pair<std::string, std::size_t> rows[] = {
      {"Windows Registry Editor 4\r\n", 1},
      {"REGEDIT4\r\n\"v\"=\"before any key\"\r\n", 2},
      {"REGEDIT4\r\n[HKEY_NOWHERE\\A]\r\n", 2},
      {"REGEDIT4\r\n[HKLM\\A\\\\B]\r\n", 2},
      {"REGEDIT4\r\n\r\n[HKLM\\A]\r\n\"v\"=\"open\r\n", 4},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\"v\"=dword:123456789\r\n", 3},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\"v\"=hex:00,\\\r\n", 3},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\"v\"=hex(2):ff,00\r\n", 3},
      {"\xFF\xFE", 1},
  };
  for (const auto& [bytes, line] : rows) {
    RegFile file;
    RegFileError error;
    EXPECT_FALSE(ParseRegFile(bytes, file, error)) << line;
    EXPECT_EQ(error.line, line) << error.message;
  }
}

// Data the quoted or dword forms would not give back exactly are written as hex.
TEST(RegFileTest, WritesWhatTheShortFormsCannotHoldAsHex) {
  RegFile file;
  RegFileKey& key = file.OpenRoot(RegRoot::kLocalMachine).OpenChild(u"K");
  key.set_listed(true);
  key.SetValue(u"no nul", 1, Utf16Bytes(u"ab"));
  key.SetValue(u"line break", 1, Utf16Bytes(std::u16string(u"a\r\nb\0", 5)));
  key.SetValue(u"odd", 1, {0x41});
  key.SetValue(u"short dword", 4, {1, 2, 3});
  key.SetValue(u"plain", 1, Utf16Bytes(std::u16string(u"a\\b\"c\0", 6)));
  key.SetValue(u"fol", 3, std::vector<std::uint8_t>(24, 0xab));  // 77 characters end a line
  std::string folded;
  for (int i = 0; i < 23; ++i) folded += "ab,";
  EXPECT_EQ(testing::Utf16FileText(FormatRegFile(file)),
            std::string("Windows Registry Editor Version 5.00\r\n\r\n"
                        "[HKEY_LOCAL_MACHINE\\K]\r\n"
                        "\"no nul\"=hex(1):61,00,62,00\r\n"
                        "\"line break\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"
                        "\"odd\"=hex(1):41\r\n"
                        "\"short dword\"=hex(4):01,02,03\r\n"
                        "\"plain\"=\"a\\\\b\\\"c\"\r\n") +
                "\"fol\"=hex:" + folded + "\\\r\n  ab\r\n\r\n");
  EXPECT_EQ(Parse(FormatRegFile(file)), file);
}

}  // namespace
}  // namespace quillbay
