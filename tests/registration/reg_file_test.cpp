#include "registration/reg_file.h"

#include <gtest/gtest.h>

#include "reg_test_files.h"

namespace quillbay {
namespace {

using testing::Utf16File;

std::string ReadData(const std::string& name) {
  return testing::ReadRegExport(name);
}
std::string Text(const std::string& file) {
  return testing::Utf16FileText(file);
}

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

RegFile Parse(const std::string& bytes) {
  RegFile file;
  RegFileError error;
  EXPECT_TRUE(ParseRegFile(bytes, file, error)) << "line " << error.line << ": " << error.message;
  return file;
}

const RegFileKey* Find(const RegFile& file, RegRoot root, std::u16string_view path) {
  const RegFileKey* key = file.FindRoot(root);
  while (key != nullptr && !path.empty()) {
    const std::size_t slash = path.find(u'\\');
    key = key->FindChild(path.substr(0, slash));
    path = slash == std::u16string_view::npos ? std::u16string_view{} : path.substr(slash + 1);
  }
  return key;
}

// The exports hold every value type, escapes, folded hex and keys named only as part of a
// deeper path, which must not gain a section of their own.
TEST(RegFileTest, ReferenceExportsRoundTripByteForByte) {
  for (const char* name :
       {"vertical-bar-clsid.reg", "vertical-bar-explorer-bars.reg", "horizontal-bar-clsid.reg",
        "horizontal-bar-explorer-bars.reg", "other-vendor.reg"}) {
    SCOPED_TRACE(name);
    const std::string original = ReadData(name);
    ASSERT_FALSE(original.empty());
    EXPECT_EQ(FormatRegFile(Parse(original)), original);
  }
}

// What import does with the forms export never writes.
TEST(RegFileTest, ReadsAsImportDoes) {
  // The stray line after the continuation is data, and not hex: the file is refused.
  RegFile refused;
  RegFileError error;
  EXPECT_FALSE(ParseRegFile(Utf16File("Windows Registry Editor Version 5.00\r\n"
                                      "[HKLM\\A]\r\n"
                                      "\"Hex\"=hex:41,\\\r\n"
                                      "; comment\r\n"),
                            refused, error));

  const RegFile good =
      Parse(Utf16File("Windows Registry Editor Version 5.00\r\n"
                      "; a comment\r\n"
                      "\r\n"
                      "[HKLM\\Software\\A]\n"
                      "  \"Kept\"=\"1\"\r\n"
                      "\"Gone\"=\"2\"\r\n"
                      "\"KEPT\"=dword:1f\r\n"
                      "\"Gone\" = -\r\n"
                      "[hkey_local_machine\\Software\\A\\Doomed\\Deeper]\r\n"
                      "[-HKEY_LOCAL_MACHINE\\Software\\A\\Doomed]\r\n"
                      "\"Ignored\"=\"under a deleted key\"\r\n"
                      "[HKEY_CURRENT_USER\\X]\r\n"
                      "@=hex:01,02,\\\r\n"
                      "    03\r\n"));
  const RegFileKey* a = Find(good, RegRoot::kLocalMachine, u"Software\\A");
  ASSERT_TRUE(a != nullptr && a->FindValue(u"kept") != nullptr);
  EXPECT_EQ(a->FindValue(u"kept")->data, (std::vector<std::uint8_t>{0x1f, 0, 0, 0}));
  EXPECT_EQ(Text(FormatRegFile(good)),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\X]\r\n@=hex:01,02,03\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"Kept\"=dword:0000001f\r\n\r\n");
}

TEST(RegFileTest, ReadsRegedit4WithItsEightBitStrings) {
  const RegFile file = Parse(
      "REGEDIT4\r\n\r\n"
      "[HKEY_CLASSES_ROOT\\CLSID\\{X}\\InProcServer32]\r\n"
      "@=hex(2):25,41,25,00\r\n"
      "\"Name\"=\"caf\xC3\xA9\"\r\n"
      "\"List\"=hex(7):c3,a9,00,00\r\n"
      "\"Bin\"=hex:c3,a9\r\n");
  const RegFileKey* key = Find(file, RegRoot::kClassesRoot, u"CLSID\\{X}\\InProcServer32");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->FindValue(u"")->data, Utf16Bytes(std::u16string(u"%A%\0", 4)));
  EXPECT_EQ(key->FindValue(u"Name")->data, Utf16Bytes(std::u16string(u"caf\u00e9\0", 5)));
  EXPECT_EQ(key->FindValue(u"List")->data, Utf16Bytes(std::u16string(u"\u00e9\0\0", 3)));
  EXPECT_EQ(key->FindValue(u"Bin")->data, (std::vector<std::uint8_t>{0xc3, 0xa9}));
  EXPECT_EQ(Parse(FormatRegFile(file)), file);
}

