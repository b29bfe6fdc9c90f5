#include "linkpage/link_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillbay {
namespace {

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

}  // namespace
}  // namespace quillbay
