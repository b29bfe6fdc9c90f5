// The backup file's reader and writer. For any bytes:
//  - every line is one row (a last line without its end included);
//  - rows read from any file are written so that they read back the same;
// and rows that the bar manager can make (no ',' ';' or line feed in an identifier, no ';'
// or line feed in a name) come back from their file exactly.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "registration/backup_file.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "backup_fuzzer: %s\n", what);
  std::abort();
}

std::string Without(std::string text, std::string_view banned) {
  std::erase_if(text, [&](char c) { return banned.find(c) != std::string_view::npos; });
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillbay;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const std::vector<BarRow> rows = ParseBackup(text);
  std::size_t lines = 0;
  for (const char c : text) lines += c == '\n' ? 1 : 0;
  if (!text.empty() && text.back() != '\n') ++lines;
  if (rows.size() != lines) Fail("rows and lines differ in number");
  if (ParseBackup(FormatBackup(rows)) != rows) Fail("rows read from a file do not read back");

  FuzzedDataProvider provider(data, size);
  std::vector<BarRow> made;
  while (provider.remaining_bytes() > 0) {
    std::string id = Without(provider.ConsumeRandomLengthString(48), ",;\n");
    std::string name = Without(provider.ConsumeRandomLengthString(64), ";\n");
    made.push_back({std::move(id), std::move(name)});
  }
  const std::string file = FormatBackup(made);
  if (ParseBackup(file) != made) Fail("rows the bar manager makes do not read back");
  return 0;
}