TEST(RegFileTest, RefusesWhatItCannotReadAndSaysWhere) {
  struct Row {
    std::string bytes;
    std::size_t line;
  };
  const std::string h = "Windows Registry Editor Version 5.00\r\n";
  const std::vector<Row> rows = {
      {Utf16File("Windows Registry Editor 4\r\n"), 1},
      {Utf16File(h + "\"v\"=\"before any key\"\r\n"), 2},
      {Utf16File(h + "[HKEY_NOWHERE\\A]\r\n"), 2},
      {Utf16File(h + "[HKLM\\A\r\n"), 2},
      {Utf16File(h + "[HKLM\\A\\\\B]\r\n"), 2},
      {Utf16File(h + "[-HKLM]\r\n"), 2},
      {Utf16File(h + "\r\n[HKLM\\A]\r\n\"v\"=\"open\r\n"), 4},
      {Utf16File(h + "[HKLM\\A]\r\n\"v\"=\"x\" trailing\r\n"), 3},
      {Utf16File(h + "[HKLM\\A]\r\n\"v\"=dword:123456789\r\n"), 3},
      {Utf16File(h + "[HKLM\\A]\r\n\"v\"=hex:1,2x\r\n"), 3},
      {Utf16File(h + "[HKLM\\A]\r\n\"v\"=hex(zz):00\r\n"), 3},
      {Utf16File(h + "[HKLM\\A]\r\n\"v\"=hex:00,\\\r\n"), 3},
      {Utf16File(h + "[HKLM\\A]\r\n\"v\"=str:x\r\n"), 3},
      {Utf16File(h + "[HKLM\\A]\r\nv=1\r\n"), 3},
      {Utf16File(h + "[HKLM\\" + std::string(256, 'k') + "]\r\n"), 2},
      {"REGEDIT4\r\n[HKLM\\A]\r\n\"v\"=hex(2):ff,00\r\n", 3},
      {Utf16File(h).substr(0, 11), 0},
      {"REGEDIT4\r\n\xff\r\n", 2},
      {"\xFF\xFE", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Text("\xFF\xFE" + row.bytes.substr(2)));
    RegFile file;
    RegFileError error;
    EXPECT_FALSE(ParseRegFile(row.bytes, file, error));
    EXPECT_EQ(error.line, row.line) << error.message;
    EXPECT_FALSE(error.message.empty());
  }
}

