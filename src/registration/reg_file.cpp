#include "registration/reg_file.h"

#include <array>

namespace quillbay {
namespace {

struct RootAlias {
  std::u16string_view long_name;
  std::u16string_view short_name;
};
constexpr std::array<RootAlias, 5> kRoots = {{
    {u"HKEY_CLASSES_ROOT", u"HKCR"},
    {u"HKEY_CURRENT_USER", u"HKCU"},
    {u"HKEY_LOCAL_MACHINE", u"HKLM"},
    {u"HKEY_USERS", u"HKU"},
    {u"HKEY_CURRENT_CONFIG", u"HKCC"},
}};

char16_t ToUpper(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
  // Latin-1, Latin Extended-A, Greek and Cyrillic: the letters people put in names.
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    const bool odd_is_lower = (c < 0x138) || (c >= 0x14A && c < 0x178);
    if (odd_is_lower) return (c & 1) != 0 && c != 0x131 ? static_cast<char16_t>(c - 1) : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
      return (c & 1) == 0 ? static_cast<char16_t>(c - 1) : c;
    }
    return c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  return c;
}

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ToUpper(a[i]) != ToUpper(b[i])) return false;
  }
  return true;
}

std::u16string_view CanonicalRoot(std::u16string_view name) {
  for (const RootAlias& root : kRoots) {
    if (SameIgnoringCase(name, root.long_name) || SameIgnoringCase(name, root.short_name)) {
      return root.long_name;
    }
  }
  return {};
}

std::u16string_view LongRootName(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot:
      return kRoots[0].long_name;
    case RegRoot::kCurrentUser:
      return kRoots[1].long_name;
    case RegRoot::kLocalMachine:
      break;
  }
  return kRoots[2].long_name;
}

}  // namespace

RegFileKey::RegFileKey(RegFileKey&&) noexcept = default;
RegFileKey& RegFileKey::operator=(RegFileKey&&) noexcept = default;
RegFileKey::~RegFileKey() = default;

RegFileKey* RegFileKey::FindChild(std::u16string_view name) {
  const auto it = children_.find(FoldCase(name));
  return it == children_.end() ? nullptr : it->second.get();
}

const RegFileKey* RegFileKey::FindChild(std::u16string_view name) const {
  const auto it = children_.find(FoldCase(name));
  return it == children_.end() ? nullptr : it->second.get();
}

RegFileKey& RegFileKey::OpenChild(std::u16string_view name) {
  auto [it, made] = children_.try_emplace(FoldCase(name));
  if (made) it->second = std::make_unique<RegFileKey>(std::u16string(name));
  return *it->second;
}

bool RegFileKey::RemoveChild(std::u16string_view name) {
  return children_.erase(FoldCase(name)) != 0;
}

const RegFileValue* RegFileKey::FindValue(std::u16string_view name) const {
  const auto it = value_index_.find(FoldCase(name));
  return it == value_index_.end() ? nullptr : &values_[it->second];
}

void RegFileKey::SetValue(std::u16string_view name, std::uint32_t type,
                          std::vector<std::uint8_t> data) {
  listed_ = true;  // a key with values is a section of the file
  auto [it, made] = value_index_.try_emplace(FoldCase(name), values_.size());
  if (made) {
    values_.push_back({std::u16string(name), type, std::move(data)});
  } else {
    RegFileValue& value = values_[it->second];
    value.type = type;
    value.data = std::move(data);
  }
}

bool RegFileKey::RemoveValue(std::u16string_view name) {
  const auto it = value_index_.find(FoldCase(name));
  if (it == value_index_.end()) return false;
  const std::size_t index = it->second;
  value_index_.erase(it);
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(index));
  for (auto& [folded, at] : value_index_) {
    if (at > index) --at;
  }
  return true;
}

namespace {

// A key that leaves no trace in a file.
bool Vacant(const RegFileKey& key) {
  if (key.listed() || !key.values().empty()) return false;
  for (const auto& [folded, child] : key.children()) {
    if (!Vacant(*child)) return false;
  }
  return true;
}

bool SameChildren(const RegFileKey& a, const RegFileKey& b) {
  auto x = a.children().begin();
  auto y = b.children().begin();
  for (;;) {
    while (x != a.children().end() && Vacant(*x->second)) ++x;
    while (y != b.children().end() && Vacant(*y->second)) ++y;
    if (x == a.children().end() || y == b.children().end()) {
      return x == a.children().end() && y == b.children().end();
    }
    if (x->first != y->first || !(*x->second == *y->second)) return false;
    ++x;
    ++y;
  }
}

}  // namespace

bool operator==(const RegFileKey& a, const RegFileKey& b) {
  return a.name_ == b.name_ && a.listed_ == b.listed_ && a.values_ == b.values_ &&
         SameChildren(a, b);
}

RegFileKey* RegFile::OpenRoot(std::u16string_view name) {
  const std::u16string_view canonical = CanonicalRoot(name);
  return canonical.empty() ? nullptr : &top_.OpenChild(canonical);
}

RegFileKey& RegFile::OpenRoot(RegRoot root) {
  return top_.OpenChild(LongRootName(root));
}

const RegFileKey* RegFile::FindRoot(RegRoot root) const {
  return top_.FindChild(LongRootName(root));
}

RegFileKey* RegFile::FindRoot(RegRoot root) {
  return top_.FindChild(LongRootName(root));
}

bool operator==(const RegFile& a, const RegFile& b) {
  return a.top_ == b.top_;
}

std::u16string FoldCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = ToUpper(c);
  return out;
}

}  // namespace quillbay
