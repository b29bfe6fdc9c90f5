#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/bars.h"
#include "registration/registry_store.h"
#include "resources/string_table.h"

namespace quillbay {

// What the user is told of a registry failure: its detail, then the file error, if any.
std::string RegErrorText(const RegError& error);

// One thing the user is told.
struct UserMessage {
  std::string text;
  std::optional<FileError> file_error;  // set for a file error, which the windows show
                                        // with the stop icon
};

// What went wrong in `outcome`, each failure once, for the bar `id`: the one wording both
// the windows and the command line use. `registry_message` frames failed registry steps
// (str::kRegistryWriteFailed or str::kRegistryRemoveFailed); missing rights are named as
// needing an administrator.
std::vector<UserMessage> OutcomeMessages(const BarOutcome& outcome, std::string_view id,
                                         int registry_message = str::kRegistryWriteFailed);

}  // namespace quillbay
