// The writer of ".reg" files, as `reg export` writes them.
#include <optional>

#include "registration/reg_file.h"

namespace quillbay {
namespace {

constexpr std::u16string_view kNewline = u"\r\n";
// Export ends a line of hex data with "\" once the line has reached this many characters.
constexpr std::size_t kHexLineWidth = 77;

void AppendLittleEndian(std::string& bytes, std::u16string_view text) {
  const std::size_t at = bytes.size();
  bytes.resize(at + 2 * text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    bytes[at + 2 * i] = static_cast<char>(text[i] & 0xFF);
    bytes[at + 2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
}

class Writer {
 public:
  explicit Writer(std::string& bytes) : bytes_(bytes) {}

  void Key(const RegFileKey& key, std::u16string& path) {
    if (key.listed() || !key.values().empty()) {
      out_.clear();
      out_.append(u"[").append(path).append(u"]").append(kNewline);
      for (const RegFileValue& value : key.values()) Value(value);
      out_.append(kNewline);
      AppendLittleEndian(bytes_, out_);
    }
    for (const auto& [folded, child] : key.children()) {
      const std::size_t length = path.size();
      path.append(u"\\").append(child->name());
      Key(*child, path);
      path.resize(length);
    }
  }

 private:
  // Appends `text` with '"' and '\' escaped; returns the characters appended.
  std::size_t Escaped(std::u16string_view text) {
    std::size_t count = 0;
    for (const char16_t c : text) {
      if (c == u'"' || c == u'\\') {
        out_ += u'\\';
        ++count;
      }
      out_ += c;
      ++count;
    }
    return count;
  }

  // The text of a REG_SZ that the quoted form gives back exactly (one terminating NUL and no
  // line break); nullopt for any other value, written in hex.
  static std::optional<std::u16string> QuotableText(const RegFileValue& value) {
    if (value.type != static_cast<std::uint32_t>(RegType::kString)) return std::nullopt;
    const auto& d = value.data;
    if (d.size() < 2 || d.size() % 2 != 0) return std::nullopt;
    if (d[d.size() - 2] != 0 || d[d.size() - 1] != 0) return std::nullopt;
    std::u16string text;
    for (std::size_t i = 0; i + 2 < d.size(); i += 2) {
      const auto c = static_cast<char16_t>(d[i] | (d[i + 1] << 8));
      if (c == u'\0' || c == u'\r' || c == u'\n') return std::nullopt;
      text += c;
    }
    return text;
  }

  void Value(const RegFileValue& value) {
    std::size_t line_length = 0;
    if (value.name.empty()) {
      out_.append(u"@=");
      line_length = 2;
    } else {
      out_ += u'"';
      line_length = Escaped(value.name) + 3;
      out_.append(u"\"=");
    }
    if (const std::optional<std::u16string> text = QuotableText(value)) {
      out_ += u'"';
      Escaped(*text);
      out_ += u'"';
    } else if (value.type == static_cast<std::uint32_t>(RegType::kDword) &&
               value.data.size() == 4) {
      out_.append(u"dword:");
      for (std::size_t i = 4; i-- > 0;) Hex(value.data[i]);
    } else {
      Hex(value.type, value.data, line_length);
    }
    out_.append(kNewline);
  }

  void Hex(std::uint8_t byte) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    out_ += kDigits[byte >> 4];
    out_ += kDigits[byte & 15];
  }

  void Hex(std::uint32_t type, const std::vector<std::uint8_t>& data, std::size_t line_length) {
    const std::size_t before = out_.size();
    if (type == static_cast<std::uint32_t>(RegType::kBinary)) {
      out_.append(u"hex:");
    } else {
      out_.append(u"hex(");
      bool started = false;
      for (int shift = 28; shift >= 0; shift -= 4) {
        const auto digit = static_cast<std::uint8_t>((type >> shift) & 15);
        if (digit != 0 || started || shift == 0) {
          out_ += u"0123456789abcdef"[digit];
          started = true;
        }
      }
      out_.append(u"):");
    }
    line_length += out_.size() - before;
    for (std::size_t i = 0; i < data.size(); ++i) {
      Hex(data[i]);
      if (i + 1 == data.size()) break;
      out_ += u',';
      line_length += 3;
      if (line_length >= kHexLineWidth) {
        out_.append(u"\\\r\n  ");
        line_length = 2;
      }
    }
  }

  std::string& bytes_;
  std::u16string out_;  // the section being written
};

}  // namespace

std::string FormatRegFile(const RegFile& file) {
  std::string bytes = "\xFF\xFE";
  AppendLittleEndian(bytes, kRegFileHeader);
  AppendLittleEndian(bytes, kNewline);
  AppendLittleEndian(bytes, kNewline);
  Writer writer(bytes);
  std::u16string path;
  for (const auto& [folded, root] : file.roots()) {
    path = root->name();
    writer.Key(*root, path);
  }
  return bytes;
}

}  // namespace quillbay
