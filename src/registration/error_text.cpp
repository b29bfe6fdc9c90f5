#include "registration/error_text.h"

namespace quillbay {

std::string FileErrorText(const FileError& error) {
  return error.Text();
}

std::string RegErrorText(const RegError& error) {
  if (!error.file) return error.detail;
  return error.detail.empty() ? FileErrorText(*error.file)
                              : error.detail + FileErrorText(*error.file);
}

}  // namespace quillbay
