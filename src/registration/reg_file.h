#pragma once

// The ".reg" file format: a registry in memory as such a file holds one (keys, values and
// how the registry compares names), the reader ("Windows Registry Editor Version 5.00" in
// UTF-16LE, or "REGEDIT4" in 8-bit text) and the writer, which produces what `reg export`
// writes, byte for byte.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "registration/registry_store.h"

namespace quillbay {

// Limits the registry itself sets; the reader refuses deeper or longer names.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxKeyDepth = 512;  // root key included
inline constexpr std::size_t kMaxValueNameLength = 16383;

// One value: names are UTF-16 as the registry keeps them; data are the stored bytes
// (UTF-16LE for the string types).
struct RegFileValue {
  std::u16string name;  // empty: the unnamed value
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;

  friend bool operator==(const RegFileValue&, const RegFileValue&) = default;
};

// One key. Subkey and value names are case-insensitive and case-preserving; subkeys are
// kept sorted the way export lists them, values in the order they were made.
class RegFileKey {
 public:
  explicit RegFileKey(std::u16string name) : name_(std::move(name)) {}
  RegFileKey(const RegFileKey&) = delete;
  RegFileKey& operator=(const RegFileKey&) = delete;
  RegFileKey(RegFileKey&&) noexcept;
  RegFileKey& operator=(RegFileKey&&) noexcept;
  ~RegFileKey();

  const std::u16string& name() const { return name_; }

  RegFileKey* FindChild(std::u16string_view name);
  const RegFileKey* FindChild(std::u16string_view name) const;
  // The subkey `name`, made when missing.
  RegFileKey& OpenChild(std::u16string_view name);
  // Removes the subkey `name` and everything below it; false when there is none.
  bool RemoveChild(std::u16string_view name);
  bool HasChildren() const { return !children_.empty(); }
  // Subkeys in export order: by their upper-cased names.
  const std::map<std::u16string, std::unique_ptr<RegFileKey>>& children() const {
    return children_;
  }

  const std::vector<RegFileValue>& values() const { return values_; }
  const RegFileValue* FindValue(std::u16string_view name) const;
  // Sets value `name`; an existing value keeps its place and the case of its name.
  void SetValue(std::u16string_view name, std::uint32_t type, std::vector<std::uint8_t> data);
  bool RemoveValue(std::u16string_view name);

  // A key that is a section of its own in the file, values or not. A file may name a key
  // only as part of a deeper key's path; such a key is not listed and is not written as a
  // section of its own either, so other programs' files read and written again stay the
  // same byte for byte. Every key Quillbay makes is listed.
  bool listed() const { return listed_; }
  void set_listed(bool listed) { listed_ = listed; }

  friend bool operator==(const RegFileKey& a, const RegFileKey& b);

 private:
  std::u16string name_;
  bool listed_ = false;
  std::map<std::u16string, std::unique_ptr<RegFileKey>> children_;  // by FoldCase(name)
  std::vector<RegFileValue> values_;
  std::unordered_map<std::u16string, std::size_t> value_index_;  // FoldCase(name) -> index
};

// A whole registry: root keys by their long names (HKEY_LOCAL_MACHINE...).
class RegFile {
 public:
  RegFile() : top_(u"") {}

  // The root key named `name` (long or short form, any case); nullptr when `name` names
  // no root. Made when missing.
  RegFileKey* OpenRoot(std::u16string_view name);
  RegFileKey& OpenRoot(RegRoot root);
  const RegFileKey* FindRoot(RegRoot root) const;
  RegFileKey* FindRoot(RegRoot root);

  // Root keys in export order.
  const std::map<std::u16string, std::unique_ptr<RegFileKey>>& roots() const {
    return top_.children();
  }

  // Equal trees; a key that is not listed and holds nothing listed counts as absent, as it
  // leaves no trace in the file.
  friend bool operator==(const RegFile& a, const RegFile& b);

 private:
  RegFileKey top_;
};

// Upper-cases the way the registry compares names.
std::u16string FoldCase(std::u16string_view text);

inline constexpr std::u16string_view kRegFileHeader = u"Windows Registry Editor Version 5.00";

// A registry file as read, and the first of its lines that a file written from `registry`
// would not hold ("line 3: a comment"); empty when there is none. Layout (blank lines,
// spaces, the order of sections) does not count: it does not change what the file holds.
struct ParsedRegFile {
  RegFile registry;
  std::string unkept;
};

// Reads a registry file as import would take it: comments and blank lines skipped, values
// continued over lines, "[-key]" and "name"=- deleting. Any input is safe. Refuses a file
// that is not one Quillbay understands fully, saying why and on which line ("line 3: ...");
// an empty input is an empty registry.
RegResult<ParsedRegFile> ParseRegFile(std::string_view bytes);

// The file as `reg export` writes it: UTF-16LE with BOM, CRLF, every key its own section.
std::string FormatRegFile(const RegFile& file);

}  // namespace quillbay
