#pragma once

#include <string>
#include <string_view>

namespace quillbay {

// The path of the running program file.
std::string ModulePath();

// The program file's name without folder and extension: the caption of message boxes.
std::string ApplicationTitleOf(std::string_view module_path);

}  // namespace quillbay
