#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace quillbay {

// A GUID with the fields of the system's GUID structure.
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  friend bool operator==(const Guid&, const Guid&) = default;
};

// Where fresh GUIDs come from; tests script it.
class GuidSource {
 public:
  virtual ~GuidSource() = default;
  // A fresh GUID, or nullopt when the system could not make one.
  virtual std::optional<Guid> NewGuid() = 0;
};

// The system's generator: CoCreateGuid on Windows, a version-4 GUID from the OS random
// source elsewhere.
class SystemGuidSource final : public GuidSource {
 public:
  std::optional<Guid> NewGuid() override;
};

}  // namespace quillbay
