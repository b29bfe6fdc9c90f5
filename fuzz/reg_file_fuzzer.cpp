// Any bytes: the reader never crashes, and whatever it accepts the writer writes so that
// reading the written file gives the same registry, and writing that gives the same bytes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "registration/reg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillbay;
  const auto fail = [](const char* what) {
    std::fprintf(stderr, "reg_file_fuzzer: %s\n", what);
    std::abort();
  };
  const RegResult<ParsedRegFile> file =
      ParseRegFile(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!file) {
    if (file.error().detail.empty()) fail("a refusal without a reason");
    return 0;
  }
  const std::string written = FormatRegFile(file->registry);
  const RegResult<ParsedRegFile> again = ParseRegFile(written);
  if (!again) fail("the written file does not read back");
  if (!again->unkept.empty()) fail("the written file has a line it would not keep");
  if (!(again->registry == file->registry)) fail("the written file reads back as another registry");
  if (FormatRegFile(again->registry) != written)
    fail("writing what was read back changes the bytes");
  return 0;
}
