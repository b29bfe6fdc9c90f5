#include "registration/error_text.h"

#include "resources/string_table.h"

namespace quillbay {

std::string RegErrorText(const RegError& error) {
  if (!error.file) return error.detail;
  return error.detail + FileErrorText(*error.file);
}

}  // namespace quillbay
