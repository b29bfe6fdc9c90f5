#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillbay {

// One row of the link page list: a link name and a URL, both exactly as typed.
struct LinkEntry {
  std::string name;
  std::string url;

  bool operator==(const LinkEntry&) const = default;
};

// `text` with & < > " replaced by their HTML entities, so that the page shows what was
// typed instead of reading it as markup.
std::string EscapeHtml(std::string_view text);

// The page text: string 106 filled with the title and the link lines, each link line
// string 107 filled with the URL and the name. User texts are HTML-escaped and copied in
// verbatim, so a "%s" they contain stays as it is. One line, no line break of its own.
std::string BuildLinkPage(std::string_view title, const std::vector<LinkEntry>& links);

// Writes the page to `path` as typed (relative to the current directory), replacing an
// existing file atomically: an existing page survives any failure. Every failure, opening
// included, throws FileError carrying the absolute path.
void WriteLinkPage(const std::string& path, std::string_view title,
                   const std::vector<LinkEntry>& links);

}  // namespace quillbay
