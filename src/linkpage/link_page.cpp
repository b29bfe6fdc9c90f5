#include "linkpage/link_page.h"

#include <initializer_list>

#include "resources/string_table.h"
#include "system/files.h"

namespace quillbay {
namespace {

// Fills the "%s" placeholders of `format` one after the other with `args`. Only the
// template is scanned, never an argument, so user text cannot act as a format.
std::string FillTemplate(std::string_view format, std::initializer_list<std::string_view> args) {
  constexpr std::string_view kPlaceholder = "%s";
  std::string out;
  auto arg = args.begin();
  std::size_t pos = 0;
  while (pos < format.size()) {
    const std::size_t hit = format.find(kPlaceholder, pos);
    if (hit == std::string_view::npos || arg == args.end()) break;
    out.append(format.substr(pos, hit - pos));
    out.append(*arg++);
    pos = hit + kPlaceholder.size();
  }
  out.append(format.substr(pos));
  return out;
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string BuildLinkPage(std::string_view title, const std::vector<LinkEntry>& links) {
  const std::string_view line_template = StringResource(str::kLinkLineTemplate);
  std::string lines;
  for (const LinkEntry& link : links) {
    lines += FillTemplate(line_template, {EscapeHtml(link.url), EscapeHtml(link.name)});
  }
  return FillTemplate(StringResource(str::kPageTemplate), {EscapeHtml(title), lines});
}

void WriteLinkPage(const std::string& path, std::string_view title,
                   const std::vector<LinkEntry>& links) {
  ReplaceFileAtomically(path, BuildLinkPage(title, links));
}

}  // namespace quillbay
