// The Windows build has no XML library of its own: Registry.xml is made on Linux.
#include "deploy/gpp_export.h"

namespace quillbay {

std::optional<GppFiles> ExportGpp(const std::vector<DeployedBar>&, bool, std::string_view) {
  return std::nullopt;
}

}  // namespace quillbay
