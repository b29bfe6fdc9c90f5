#include <windows.h>
// After windows.h, which it needs.
#include <objbase.h>

#include <cstddef>

#include "system/guid.h"

namespace quillbay {

std::optional<Guid> SystemGuidSource::NewGuid() {
  GUID raw{};
  if (FAILED(::CoCreateGuid(&raw))) return std::nullopt;
  Guid guid;
  guid.data1 = raw.Data1;
  guid.data2 = raw.Data2;
  guid.data3 = raw.Data3;
  for (std::size_t i = 0; i < guid.data4.size(); ++i) guid.data4[i] = raw.Data4[i];
  return guid;
}

}  // namespace quillbay
