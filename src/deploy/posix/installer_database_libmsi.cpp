// The installer database through libmsi: GObjects and GErrors where msi.dll has handles
// and status codes; the same SQL.
#include <libmsi.h>

#include <cstdio>

#include "deploy/installer_database.h"

namespace quillbay {
namespace {

// Owns one GObject reference.
template <typename T>
struct Owned {
  T* object = nullptr;
  Owned() = default;
  explicit Owned(T* o) : object(o) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() {
    if (object != nullptr) g_object_unref(object);
  }
};

// The failure `error` holds (and frees), after `what`.
Unexpected<std::string> Failed(std::string_view what, GError* error) {
  std::string text(what);
  if (error != nullptr) {
    text += std::string(": ") + error->message;
    g_error_free(error);
  }
  return Unexpected<std::string>(std::move(text));
}

class LibmsiDatabase final : public InstallerDatabase {
 public:
  explicit LibmsiDatabase(::LibmsiDatabase* db) : db_(db) {}

  MsiResult Execute(std::string_view sql, std::span<const MsiField> record) override {
    GError* error = nullptr;
    const std::string statement(sql);
    Owned<LibmsiQuery> query(libmsi_query_new(db_.object, statement.c_str(), &error));
    if (query.object == nullptr) return Failed(statement, error);
    Owned<LibmsiRecord> fields;
    if (!record.empty()) {
      fields.object = libmsi_record_new(static_cast<guint>(record.size()));
      ForEachField(
          record,
          [&](guint field, int number) { libmsi_record_set_int(fields.object, field, number); },
          [&](guint field, const char* text) {
            libmsi_record_set_string(fields.object, field, text);
          });
    }
    if (!libmsi_query_execute(query.object, fields.object, &error)) return Failed(statement, error);
    libmsi_query_close(query.object, nullptr);
    return {};
  }

  MsiResult SetSummary(std::span<const MsiSummaryProperty> properties) override {
    GError* error = nullptr;
    Owned<LibmsiSummaryInfo> info(
        libmsi_summary_info_new(db_.object, static_cast<unsigned>(properties.size()), &error));
    if (info.object == nullptr) return Failed("the summary information", error);
    for (const MsiSummaryProperty& property : properties) {
      const auto id = static_cast<LibmsiProperty>(property.id);
      const bool set =
          std::holds_alternative<int>(property.value)
              ? libmsi_summary_info_set_int(info.object, id, std::get<int>(property.value), &error)
              : libmsi_summary_info_set_string(
                    info.object, id, std::get<std::string>(property.value).c_str(), &error);
      if (!set) return Failed("summary property " + std::to_string(property.id), error);
    }
    if (!libmsi_summary_info_persist(info.object, &error)) {
      return Failed("the summary information", error);
    }
    return {};
  }

  MsiResult Commit() override {
    GError* error = nullptr;
    if (!libmsi_database_commit(db_.object, &error)) return Failed("the package", error);
    return {};
  }

 private:
  Owned<::LibmsiDatabase> db_;
};

}  // namespace

Expected<std::unique_ptr<InstallerDatabase>, std::string> CreateInstallerDatabase(
    const std::string& path) {
  GError* error = nullptr;
  std::remove(path.c_str());
  ::LibmsiDatabase* db = libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_CREATE, nullptr, &error);
  if (db == nullptr) return Failed(path, error);
  return std::unique_ptr<InstallerDatabase>(std::make_unique<LibmsiDatabase>(db));
}

}  // namespace quillbay
