#include "resources/string_table.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace quillbay {
namespace {

constexpr std::string_view kDescription =
    "Description: \r\n\r\n"
    "This dialog creates a simple HTML file has URL links. You will need to add or modify the "
    "file if you want to create a sophisticated file. \r\n\r\n"
    " You can also use your original file without using this dialog. In that case, you will "
    "need to place the code target= \"_main\" in the <A HREF ...  tag. \r\n\r\n"
    "For example: \r\n\r\n"
    "<A HREF=\"http://www.example.com\" target=\"_main\"> \r\n\r\n"
    "The picture in the right side shows the sample bar of HTML file.";

constexpr std::string_view kHelp =
    "Quillbay registers browser bars: panes beside or below the page that show a web page or "
    "a local HTML file.\n\n"
    "To add a bar, type its name and its location (an address or the path of a local page), "
    "choose Horizontal or Vertical and press CREATE. To remove a bar, select it in the list "
    "and press Delete.\n\n"
    "\"Creat HTML\" builds a simple page of links to show in such a bar.\n\n"
    "Tab moves between the fields, the arrow keys choose Horizontal or Vertical, and Delete "
    "in a list removes the selected bar or link.\n\n"
    "About Quillbay is in the window menu. On Linux, Shift+F10 or the Menu key opens it "
    "anywhere in the main window, and so does a right-click on an empty part of it; on "
    "Windows, Alt+Space or a click on the icon in the title bar. The About button of this box "
    "opens About Quillbay too.";

// Sorted by number, so that a lookup is a binary search.
constexpr std::pair<int, std::string_view> kStrings[] = {
    {str::kAboutMenuItem, "&About Quillbay..."},
    {str::kBarIdFormat, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}"},
    {str::kNeedLinkNameAndUrl, "It is necessary to have both link name and URL."},
    {str::kNeedPagePath, "You need to place the path where you want to save the file."},
    {str::kTitleEmpty,
     "The title is empty. If you don't need a title for the file, remove the check from the "
     "check box."},
    {str::kPageTemplate,
     "<HTML><BODY><STYLE><!--a {color:darkblue;} a:hover {color:red;}--></STYLE>%s<P>%s</BODY>"
     "</HTML>"},
    {str::kLinkLineTemplate, "<a href=\"%s\" target=\"_main\">%s</a><BR>"},
    {str::kSelectItemToDelete, "You must select the item you want to delete."},
    {str::kLinkPageDescription, kDescription},
    {str::kNeedNameAndUrl, "Please input the name of the bar and URL!"},
    {str::kCharacterNotAllowed, "This character is not allowed. Please choose the different name."},
    {str::kNoNewBarId, "A new identifier for the bar could not be created, so no bar was created."},
    {str::kRegistryWriteFailed, "The registry entries of the bar could not all be written: %1"},
    {str::kRegistryRemoveFailed, "The registry entries of the bar could not all be removed: %1"},
    {str::kRegistryNeedsAdmin,
     "access was denied. Writing under HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE needs "
     "administrator rights."},
    {str::kHelpText, kHelp},
    {str::kNoDataFolder,
     "The folder that keeps the list of bars could not be found, so no bar can be created or "
     "deleted."},
    {str::kNotListed, "No bar listed has the identifier %1."},
    {str::kNotABarId, "%1 is not a bar identifier."},
    {str::kBarIdTaken, "A bar with the identifier %1 is already registered."},
    {str::kNoRegistryEntries,
     "No registry entries could be found for \"%1\", which is not a bar identifier; its row was "
     "removed from the list."},
    {str::kLocationCharacterNotAllowed,
     "The location cannot hold a semicolon, a comma, a tab or a line break."},
    {str::kNotText,
     "The name or the location holds bytes that are not text, so no bar was created."},
    {str::kFolderNotWritable,
     "The folder %1 cannot be written, so no bar can be created or deleted."},
    {str::kRegistryUnreadable, "The registry could not be read, so nothing was done: %1"},
    {str::kLeftOutPartly, "Left out %1: its registry entries are not all there."},
    {str::kLeftOutMissing, "Left out %1: its registry entries are missing."},
    {str::kNotAFile,
     "%1 is not a file: a folder or another kind of entry stands where Quillbay keeps its "
     "data."},
    {str::kFileErrorBase + 1, "An unknown error occurred while accessing %1."},
    {str::kFileErrorBase + 2, "%1 was not found."},
    {str::kFileErrorBase + 3, "%1 contains an invalid path."},
    {str::kFileErrorBase + 4, "%1 could not be opened because there are too many open files."},
    {str::kFileErrorBase + 5, "Access to %1 was denied."},
    {str::kFileErrorBase + 6, "An invalid file handle was associated with %1."},
    {str::kFileErrorBase + 7, "%1 could not be removed because it is the current directory."},
    {str::kFileErrorBase + 8, "%1 could not be created because the directory is full."},
    {str::kFileErrorBase + 9, "Seek failed on %1"},
    {str::kFileErrorBase + 10, "A hardware I/O error was reported while accessing %1."},
    {str::kFileErrorBase + 11, "A sharing violation occurred while accessing %1."},
    {str::kFileErrorBase + 12, "A locking violation occurred while accessing %1."},
    {str::kFileErrorBase + 13, "Disk full while accessing %1."},
    {str::kFileErrorBase + 14, "An attempt was made to access %1 past its end."},
    {str::kUnnamedFile, "an unnamed file"},
};

static_assert(std::ranges::is_sorted(kStrings, {}, &std::pair<int, std::string_view>::first));

}  // namespace

std::string_view StringResource(int id) {
  const auto* it =
      std::ranges::lower_bound(kStrings, id, {}, &std::pair<int, std::string_view>::first);
  return it != std::end(kStrings) && it->first == id ? it->second : std::string_view{};
}

std::string FormatString1(std::string_view text, std::string_view arg) {
  std::string out;
  out.reserve(text.size() + arg.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '1') {
      out += arg;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string FileErrorText(const FileError& error) {
  return FormatString1(
      StringResource(str::kFileErrorBase + static_cast<int>(error.cause())),
      error.path() ? std::string_view(*error.path()) : StringResource(str::kUnnamedFile));
}

}  // namespace quillbay
