#include "linkpage/link_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linkpage_test_util.h"
#include "system/file_error.h"
#include "system/files.h"

namespace quillbay {
namespace {

using testing::ReadBytes;

std::string Page(std::string_view title, std::string_view lines) {
  return "<HTML><BODY><STYLE><!--a {color:darkblue;} a:hover {color:red;}--></STYLE>" +
         std::string(title) + "<P>" + std::string(lines) + "</BODY></HTML>";
}

std::string Line(std::string_view url, std::string_view name) {
  return "<a href=\"" + std::string(url) + "\" target=\"_main\">" + std::string(name) + "</a><BR>";
}

TEST(BuildLinkPageTest, FillsBothTemplates) {
  struct Case {
    std::string title;
    std::vector<LinkEntry> links;
    std::string expected;
  };
  const Case cases[] = {
      {"", {}, Page("", "")},
      {"T",
       {{"B", "http://b"}, {"A", "http://a"}, {"B", "http://b"}},
       Page("T", Line("http://b", "B") + Line("http://a", "A") + Line("http://b", "B"))},
      // User text is never read as a format.
      {"100%s %d %1", {{"%s%s", "http://x/%s"}}, Page("100%s %d %1", Line("http://x/%s", "%s%s"))},
      {"<b>R&D</b>",
       {{"<News> & R&D", "http://a.example/?q=\"x\"&y=<1>"}},
       Page("&lt;b&gt;R&amp;D&lt;/b&gt;", Line("http://a.example/?q=&quot;x&quot;&amp;y=&lt;1&gt;",
                                               "&lt;News&gt; &amp; R&amp;D"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    EXPECT_EQ(BuildLinkPage(c.title, c.links), c.expected);
  }
}

class WriteLinkPageTest : public TempFolderTest {};

// A longer page is replaced whole; a page in a missing folder is an error naming its
// absolute path, and creates nothing.
TEST_F(WriteLinkPageTest, ReplacesAnOldPageWholeOrNotAtAll) {
  const std::string path = Join("page.htm");
  testing::WriteBytes(path, std::string(10000, 'x'));
  WriteLinkPage(path, "", {{"n", "u"}});
  EXPECT_EQ(ReadBytes(path), Page("", Line("u", "n")));
  try {
    WriteLinkPage(Join("missing/page.htm"), "", {{"n", "u"}});
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.Text(), AbsolutePath(Join("missing/page.htm")) + " contains an invalid path.");
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"page.htm"});
}

}  // namespace
}  // namespace quillbay