// Data the quoted or dword forms would not give back exactly are written as hex.
TEST(RegFileTest, WritesWhatTheShortFormsCannotHoldAsHex) {
  RegFile file;
  RegFileKey& key = file.OpenRoot(RegRoot::kLocalMachine).OpenChild(u"K");
  key.set_listed(true);
  key.SetValue(u"no nul", 1, Utf16Bytes(u"ab"));
  key.SetValue(u"two nuls", 1, Utf16Bytes(std::u16string(u"a\0b\0", 4)));
  key.SetValue(u"line break", 1, Utf16Bytes(std::u16string(u"a\r\nb\0", 5)));
  key.SetValue(u"odd", 1, {0x41});
  key.SetValue(u"short dword", 4, {1, 2, 3});
  key.SetValue(u"type 0x20000", 0x20000, {});
  key.SetValue(u"plain", 1, Utf16Bytes(std::u16string(u"a\\b\"c\0", 6)));
  EXPECT_EQ(Text(FormatRegFile(file)), std::string(kHeader) +
                                           "[HKEY_LOCAL_MACHINE\\K]\r\n"
                                           "\"no nul\"=hex(1):61,00,62,00\r\n"
                                           "\"two nuls\"=hex(1):61,00,00,00,62,00,00,00\r\n"
                                           "\"line break\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"
                                           "\"odd\"=hex(1):41\r\n"
                                           "\"short dword\"=hex(4):01,02,03\r\n"
                                           "\"type 0x20000\"=hex(20000):\r\n"
                                           "\"plain\"=\"a\\\\b\\\"c\"\r\n\r\n");
  EXPECT_EQ(Parse(FormatRegFile(file)), file);
}

// A line of hex data ends once it reaches 77 characters, counting the value's name.
TEST(RegFileTest, FoldsHexDataWhereExportDoes) {
  RegFile file;
  RegFileKey& key = file.OpenRoot(RegRoot::kCurrentUser).OpenChild(u"K");
  key.SetValue(std::u16string(60, u'n'), 3, {1, 2, 3, 4, 5, 6, 7});
  key.SetValue(u"\"q\"", 3, std::vector<std::uint8_t>(25, 0xab));
  const std::string text = Text(FormatRegFile(file));
  EXPECT_NE(text.find("\"" + std::string(60, 'n') + "\"=hex:01,02,03,04,\\\r\n  05,06,07\r\n"),
            std::string::npos)
      << text;
  // 3 + 5 escaped name characters + "hex:" = 12; 22 bytes bring the line to 78.
  std::string expected = "\"\\\"q\\\"\"=hex:";
  for (int i = 0; i < 22; ++i) expected += "ab,";
  expected += "\\\r\n  ab,ab,ab\r\n";
  EXPECT_NE(text.find(expected), std::string::npos) << text;
  EXPECT_EQ(Parse(FormatRegFile(file)), file);
}

// Windows sorts sibling keys by their upper-cased names: "_" (0x5F) after the letters.
TEST(RegFileTest, SortsSiblingKeysByUpperCasedName) {
  RegFile file;
  RegFileKey& root = file.OpenRoot(RegRoot::kClassesRoot);
  for (const char16_t* name : {u"_x", u"b", u"A", u"\u00e9t\u00e9", u"Z"}) {
    root.OpenChild(name).set_listed(true);
  }
  root.OpenChild(u"B").OpenChild(u"inner").set_listed(true);
  EXPECT_EQ(Text(FormatRegFile(file)), std::string(kHeader) +
                                           "[HKEY_CLASSES_ROOT\\A]\r\n\r\n"
                                           "[HKEY_CLASSES_ROOT\\b]\r\n\r\n"
                                           "[HKEY_CLASSES_ROOT\\b\\inner]\r\n\r\n"
                                           "[HKEY_CLASSES_ROOT\\Z]\r\n\r\n"
                                           "[HKEY_CLASSES_ROOT\\_x]\r\n\r\n"
                                           "[HKEY_CLASSES_ROOT\\\u00e9t\u00e9]\r\n\r\n");
  EXPECT_NE(root.FindChild(u"\u00c9T\u00c9"), nullptr);
}

TEST(RegFileTest, ConvertsUtf8Strictly) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
            std::u16string(u"a\u00e9\u20ac\U0001F600"));
  for (const std::string_view bad :
       {"\x80", "\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\xFF"}) {
    EXPECT_FALSE(Utf8ToUtf16(bad)) << bad;
  }
  EXPECT_EQ(Utf16ToUtf8(u"a\u00e9\U0001F600"), "a\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace quillbay
