#pragma once

#include <string>

#include "registration/registry_store.h"

namespace quillbay {

// What the user is told of a registry failure: its detail, then the file error, if any.
std::string RegErrorText(const RegError& error);

}  // namespace quillbay
