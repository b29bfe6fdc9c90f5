#pragma once

#include <optional>
#include <string>
#include <unordered_map>

#include "registration/reg_file.h"
#include "registration/registry_store.h"
#include "system/file_lock.h"

namespace quillbay {

// The registry of systems without one: kept in a ".reg" file written exactly as Windows'
// `reg export` writes it, so `reg import` takes it as it stands, and read back without
// losing any other program's keys or values.
//
// Persistence: one registry step is written at once. Changes made through keys are
// written when the last open key is closed; each DeleteKey is written when it is made.
// Within BeginUpdate/EndUpdate everything is written once, at EndUpdate.
// From the first CreateKey to that CloseKey (and during a DeleteKey) the store holds an
// exclusive lock on "<path>.lock", reads the file again if another process replaced it
// since we last saw it (its stamp tells), applies the change and replaces the file
// atomically, so two processes writing at once lose nothing of each other's.
//
// Text: names and string data arrive as UTF-8 and are kept as UTF-16LE. Text that is not
// valid UTF-8 is refused (kOther) and nothing is stored: guessing would store something
// other than what was typed. Names with line breaks are refused too; the file could not
// hold them.
//
// A file that cannot be read or parsed, or that the user could not open for writing, is
// never overwritten: the operation fails with kStoreError, its detail naming the file
// (and the line).
class FileRegistryStore final : public RegistryStore {
 public:
  explicit FileRegistryStore(std::string path);
  FileRegistryStore(const FileRegistryStore&) = delete;
  FileRegistryStore& operator=(const FileRegistryStore&) = delete;
  // Writes what keys still open changed, as closing them would, and lets go of the lock.
  ~FileRegistryStore() override;

  RegResult CreateKey(RegRoot root, std::string_view path, RegKey* key) override;
  RegResult SetDefaultString(RegKey key, std::string_view text) override;
  RegResult SetValue(RegKey key, std::string_view name, RegType type,
                     std::span<const std::uint8_t> data) override;
  RegResult DeleteKey(RegRoot root, std::string_view path) override;
  RegResult CloseKey(RegKey key) override;
  // Reads the file as it is now, under the lock.
  RegResult ReadKey(RegRoot root, std::string_view path, RegKeyContents* out) override;
  void BeginUpdate() override;
  RegResult EndUpdate() override;

  const std::string& path() const { return path_; }

 private:
  struct OpenKey {
    RegFileKey* key = nullptr;
    bool deleted = false;  // deleted while open: further writes through it fail
  };

  RegResult Begin();
  void End();
  RegResult Persist();
  RegResult Refresh();
  RegResult StoreError(const std::string& what) const;

  std::string path_;
  std::string lock_path_;
  std::optional<FileLock> lock_;
  RegFile model_;
  bool model_current_ = false;      // model_ is what the file held when stamp_ was taken
  std::optional<FileStamp> stamp_;  // nullopt: the file did not exist
  bool dirty_ = false;
  std::unordered_map<RegKey, OpenKey> open_;
  RegKey next_key_ = 1;
  int updates_ = 0;  // BeginUpdate calls not yet ended
};

}  // namespace quillbay
