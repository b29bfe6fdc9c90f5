// The installer database through msi.dll, whose ANSI functions take text in the code page
// as the rest of the program keeps it.
#include <windows.h>
// clang-format off: msiquery.h needs the types of msi.h first.
#include <msi.h>
#include <msiquery.h>
// clang-format on

#include "deploy/installer_database.h"

namespace quillbay {
namespace {

// Owns one installer handle.
struct Handle {
  MSIHANDLE value = 0;
  Handle() = default;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (value != 0) MsiCloseHandle(value);
  }
};

// The failure: `what`, the status and what the installer last noted.
Unexpected<std::string> Failed(std::string_view what, UINT status) {
  std::string text = std::string(what) + ": error " + std::to_string(status);
  Handle record;
  record.value = MsiGetLastErrorRecord();
  if (record.value != 0) {
    char buffer[1024];
    DWORD size = sizeof buffer;
    if (MsiFormatRecordA(0, record.value, buffer, &size) == ERROR_SUCCESS) {
      text += std::string(" (") + buffer + ")";
    }
  }
  return Unexpected<std::string>(std::move(text));
}

class MsiDatabase final : public InstallerDatabase {
 public:
  explicit MsiDatabase(MSIHANDLE db) { db_.value = db; }

  MsiResult Execute(std::string_view sql, std::span<const MsiField> record) override {
    const std::string statement(sql);
    Handle view;
    if (UINT status = MsiDatabaseOpenViewA(db_.value, statement.c_str(), &view.value)) {
      return Failed(statement, status);
    }
    Handle fields;
    if (!record.empty()) {
      fields.value = MsiCreateRecord(static_cast<UINT>(record.size()));
      ForEachField(
          record, [&](UINT field, int number) { MsiRecordSetInteger(fields.value, field, number); },
          [&](UINT field, const char* text) { MsiRecordSetStringA(fields.value, field, text); });
    }
    if (UINT status = MsiViewExecute(view.value, fields.value)) return Failed(statement, status);
    MsiViewClose(view.value);
    return {};
  }

  MsiResult SetSummary(std::span<const MsiSummaryProperty> properties) override {
    Handle info;
    if (UINT status = MsiGetSummaryInformationA(
            db_.value, nullptr, static_cast<UINT>(properties.size()), &info.value)) {
      return Failed("the summary information", status);
    }
    for (const MsiSummaryProperty& property : properties) {
      const int* number = std::get_if<int>(&property.value);
      const UINT status =
          number != nullptr
              // The code page is the one 16-bit number among the properties.
              ? MsiSummaryInfoSetPropertyA(info.value, property.id,
                                           property.id == 1 ? VT_I2 : VT_I4, *number, nullptr,
                                           nullptr)
              : MsiSummaryInfoSetPropertyA(info.value, property.id, VT_LPSTR, 0, nullptr,
                                           std::get<std::string>(property.value).c_str());
      if (status != ERROR_SUCCESS) {
        return Failed("summary property " + std::to_string(property.id), status);
      }
    }
    if (UINT status = MsiSummaryInfoPersist(info.value)) {
      return Failed("the summary information", status);
    }
    return {};
  }

  MsiResult Commit() override {
    if (UINT status = MsiDatabaseCommit(db_.value)) return Failed("the package", status);
    return {};
  }

 private:
  Handle db_;
};

}  // namespace

Expected<std::unique_ptr<InstallerDatabase>, std::string> CreateInstallerDatabase(
    const std::string& path) {
  MSIHANDLE db = 0;
  if (UINT status = MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &db)) {
    return Failed(path, status);
  }
  return std::unique_ptr<InstallerDatabase>(std::make_unique<MsiDatabase>(db));
}

}  // namespace quillbay
