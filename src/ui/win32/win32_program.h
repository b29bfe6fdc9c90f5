#pragma once

#include <string>
#include <string_view>

namespace quillbay {

// The path of the running program file.
std::string ModulePath();

// The program file's name without folder and extension: the caption of message boxes.
std::string ApplicationTitleOf(std::string_view module_path);

// The program's path with its extension replaced by ".HLP": the help file F1 asks for.
std::string HelpFilePathOf(std::string_view module_path);

}  // namespace quillbay
