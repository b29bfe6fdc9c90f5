#pragma once

// The commands of quillbay-cli, apart from the reading of its command line: each prints what
// it found on standard output and what went wrong on standard error, and gives the exit status.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration/bar_id.h"

namespace quillbay {

inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// Says `text`, or the string table's text `string_id`, on standard error after the program's
// name; kFailed.
int Fail(std::string_view text);
int Fail(int string_id);

int List(bool json);
int Add(const std::string& name, const std::string& location, bool horizontal,
        const std::optional<std::string>& chosen);

// What `set` changes; what is not given stays.
struct SetRequest {
  std::string id;
  std::optional<std::string> name, location;
  std::optional<BarKind> kind;
};

// What `export` is asked to write.
struct ExportRequest {
  std::vector<std::string> ids;
  bool remove = false;
  std::string output;
  std::string format = "reg";
  std::optional<std::string> package_name;
  std::optional<std::string> package_version;
};

int Set(const SetRequest& request);
int Delete(const std::string& id);
int Check(bool repair);
int Export(const ExportRequest& request);
int Page(const std::string& path, const std::optional<std::string>& title,
         const std::vector<std::string>& pairs);

}  // namespace quillbay
