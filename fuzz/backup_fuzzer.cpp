// The backup file: any bytes read as one row a line (a last line without its end included),
// written back as the same rows; rows the bar manager can make (no ',' ';' or line feed in
// an identifier, no ';' or line feed in a name) come back from their file exactly.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "registration/backup_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillbay;
  const auto fail = [](const char* what) {
    std::fprintf(stderr, "backup_fuzzer: %s\n", what);
    std::abort();
  };
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<BarRow> rows = ParseBackup(text);
  const auto lines = std::ranges::count(text, '\n') + (text.empty() || text.back() == '\n' ? 0 : 1);
  if (std::cmp_not_equal(rows.size(), lines)) fail("rows and lines differ in number");
  if (ParseBackup(FormatBackup(rows)) != rows) fail("rows read from a file do not read back");

  FuzzedDataProvider provider(data, size);
  std::vector<BarRow> made;
  while (provider.remaining_bytes() > 0) {
    made.push_back(
        {provider.ConsumeRandomLengthString(48), provider.ConsumeRandomLengthString(64)});
    std::erase_if(made.back().id, [](char c) { return c == ',' || c == ';' || c == '\n'; });
    std::erase_if(made.back().name, [](char c) { return c == ';' || c == '\n'; });
  }
  if (ParseBackup(FormatBackup(made)) != made) fail("rows the bar manager makes do not read back");
  return 0;
}
