#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillbay {

// The registry roots Quillbay writes under.
enum class RegRoot { kClassesRoot, kLocalMachine, kCurrentUser };

// Value types, numbered as the registry numbers them.
enum class RegType : std::uint32_t {
  kNone = 0,
  kString = 1,        // REG_SZ
  kExpandString = 2,  // REG_EXPAND_SZ
  kBinary = 3,        // REG_BINARY
  kDword = 4,         // REG_DWORD
  kMultiString = 7,   // REG_MULTI_SZ
  kQword = 11,        // REG_QWORD
};

// The outcome of one registry operation.
enum class RegStatus {
  kOk,
  kNotFound,      // the key does not exist
  kAccessDenied,  // no rights
  kHasSubkeys,    // a key with subkeys cannot be deleted
  kStoreError,    // the store itself failed: its file cannot be read, parsed or replaced
  kOther,
};

struct RegResult {
  RegStatus status = RegStatus::kOk;
  std::string detail;  // what went wrong, for the user; empty on success

  bool ok() const { return status == RegStatus::kOk; }
  static RegResult Ok() { return {}; }
};

// One value as the store keeps it: string types as UTF-16LE bytes, with the NUL they were
// given.
struct RegValueData {
  std::string name;  // empty: the unnamed value
  RegType type = RegType::kNone;
  std::vector<std::uint8_t> data;

  friend bool operator==(const RegValueData&, const RegValueData&) = default;
};

// What one key holds: its direct subkeys' names and its values, names as UTF-8 text.
struct RegKeyContents {
  std::vector<std::string> subkeys;
  std::vector<RegValueData> values;
};

// An open key, as the store hands it out; 0 is never a valid handle.
using RegKey = std::uintptr_t;

// The registry operations that registering a bar needs. Paths are 8-bit text with
// backslashes between key names ("CLSID\{...}\InProcServer32"); key and value names are
// case-insensitive and case-preserving.
class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  // Creates every missing key along `path` and opens the last one.
  virtual RegResult CreateKey(RegRoot root, std::string_view path, RegKey* key) = 0;

  // Sets the key's unnamed value to `text` as a string, with its terminating NUL.
  virtual RegResult SetDefaultString(RegKey key, std::string_view text) = 0;

  // Sets value `name` (empty: the unnamed value) to `data` of `type`. As through the
  // system's 8-bit interface, string types are given as 8-bit text (byte count including
  // the NUL the caller wants stored) and stored as UTF-16LE.
  virtual RegResult SetValue(RegKey key, std::string_view name, RegType type,
                             std::span<const std::uint8_t> data) = 0;

  // Deletes one key. A key that still has subkeys is not deleted; a missing key reports
  // kNotFound.
  virtual RegResult DeleteKey(RegRoot root, std::string_view path) = 0;

  // Closes a key handed out by CreateKey. Changes made through it are kept.
  virtual RegResult CloseKey(RegKey key) = 0;

  // Reads what key `path` holds now (on Windows: its 64-bit view); kNotFound when it does
  // not exist. A store that cannot be read back says so.
  virtual RegResult ReadKey(RegRoot /*root*/, std::string_view /*path*/, RegKeyContents* out) {
    *out = {};
    return {RegStatus::kOther, "this registry cannot be read back"};
  }

  // Groups the calls up to the matching EndUpdate into one update of the store: a store
  // that keeps a file reads and writes it once, under one lock, instead of once a step.
  // The registry itself applies every call at once and needs nothing here.
  virtual void BeginUpdate() {}
  // Ends the update; returns the failure to write it, if any.
  virtual RegResult EndUpdate() { return RegResult::Ok(); }

  // Called once after a bar's entries have been written or deleted, for a store whose
  // readers keep a cached copy that must be dropped. Nothing to do by default.
  virtual RegResult BarsChanged() { return RegResult::Ok(); }
};

}  // namespace quillbay
