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
// at once lose nothing of each other's. Nothing is held or written between calls, except
// while a RegSnapshot is held: then the lock and one reading of the file last until it ends.
//
// A file someone edited by hand is read as `reg import` would take it; when writing it again
// would lose one of its lines (a comment, a deletion, 8-bit text), every change is refused
// naming that line, and the file is left as it is.
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
  RegResult<std::vector<std::string>> ReadSubkeyNames(RegRoot root, std::string_view path) override;

 private:
  void Hold() override;
  void Release() override;
  RegResult<> Begin();
  void End();
  RegResult<> Read();
  RegResult<> Persist();
  RegResult<> Write(const RegKeyWrite& step);
  RegResult<> Delete(const RegKeyPath& key);
  const RegFileKey* Find(RegRoot root, const std::vector<std::u16string>& names) const;
  // Runs `change` on each item under one lock, then writes the file once if anything
  // changed; the failures, each with its key.
  template <typename Item, typename Change>
  std::vector<RegFailure> Update(std::span<const Item> items, Change change);
  // `body` on key `path`, or why it cannot be read.
  template <typename T, typename Body>
  RegResult<T> Reading(RegRoot root, std::string_view path, Body body);

  std::string path_;
  std::string lock_path_;
  int holds_ = 0;                    // snapshots held
  std::optional<FileLock> lock_;     // during a call, and while a snapshot is held
  std::optional<RegResult<>> read_;  // whether the file was read into model_, once it was
  RegFile model_;                    // what the file holds
  std::string unkept_;  // the first line that writing the file again would lose, if any
  bool dirty_ = false;
};

}  // namespace quillbay
