#include <optional>
#include <string>

#include "registration/machine_bars.h"
#include "registration/posix/file_registry_store.h"
#include "resources/string_table.h"
#include "system/data_files.h"

namespace quillbay {
namespace {

// The registry where no data folder can hold registry.reg. Bars refuses every operation
// before it would come here, since the list has no place either; whatever asks is refused.
class NoRegistry final : public RegistryStore {
 public:
  std::vector<RegFailure> WriteKeys(std::span<const RegKeyWrite> steps) override {
    std::vector<RegFailure> refused;
    for (const RegKeyWrite& step : steps) refused.push_back({step.root, step.path, Why()});
    return refused;
  }
  // No key is there, so none fails to go.
  std::vector<RegFailure> DeleteKeys(std::span<const RegKeyPath> /*keys*/) override { return {}; }
  RegResult<RegTree> ReadTree(RegRoot /*root*/, std::string_view /*path*/) override {
    return Unexpected(Why());
  }
  RegResult<std::vector<std::string>> ReadSubkeyNames(RegRoot /*root*/,
                                                      std::string_view /*path*/) override {
    return Unexpected(Why());
  }

 private:
  static RegError Why() {
    return {RegStatus::kStoreError, std::string(StringResource(str::kNoDataFolder)), std::nullopt};
  }
};

}  // namespace

std::unique_ptr<RegistryStore> OpenMachineRegistry() {
  const std::optional<std::string> path = DataFilePath(kRegistryFileName);
  if (!path) return std::make_unique<NoRegistry>();
  return std::make_unique<FileRegistryStore>(*path);
}

}  // namespace quillbay
