#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "registration/expected.h"

namespace quillbay {

// One field of a record: a null, an integer or a string (8-bit text as typed).
using MsiField = std::variant<std::monostate, int, std::string>;

// One summary-information property, by its number (2 title, 7 template, 14 page count...).
struct MsiSummaryProperty {
  unsigned id = 0;
  std::variant<int, std::string> value;
};

// Why a database could not be made; what the installer library said.
using MsiResult = Expected<void, std::string>;

// Hands each field of `record` that is not null to the library's setter of its type, with
// its number: both libraries number a record's fields from 1.
template <typename SetInt, typename SetText>
void ForEachField(std::span<const MsiField> record, SetInt set_int, SetText set_text) {
  for (std::size_t i = 0; i < record.size(); ++i) {
    const auto field = static_cast<unsigned>(i + 1);
    if (const int* number = std::get_if<int>(&record[i])) {
      set_int(field, *number);
    } else if (const std::string* text = std::get_if<std::string>(&record[i])) {
      set_text(field, text->c_str());
    }
  }
}

// A Windows Installer database being made: the installer's own API (msi.dll on Windows,
// libmsi elsewhere) and nothing more. The tables are built in portable code.
class InstallerDatabase {
 public:
  virtual ~InstallerDatabase() = default;
  // Runs one SQL statement; its '?' markers take `record`'s fields in order.
  virtual MsiResult Execute(std::string_view sql, std::span<const MsiField> record) = 0;
  virtual MsiResult SetSummary(std::span<const MsiSummaryProperty> properties) = 0;
  // Writes the database to its file.
  virtual MsiResult Commit() = 0;
};

// A new, empty database at `path` (replaced if it exists); the failure says why not.
Expected<std::unique_ptr<InstallerDatabase>, std::string> CreateInstallerDatabase(
    const std::string& path);

}  // namespace quillbay
