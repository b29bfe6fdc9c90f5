#include "linkpage/link_page.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "linkpage_test_util.h"
#include "system/file_error.h"
#include "system/files.h"

namespace quillbay {
namespace {

constexpr std::string_view kHead =
    "<HTML><BODY><STYLE><!--a {color:darkblue;} a:hover {color:red;}--></STYLE>";
constexpr std::string_view kTail = "</BODY></HTML>";

std::string Page(std::string_view title, std::string_view lines) {
  return std::string(kHead) + std::string(title) + "<P>" + std::string(lines) + std::string(kTail);
}

std::string Line(std::string_view url, std::string_view name) {
  return "<a href=\"" + std::string(url) + "\" target=\"_main\">" + std::string(name) + "</a><BR>";
}

struct PageCase {
  const char* label;
  std::string title;
  std::vector<LinkEntry> links;
  std::string expected;
};

void PrintTo(const PageCase& c, std::ostream* os) {
  *os << c.label;
}

class BuildLinkPageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(BuildLinkPageTest, FillsBothTemplates) {
  const PageCase& c = GetParam();
  EXPECT_EQ(BuildLinkPage(c.title, c.links), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, BuildLinkPageTest,
    ::testing::Values(PageCase{"EmptyTitleEmptyList", "", {}, Page("", "")},
                      PageCase{"TitleOnly", "My links", {}, Page("My links", "")},
                      PageCase{"OneRow",
                               "",
                               {{"News", "http://news.example"}},
                               Page("", Line("http://news.example", "News"))},
                      PageCase{"OrderAndDuplicates",
                               "T",
                               {{"B", "http://b"}, {"A", "http://a"}, {"B", "http://b"}},
                               Page("T", Line("http://b", "B") + Line("http://a", "A") +
                                             Line("http://b", "B"))},
                      PageCase{"PercentSKeptLiterally",
                               "100%s %d %1",
                               {{"%s%s", "http://x/%s"}},
                               Page("100%s %d %1", Line("http://x/%s", "%s%s"))},
                      PageCase{"MarkupCharactersEscaped",
                               "<b>R&D</b>",
                               {{"<News> & R&D", "http://a.example/?q=\"x\"&y=<1>"}},
                               Page("&lt;b&gt;R&amp;D&lt;/b&gt;",
                                    Line("http://a.example/?q=&quot;x&quot;&amp;y=&lt;1&gt;",
                                         "&lt;News&gt; &amp; R&amp;D"))},
                      PageCase{"OtherBytesUntouched",
                               "Tab\there 'q' \xC3\xA9",
                               {{" ", "C:\\pages\\a b.htm"}},
                               Page("Tab\there 'q' \xC3\xA9", Line("C:\\pages\\a b.htm", " "))}),
    [](const auto& test) { return std::string(test.param.label); });

TEST(BuildLinkPageLengthTest, MatchesFormulaForPlainTexts) {
  const std::string title = "Title of the page";
  const std::vector<LinkEntry> links = {{"Example site", "http://www.example.com/"},
                                        {"Local data", "file:///c:/data.htm"},
                                        {"N", "u"}};
  std::size_t expected = 91 + title.size();
  for (const LinkEntry& link : links) expected += 34 + link.url.size() + link.name.size();
  const std::string page = BuildLinkPage(title, links);
  EXPECT_EQ(page.size(), expected);
  EXPECT_EQ(page.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
}

class WriteLinkPageTest : public TempFolderTest {};

TEST_F(WriteLinkPageTest, WritesThePageByteForByte) {
  const std::vector<LinkEntry> links = {{"<News> & R&D", "http://q.example/\"x\""}, {"a", "b"}};
  const std::string path = Join("page.htm");
  WriteLinkPage(path, "Title", links);
  const std::string written = ReadFile(path);
  EXPECT_EQ(written, BuildLinkPage("Title", links));
  EXPECT_TRUE(written.ends_with("</HTML>"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"page.htm"});
}

TEST_F(WriteLinkPageTest, ReplacesALongerFileCompletely) {
  const std::string path = Join("page.htm");
  WriteFile(path, std::string(10000, 'x'));
  WriteLinkPage(path, "", {{"n", "u"}});
  EXPECT_EQ(ReadFile(path), Page("", Line("u", "n")));
  EXPECT_EQ(Entries(), std::vector<std::string>{"page.htm"});
}

TEST_F(WriteLinkPageTest, RelativePathIsTakenFromTheCurrentFolder) {
  const CurrentFolder here(folder());
  WriteLinkPage("rel.htm", "", {{"n", "u"}});
  EXPECT_EQ(ReadFile(Join("rel.htm")), Page("", Line("u", "n")));
}

TEST_F(WriteLinkPageTest, MissingFolderThrowsWithTheAbsolutePathAndCreatesNothing) {
  const CurrentFolder here(folder());
  const std::string typed = "missing/page.htm";
  try {
    WriteLinkPage(typed, "", {{"n", "u"}});
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.cause(), FileCause::kBadPath);
    ASSERT_TRUE(error.path().has_value());
    EXPECT_EQ(*error.path(), AbsolutePath(typed));
    EXPECT_NE(error.Text().find(AbsolutePath(typed)), std::string::npos);
  }
  EXPECT_TRUE(Entries().empty());
}

}  // namespace
}  // namespace quillbay
