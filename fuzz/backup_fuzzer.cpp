// The backup file: any bytes read as one row a line (a line ends at LF, CR LF or a lone CR; a
// last line without its end included), written back as the same rows; rows the bar manager
// can make (no ',' ';' or line break in an identifier, no ';' or line break in a name) come
// back from their file exactly; removing a row leaves every other reading as it did.

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
  std::size_t lines = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool lone_cr = text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n');
    if (text[i] == '\n' || lone_cr || i + 1 == text.size()) ++lines;
  }
  if (std::cmp_not_equal(rows.size(), lines)) fail("rows and lines differ in number");
  if (ParseBackup(FormatBackup(rows)) != rows) fail("rows read from a file do not read back");
  const auto remove = [&](std::size_t i) {
    std::vector<BarRow> rest = rows;
    rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(i));
    if (ParseBackup(FormatBackup(rest)) != rest) fail("a row gone changes how another reads");
  };
  // The first row, the last and one the input picks: every row over a run, at the cost of
  // three.
  if (!rows.empty()) {
    remove(0);
    remove(rows.size() - 1);
    remove(size % rows.size());
  }

  FuzzedDataProvider provider(data, size);
  std::vector<BarRow> made;
  while (provider.remaining_bytes() > 0) {
    made.push_back(
        {provider.ConsumeRandomLengthString(48), provider.ConsumeRandomLengthString(64)});
    std::erase_if(made.back().id, [](char c) { return kNotInRow.find(c) != std::string::npos; });
    std::erase_if(made.back().name, [](char c) { return c == ';' || c == '\r' || c == '\n'; });
  }
  if (ParseBackup(FormatBackup(made)) != made) fail("rows the bar manager makes do not read back");
  return 0;
}
