#pragma once

#include <string>

#include "registration/registry_store.h"
#include "system/file_error.h"

namespace quillbay {

// What the user is told of a failure.
std::string FileErrorText(const FileError& error);
std::string RegErrorText(const RegError& error);

}  // namespace quillbay
