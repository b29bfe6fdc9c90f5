#include "linkpage/link_page.h"

#include <gtest/gtest.h>

namespace quillbay {
namespace {

std::string Page(const std::string& title_and_lines) {
  return "<HTML><BODY><STYLE><!--a {color:darkblue;} a:hover {color:red;}--></STYLE>" +
         title_and_lines + "</BODY></HTML>";
}

// Entries keep their order and repeats; user text is never read as a format, and is escaped.
TEST(BuildLinkPageTest, FillsBothTemplates) {
  const std::tuple<std::string, std::vector<LinkEntry>, std::string> cases[] = {
      {"", {}, Page("<P>")},
      {"100%s %d %1",
       {{"B", "http://b"}, {"%s%s", "http://x/%s"}, {"B", "http://b"}},
       Page("100%s %d %1<P><a href=\"http://b\" target=\"_main\">B</a><BR>"
            "<a href=\"http://x/%s\" target=\"_main\">%s%s</a><BR>"
            "<a href=\"http://b\" target=\"_main\">B</a><BR>")},
      {"<b>R&D</b>",
       {{"<News> & R&D", "http://a.example/?q=\"x\"&y=<1>"}},
       Page("&lt;b&gt;R&amp;D&lt;/b&gt;<P><a href=\"http://a.example/?q=&quot;x&quot;&amp;y=&lt;1"
            "&gt;\" target=\"_main\">&lt;News&gt; &amp; R&amp;D</a><BR>")},
  };
  for (const auto& [title, links, expected] : cases)
    EXPECT_EQ(BuildLinkPage(title, links), expected);
}

}  // namespace
}  // namespace quillbay
