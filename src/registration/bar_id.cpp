#include "registration/bar_id.h"

#include <cctype>
#include <cstdio>

#include "registration/registry_store.h"
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

bool SameBarId(std::string_view a, std::string_view b) {
  return IsWellFormedBarId(a) && IsWellFormedBarId(b) ? SameName(a, b) : a == b;
}

std::string TypedBarId(std::string_view typed) {
  std::string id = typed.size() == 36 ? "{" + std::string(typed) + "}" : std::string(typed);
  for (char& c : id) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return IsWellFormedBarId(id) ? id : std::string(typed);
}

std::optional<BarId> NearBarId(std::string_view field) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  for (bool trimmed = true; trimmed;) {
    trimmed = field.starts_with(kBom);
    if (trimmed) field.remove_prefix(kBom.size());
    while (!field.empty() &&
           (field.front() == ' ' || field.front() == '\t' || field.front() == '\0')) {
      field.remove_prefix(1);
      trimmed = true;
    }
  }
  while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.remove_suffix(1);
  const std::string id = TypedBarId(field);
  if (!IsWellFormedBarId(id)) return std::nullopt;
  return id;
}

}  // namespace quillbay
