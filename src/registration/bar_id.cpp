#include "registration/bar_id.h"

#include <cctype>
#include <cstdio>

#include "resources/string_table.h"

namespace quillbay {

BarId FormatBarId(const Guid& guid) {
  // The string resource is a printf format; 38 characters and the NUL fit.
  const std::string format(StringResource(str::kBarIdFormat));
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format.c_str(), static_cast<unsigned long>(guid.data1),
                unsigned{guid.data2}, unsigned{guid.data3}, unsigned{guid.data4[0]},
                unsigned{guid.data4[1]}, unsigned{guid.data4[2]}, unsigned{guid.data4[3]},
                unsigned{guid.data4[4]}, unsigned{guid.data4[5]}, unsigned{guid.data4[6]},
                unsigned{guid.data4[7]});
  return buffer;
}

std::optional<BarId> NewBarId(GuidSource& source) {
  const std::optional<Guid> guid = source.NewGuid();
  if (!guid) return std::nullopt;
  return FormatBarId(*guid);
}

bool IsWellFormedBarId(std::string_view id) {
  if (id.size() != 38 || id.front() != '{' || id.back() != '}') return false;
  for (std::size_t i = 1; i < 37; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    const unsigned char c = static_cast<unsigned char>(id[i]);
    if (dash ? c != '-' : !std::isxdigit(c)) return false;
  }
  return true;
}

}  // namespace quillbay
