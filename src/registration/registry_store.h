#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "registration/expected.h"
#include "system/file_error.h"

namespace quillbay {

// How the stores' failures travel: a read gives a RegResult, what was read or the RegError;
// a write or a delete gives the failures of the steps it tried, each with its key, since
// every step is tried and nothing is rolled back. A store whose own file cannot be used says
// so in a RegError with `file` set. No store throws.

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

inline bool IsStringType(RegType type) {
  return type == RegType::kString || type == RegType::kExpandString ||
         type == RegType::kMultiString;
}

// Why a registry operation, or the reading of a ".reg" file, failed.
enum class RegStatus {
  kNotFound,      // the key does not exist
  kAccessDenied,  // no rights
  kHasSubkeys,    // a key with subkeys cannot be deleted
  kRefused,       // a name or text the registry, the file or the code page cannot hold
  kStoreError,    // the store itself failed: its file cannot be read, parsed or replaced
};

struct RegError {
  RegStatus status = RegStatus::kRefused;
  std::string detail;             // the key, value or line and what went wrong
  std::optional<FileError> file;  // set when the store's own file could not be used
};

// The one result of the registration code: a value, or why there is none.
template <typename T = void>
using RegResult = Expected<T, RegError>;

inline Unexpected<RegError> RegFailed(RegStatus status, std::string detail) {
  return Unexpected<RegError>({status, std::move(detail), std::nullopt});
}

// One value. Text is 8-bit text as typed (UTF-8 here, the ANSI code page on Windows), in
// names and in the data of the string types alike, which hold their terminating NUL(s);
// the registry keeps such data as UTF-16LE.
struct RegValue {
  std::string name;  // empty: the unnamed value
  RegType type = RegType::kNone;
  std::vector<std::uint8_t> data;

  // A string value holding `text` and its NUL.
  static RegValue Text(std::string name, RegType type, std::string_view text) {
    RegValue value{std::move(name), type, {text.begin(), text.end()}};
    value.data.push_back(0);
    return value;
  }
  friend bool operator==(const RegValue&, const RegValue&) = default;
};

// UTF-16 text as the bytes a string value stores: little-endian, no terminator added.
std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text);

// The UTF-16 text a string value's bytes hold; an odd last byte is dropped.
std::u16string Utf16FromBytes(std::span<const std::uint8_t> bytes);

// The bytes the registry keeps for data of `type`: the string types' 8-bit text in UTF-16LE,
// others as they are; nullopt for text that is not 8-bit text.
std::optional<std::vector<std::uint8_t>> StoredData(RegType type,
                                                    std::span<const std::uint8_t> data);

// The other way: the data as a RegValue holds them; nullopt for UTF-16 text that has no
// 8-bit form.
std::optional<std::vector<std::uint8_t>> DataOfStored(RegType type,
                                                      std::span<const std::uint8_t> stored);

// A key and its root. Paths have backslashes between key names ("CLSID\{...}\Instance").
struct RegKeyPath {
  RegRoot root = RegRoot::kCurrentUser;
  std::string path;
};

// One step of a registration: key `path` with every missing key above it, and its values.
struct RegKeyWrite {
  RegRoot root = RegRoot::kCurrentUser;
  std::string path;
  std::vector<RegValue> values;
};

// Whether two key or value names (or identifiers) are the same, ASCII letters compared
// without case, as the registry compares them.
bool SameName(std::string_view a, std::string_view b);

// A key as read, with everything below it.
struct RegTree {
  std::string name;
  std::vector<RegValue> values;
  std::vector<RegTree> subkeys;

  // The subkey at `path` below this key (ASCII letters compared without case); nullptr
  // when there is none.
  const RegTree* Find(std::string_view path) const;
  // Value `value_name` (ASCII letters compared without case); nullptr when there is none.
  const RegValue* Value(std::string_view value_name) const;
};

// One key that could not be written or deleted, and why.
struct RegFailure {
  RegRoot root = RegRoot::kCurrentUser;
  std::string path;
  RegError error;
};

// The registry as registering a bar needs it. Key and value names are case-insensitive and
// case-preserving. Each call is one update of the store: a store kept in a file reads and
// replaces it once, under its lock; the Windows registry applies each step at once.
class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  // Writes the steps in order. A failing step does not stop the following ones, and
  // nothing is rolled back; the failures are returned, each with its key.
  virtual std::vector<RegFailure> WriteKeys(std::span<const RegKeyWrite> steps) = 0;

  // Deletes the keys in order, each only when it has no subkeys left (kHasSubkeys). Keys
  // that do not exist are no failure.
  virtual std::vector<RegFailure> DeleteKeys(std::span<const RegKeyPath> keys) = 0;

  // Key `path` and everything below it as it is now (on Windows: its 64-bit view);
  // kNotFound when it does not exist.
  virtual RegResult<RegTree> ReadTree(RegRoot root, std::string_view path) = 0;

  // The names of the subkeys of key `path` (on Windows: in its 64-bit view), without what
  // lies below them; kNotFound when the key does not exist.
  virtual RegResult<std::vector<std::string>> ReadSubkeyNames(RegRoot root,
                                                              std::string_view path) = 0;

 private:
  friend class RegSnapshot;
  // A snapshot begins and ends. A store kept in a file holds its lock and one reading of the
  // file in between; the Windows registry is read as it is at each call.
  virtual void Hold() {}
  virtual void Release() {}
};

// One consistent view of the store while it lives: every call sees the store as the first
// one read it, and no other process changes it in between (a store kept in a file is read
// and parsed once, under its lock). Changes made through the store meanwhile are applied
// and seen. Take it after the list's lock (lock order: list, then registry file), around
// the reads of one operation.
class RegSnapshot {
 public:
  explicit RegSnapshot(RegistryStore& store) : store_(store) { store_.Hold(); }
  RegSnapshot(const RegSnapshot&) = delete;
  RegSnapshot& operator=(const RegSnapshot&) = delete;
  ~RegSnapshot() { store_.Release(); }

 private:
  RegistryStore& store_;
};

}  // namespace quillbay
