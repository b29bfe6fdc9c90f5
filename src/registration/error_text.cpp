#include "registration/error_text.h"

#include <algorithm>
#include <filesystem>

namespace quillbay {
namespace {

// A folder or a FIFO where a data file belongs is refused as access denied by the system;
// the user is told what stands there instead.
bool NotAFile(const FileError& error) {
  std::error_code ignored;
  return error.cause() == FileCause::kAccessDenied && error.path() &&
         std::filesystem::exists(*error.path(), ignored) &&
         !std::filesystem::is_regular_file(*error.path(), ignored);
}

std::string FileText(const FileError& error) {
  return NotAFile(error) ? FormatString1(StringResource(str::kNotAFile), *error.path())
                         : FileErrorText(error);
}

}  // namespace

std::string RegErrorText(const RegError& error) {
  if (!error.file) return error.detail;
  return error.detail + FileText(*error.file);
}

std::vector<UserMessage> OutcomeMessages(const BarOutcome& outcome, std::string_view id,
                                         int registry_message) {
  std::vector<UserMessage> said;
  const auto say = [&](int text, std::string_view arg) {
    said.push_back({FormatString1(StringResource(text), arg), std::nullopt});
  };
  if (outcome.refused) say(*outcome.refused, id);
  if (outcome.file_error) {
    // The windows show a file error in a stop box in its own words.
    const bool special = NotAFile(*outcome.file_error);
    said.push_back({FileText(*outcome.file_error),
                    special ? std::nullopt : std::optional(*outcome.file_error)});
  }
  if (outcome.unwritable) say(str::kFolderNotWritable, *outcome.unwritable);
  if (outcome.registry_unread)
    say(str::kRegistryUnreadable, RegErrorText(*outcome.registry_unread));
  if (outcome.removed_keyless_row) say(str::kNoRegistryEntries, id);
  if (!outcome.registry.empty()) {
    const bool denied = std::ranges::any_of(outcome.registry, [](const RegFailure& f) {
      return f.error.status == RegStatus::kAccessDenied;
    });
    const RegFailure& first = outcome.registry.front();
    std::string why =
        denied ? std::string(StringResource(str::kRegistryNeedsAdmin)) : RegErrorText(first.error);
    if (why.empty()) why = first.path;
    say(registry_message, why);
  }
  for (const ListedBar& bar : outcome.left_out) {
    say(bar.state.any_key ? str::kLeftOutPartly : str::kLeftOutMissing,
        bar.row.id + " (" + bar.row.name + ")");
  }
  return said;
}

}  // namespace quillbay
