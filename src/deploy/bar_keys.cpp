#include "deploy/bar_keys.h"

#include <array>
#include <cstdint>
#include <cstdio>

#include "registration/bar_registry.h"
#include "registration/registry_paths.h"

namespace quillbay {
namespace {

// Takes down what RegisterBar writes instead of writing it.
class KeyRecorder final : public RegistryStore {
 public:
  std::vector<RegFailure> WriteKeys(std::span<const RegKeyWrite> steps) override {
    keys.assign(steps.begin(), steps.end());
    return {};
  }
  std::vector<RegFailure> DeleteKeys(std::span<const RegKeyPath>) override { return {}; }
  RegResult<RegTree> ReadTree(RegRoot, std::string_view) override {
    return RegFailed(RegStatus::kNotFound, "");
  }
  RegResult<std::vector<std::string>> ReadSubkeyNames(RegRoot, std::string_view) override {
    return RegFailed(RegStatus::kNotFound, "");
  }
  std::vector<RegKeyWrite> keys;
};

// SHA-1, as the name-based UUIDs of version 5 use it.
std::array<std::uint8_t, 20> Sha1(std::string_view text) {
  std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::string message(text);
  const std::uint64_t bits = static_cast<std::uint64_t>(text.size()) * 8;
  message.push_back(static_cast<char>(0x80));
  while (message.size() % 64 != 56) message.push_back('\0');
  for (int i = 7; i >= 0; --i) message.push_back(static_cast<char>(bits >> (i * 8)));
  auto rotl = [](std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); };
  for (std::size_t block = 0; block < message.size(); block += 64) {
    std::uint32_t w[80];
    for (std::size_t i = 0; i < 16; ++i) {
      w[i] = 0;
      for (std::size_t b = 0; b < 4; ++b) {
        w[i] = (w[i] << 8) | static_cast<std::uint8_t>(message[block + i * 4 + b]);
      }
    }
    for (std::size_t i = 16; i < 80; ++i)
      w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
      std::uint32_t f, k;
      if (i < 20) {
        f = (b & c) | (~b & d), k = 0x5A827999;
      } else if (i < 40) {
        f = b ^ c ^ d, k = 0x6ED9EBA1;
      } else if (i < 60) {
        f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
      } else {
        f = b ^ c ^ d, k = 0xCA62C1D6;
      }
      const std::uint32_t t = rotl(a, 5) + f + e + k + w[i];
      e = d, d = c, c = rotl(b, 30), b = a, a = t;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
  }
  std::array<std::uint8_t, 20> digest{};
  for (std::size_t i = 0; i < 20; ++i) {
    digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
  }
  return digest;
}

// Quillbay's namespace for name-based UUIDs (fixed once; never change it, or packages lose
// their upgrades and shared bars).
constexpr std::array<std::uint8_t, 16> kNamespace = {
    0x5b, 0x8e, 0x2f, 0x41, 0x9c, 0x3a, 0x4d, 0x17, 0xa6, 0x02, 0xe1, 0x7f, 0x58, 0xc4, 0x90, 0x3d};

}  // namespace

std::vector<RegKeyWrite> BarKeys(const DeployedBar& bar) {
  KeyRecorder recorder;
  (void)RegisterBar(recorder, bar.id, bar.name, bar.location, bar.kind);
  return std::move(recorder.keys);
}

std::string ValueData(const RegValue& value) {
  if (value.type == RegType::kBinary) {
    std::string hex;
    for (const std::uint8_t byte : value.data) {
      char digits[3];
      std::snprintf(digits, sizeof digits, "%02X", unsigned{byte});
      hex += digits;
    }
    return hex;
  }
  std::string text(value.data.begin(), value.data.end());
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

std::vector<RegKeyPath> BarTreeKeys(const BarId& id) {
  return {{RegRoot::kClassesRoot, KeyPath({kClassesKey, id})},
          {RegRoot::kLocalMachine, KeyPath({kBarsKey, id})}};
}

std::string PathInView(RegRoot root, std::string_view path, RegView view) {
  if (view == RegView::k64) return std::string(path);
  if (root == RegRoot::kClassesRoot) return "Wow6432Node\\" + std::string(path);
  const std::size_t slash = path.find('\\');
  return std::string(path.substr(0, slash)) + "\\Wow6432Node" +
         std::string(slash == std::string_view::npos ? "" : path.substr(slash));
}

std::string NameBasedUuid(std::string_view name) {
  std::string input(kNamespace.begin(), kNamespace.end());
  input.append(name);
  std::array<std::uint8_t, 20> d = Sha1(input);
  d[6] = static_cast<std::uint8_t>((d[6] & 0x0F) | 0x50);
  d[8] = static_cast<std::uint8_t>((d[8] & 0x3F) | 0x80);
  char text[39];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", d[0],
                d[1], d[2], d[3], d[4], d[5], d[6], d[7], d[8], d[9], d[10], d[11], d[12], d[13],
                d[14], d[15]);
  return text;
}

}  // namespace quillbay
