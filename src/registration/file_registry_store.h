#pragma once

#include <optional>
#include <string>

#include "registration/reg_file.h"
#include "registration/registry_store.h"
#include "system/file_lock.h"

namespace quillbay {

// The registry of systems without one: kept in a ".reg" file written exactly as Windows'
// `reg export` writes it, so `reg import` takes it as it stands, and read back without
// losing any other program's keys or values.
//
// Each call is one update: it takes an exclusive lock on "<path>.lock", reads the file,
// applies the whole change and replaces the file atomically once, so two processes writing
// at once lose nothing of each other's. Nothing is held or written between calls.
//
// Text: names and string data arrive as UTF-8 and are kept as UTF-16LE. Text that is not
// valid UTF-8 is refused and nothing of its step is stored: guessing would store something
// other than what was typed. Names with line breaks are refused too; the file could not
// hold them.
//
// A file that cannot be read or parsed, or that the user could not open for writing, is
// never overwritten: every step fails with kStoreError, naming the file (and the line).
class FileRegistryStore final : public RegistryStore {
 public:
  explicit FileRegistryStore(std::string path);
  FileRegistryStore(const FileRegistryStore&) = delete;
  FileRegistryStore& operator=(const FileRegistryStore&) = delete;

  std::vector<RegFailure> WriteKeys(std::span<const RegKeyWrite> steps) override;
  std::vector<RegFailure> DeleteKeys(std::span<const RegKeyPath> keys) override;
  RegResult<RegTree> ReadTree(RegRoot root, std::string_view path) override;

  const std::string& path() const { return path_; }

 private:
  RegResult<FileLock> Begin();
  RegResult<> Persist();
  RegResult<> Write(const RegKeyWrite& step);
  RegResult<> Delete(const RegKeyPath& key);
  // Runs `change` on each item under one lock, then writes the file once if anything
  // changed; the failures, each with its key.
  template <typename Item, typename Change>
  std::vector<RegFailure> Update(std::span<const Item> items, Change change);

  std::string path_;
  std::string lock_path_;
  RegFile model_;  // what the file holds, during a call
  bool dirty_ = false;
};

}  // namespace quillbay
