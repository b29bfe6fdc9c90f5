#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "registration/reg_file.h"
#include "tests/support/temp_dir.h"

namespace quillbay::testing {

// A reference export from tests/data/reg-export, as bytes.
inline std::string ReadRegExport(const std::string& name) {
  return ReadBytes(std::string(QUILLBAY_TESTDATA_DIR) + "/reg-export/" + name);
}

// A version 5 file's text without its BOM, as UTF-8, for readable comparisons.
inline std::string Utf16FileText(const std::string& file) {
  std::u16string text;
  for (std::size_t i = 2; i + 1 < file.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<std::uint8_t>(file[i]) |
                                  (static_cast<std::uint8_t>(file[i + 1]) << 8));
  }
  return Utf16ToUtf8(text);
}

}  // namespace quillbay::testing
