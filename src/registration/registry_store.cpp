#include "registration/registry_store.h"

#include <algorithm>
#include <cctype>

#include "registration/registry_paths.h"
#include "system/text.h"

namespace quillbay {
bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

const RegTree* RegTree::Find(std::string_view path) const {
  const RegTree* key = this;
  for (const std::string_view step : SplitKeyPath(path)) {
    const auto it = std::ranges::find_if(
        key->subkeys, [&](const RegTree& sub) { return SameName(sub.name, step); });
    if (it == key->subkeys.end()) return nullptr;
    key = &*it;
  }
  return key;
}

const RegValue* RegTree::Value(std::string_view value_name) const {
  const auto it =
      std::ranges::find_if(values, [&](const RegValue& v) { return SameName(v.name, value_name); });
  return it == values.end() ? nullptr : &*it;
}

std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text) {
  std::vector<std::uint8_t> out;
  out.reserve(2 * text.size());
  for (const char16_t c : text) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

std::u16string Utf16FromBytes(std::span<const std::uint8_t> bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return text;
}

std::optional<std::vector<std::uint8_t>> StoredData(RegType type,
                                                    std::span<const std::uint8_t> data) {
  if (!IsStringType(type)) return std::vector<std::uint8_t>(data.begin(), data.end());
  const auto text =
      TextToUtf16(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  if (!text) return std::nullopt;
  return Utf16Bytes(*text);
}

std::optional<std::vector<std::uint8_t>> DataOfStored(RegType type,
                                                      std::span<const std::uint8_t> stored) {
  if (!IsStringType(type)) return std::vector<std::uint8_t>(stored.begin(), stored.end());
  const auto text = Utf16ToText(Utf16FromBytes(stored));
  if (!text) return std::nullopt;
  return std::vector<std::uint8_t>(text->begin(), text->end());
}

}  // namespace quillbay
