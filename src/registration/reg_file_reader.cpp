// The reader of ".reg" files.
#include <algorithm>

#include "registration/reg_file.h"
#include "system/text.h"

namespace quillbay {
namespace {

constexpr std::u16string_view kHeader4 = u"REGEDIT4";

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

std::u16string_view TrimLeft(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// 1 to `max_digits` hex digits, the whole of `text`.
std::optional<std::uint32_t> ParseHex(std::u16string_view text, std::size_t max_digits) {
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  std::uint32_t value = 0;
  for (const char16_t c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return value;
}

bool StartsWithIgnoringCase(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && FoldCase(s.substr(0, prefix.size())) == FoldCase(prefix);
}

// Each step of the parser gives what it read or why the file is refused ("line N: ...").
template <typename T = void>
using Parsed = Expected<T, std::string>;

// A value's type and data as the file gives them.
struct TypedData {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

class Parser {
 public:
  Parser(std::u16string_view text, bool regedit4, RegFile& out)
      : text_(text), regedit4_(regedit4), out_(out) {}

  // The first line the file written again would not hold.
  const std::string& unkept() const { return unkept_; }

  Parsed<> Run() {
    std::u16string_view line;
    if (!NextLine(line) || TrimRight(line) != (regedit4_ ? kHeader4 : kRegFileHeader)) {
      line_number_ = 1;
      return Fail(
          "the first line must be \"Windows Registry Editor Version 5.00\" or "
          "\"REGEDIT4\"");
    }
    while (NextLine(line)) {
      line = TrimRight(TrimLeft(line));
      if (line.empty()) continue;
      if (line.front() == u';') {
        Unkept("a comment");
        continue;
      }
      Parsed<> read;
      if (line.front() == u'[') {
        read = KeyLine(line);
      } else if (line.front() == u'@' || line.front() == u'"') {
        read = ValueLine(line);
      } else {
        return Fail("a line must be a [key], a value, a comment or blank");
      }
      if (!read) return read;
    }
    return {};
  }

 private:
  bool NextLine(std::u16string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = text_.find(u'\n', pos_);
    if (end == std::u16string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    pos_ = end + 1;
    ++line_number_;
    return true;
  }

  void Unkept(std::string_view what) {
    if (unkept_.empty())
      unkept_ = "line " + std::to_string(line_number_) + ": " + std::string(what);
  }

  Unexpected<std::string> Fail(std::string_view message) const {
    return Unexpected("line " + std::to_string(line_number_) + ": " + std::string(message));
  }

  Parsed<> KeyLine(std::u16string_view line) {
    if (line.back() != u']') return Fail("a key line must end with ']'");
    std::u16string_view path = line.substr(1, line.size() - 2);
    const bool remove = !path.empty() && path.front() == u'-';
    if (remove) path.remove_prefix(1);

    std::vector<std::u16string_view> names;
    for (std::size_t start = 0;;) {
      const std::size_t slash = path.find(u'\\', start);
      const std::size_t end = slash == std::u16string_view::npos ? path.size() : slash;
      names.push_back(path.substr(start, end - start));
      if (slash == std::u16string_view::npos) break;
      start = slash + 1;
    }
    if (names.size() > kMaxKeyDepth) return Fail("the key lies deeper than the registry allows");
    for (const std::u16string_view name : names) {
      if (name.empty()) return Fail("a key path has an empty key name");
      if (name.size() > kMaxKeyNameLength) return Fail("a key name is longer than 255 characters");
    }
    RegFileKey* key = out_.OpenRoot(names.front());
    if (key == nullptr)
      return Fail("a key path must start with a root key such as HKEY_CLASSES_ROOT");

    if (remove) {
      if (names.size() == 1) return Fail("a root key cannot be deleted");
      Unkept("the deletion of a key");
      for (std::size_t i = 1; i + 1 < names.size() && key != nullptr; ++i) {
        key = key->FindChild(names[i]);
      }
      if (key != nullptr) key->RemoveChild(names.back());
      current_ = nullptr;
      in_section_ = true;  // values under a deleted key are passed over, as import does
      return {};
    }
    for (std::size_t i = 1; i < names.size(); ++i) key = &key->OpenChild(names[i]);
    key->set_listed(true);
    current_ = key;
    in_section_ = true;
    return {};
  }

  // A quoted text starting at s[0] == '"'; "\\" and "\"" are the only escapes, any other
  // backslash stands for itself. Leaves `s` after the closing quote.
  Parsed<std::u16string> Quoted(std::u16string_view& s) const {
    std::u16string out;
    std::size_t i = 1;
    for (; i < s.size(); ++i) {
      const char16_t c = s[i];
      if (c == u'"') break;
      if (c == u'\\' && i + 1 < s.size() && (s[i + 1] == u'\\' || s[i + 1] == u'"')) {
        out += s[++i];
      } else {
        out += c;
      }
    }
    if (i >= s.size()) return Fail("a quoted text has no closing '\"'");
    s.remove_prefix(i + 1);
    return out;
  }

  Parsed<> ValueLine(std::u16string_view line) {
    if (!in_section_) return Fail("a value comes before any [key]");
    Parsed<std::u16string> name = std::u16string();
    if (line.front() == u'@') {
      line.remove_prefix(1);
    } else if (name = Quoted(line); !name) {
      return Unexpected(std::move(name).error());
    }
    if (name->size() > kMaxValueNameLength) return Fail("a value name is too long");
    line = TrimLeft(line);
    if (line.empty() || line.front() != u'=') return Fail("a value name must be followed by '='");
    line = TrimLeft(line.substr(1));

    if (line == u"-") {
      Unkept("the deletion of a value");
      if (current_ != nullptr) current_->RemoveValue(*name);
      return {};
    }
    Parsed<TypedData> value = TypedData{};
    if (!line.empty() && line.front() == u'"') {
      Parsed<std::u16string> text = Quoted(line);
      if (!text) return Unexpected(std::move(text).error());
      if (!line.empty()) return Fail("unexpected text after a quoted value");
      text->push_back(u'\0');
      value = TypedData{static_cast<std::uint32_t>(RegType::kString), Utf16Bytes(*text)};
    } else if (StartsWithIgnoringCase(line, u"dword:")) {
      const auto number = ParseHex(line.substr(6), 8);
      if (!number) return Fail("a dword value needs 1 to 8 hex digits");
      value->type = static_cast<std::uint32_t>(RegType::kDword);
      for (int shift = 0; shift < 32; shift += 8) {
        value->data.push_back(static_cast<std::uint8_t>(*number >> shift));
      }
    } else if (StartsWithIgnoringCase(line, u"hex")) {
      if (value = HexValue(line.substr(3)); !value) return Unexpected(std::move(value).error());
    } else {
      return Fail("a value must be a quoted string, dword:, hex: or hex(type):, or -");
    }
    if (current_ != nullptr) current_->SetValue(*name, value->type, std::move(value->data));
    return {};
  }

  // After "hex": ":" or "(type):", then comma-separated bytes, continued over lines that
  // end in "\".
  Parsed<TypedData> HexValue(std::u16string_view rest) {
    std::uint32_t type = static_cast<std::uint32_t>(RegType::kBinary);
    std::vector<std::uint8_t> data;
    if (!rest.empty() && rest.front() == u'(') {
      const std::size_t close = rest.find(u')');
      const auto number = close == std::u16string_view::npos
                              ? std::nullopt
                              : ParseHex(rest.substr(1, close - 1), 8);
      if (!number) return Fail("hex(type) needs a type of 1 to 8 hex digits");
      type = *number;
      rest.remove_prefix(close + 1);
    }
    if (rest.empty() || rest.front() != u':') return Fail("hex data must start with ':'");
    rest.remove_prefix(1);

    std::u16string list;
    for (;;) {
      rest = TrimRight(rest);
      const bool continued = !rest.empty() && rest.back() == u'\\';
      if (continued) rest.remove_suffix(1);
      list.append(rest);
      if (!continued) break;
      std::u16string_view next;
      if (!NextLine(next)) return Fail("hex data continue past the end of the file");
      rest = TrimLeft(next);
    }
    for (std::size_t start = 0; start < list.size();) {
      std::size_t comma = list.find(u',', start);
      const bool last = comma == std::u16string::npos;
      if (last) comma = list.size();
      const auto byte =
          ParseHex(TrimRight(TrimLeft(std::u16string_view(list).substr(start, comma - start))), 2);
      if (!byte) return Fail("hex data must be bytes of 1 or 2 hex digits between commas");
      data.push_back(static_cast<std::uint8_t>(*byte));
      start = comma + 1;
    }
    // REGEDIT4 keeps expandable and multi-strings as 8-bit text; the registry keeps UTF-16.
    if (regedit4_ && (type == static_cast<std::uint32_t>(RegType::kExpandString) ||
                      type == static_cast<std::uint32_t>(RegType::kMultiString))) {
      const auto wide =
          TextToUtf16(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
      if (!wide) return Fail("hex(2) or hex(7) data are not 8-bit text");
      data = Utf16Bytes(*wide);
    }
    return TypedData{type, std::move(data)};
  }

  std::u16string_view text_;
  bool regedit4_;
  RegFile& out_;
  std::string unkept_;
  std::size_t pos_ = 0;
  std::size_t line_number_ = 0;
  RegFileKey* current_ = nullptr;  // nullptr after "[-key]": its values go nowhere
  bool in_section_ = false;
};

}  // namespace

RegResult<ParsedRegFile> ParseRegFile(std::string_view bytes) {
  ParsedRegFile out;
  if (bytes.empty()) return out;

  std::u16string text;
  if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == 0xFF &&
      static_cast<std::uint8_t>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2 != 0) {
      return RegFailed(RegStatus::kRefused, "the file is UTF-16 but has an odd number of bytes");
    }
    bytes.remove_prefix(2);
    text = Utf16FromBytes({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  } else if (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0) {
    // Import tells UTF-16 by its byte-order mark; read as 8-bit text this is no header.
    return RegFailed(RegStatus::kRefused,
                     "line 1: the file is UTF-16 without the byte-order mark (FF FE) it must "
                     "begin with");
  } else {
    // 8-bit text: REGEDIT4, in the system's 8-bit encoding, read a line at a time so that a
    // refusal can say where. Written again it would be UTF-16: another file than the user's.
    out.unkept = "line 1: 8-bit text, where Quillbay writes UTF-16";
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    for (std::size_t line = 1; !bytes.empty(); ++line) {
      const std::size_t end = std::min(bytes.find('\n'), bytes.size() - 1) + 1;
      const std::optional<std::u16string> wide = TextToUtf16(bytes.substr(0, end));
      if (!wide) {
        return RegFailed(RegStatus::kRefused,
                         "line " + std::to_string(line) +
                             ": the file is neither UTF-16 with a byte-order mark nor 8-bit text");
      }
      text += *wide;
      bytes.remove_prefix(end);
    }
  }
  // The header decides how hex(2) and hex(7) data are read, whatever the encoding.
  std::u16string_view first_line = std::u16string_view(text).substr(0, text.find(u'\n'));
  if (!first_line.empty() && first_line.back() == u'\r') first_line.remove_suffix(1);
  const bool regedit4 = TrimRight(first_line) == kHeader4;
  Parser parser(text, regedit4, out.registry);
  if (Parsed<> parsed = parser.Run(); !parsed) {
    return RegFailed(RegStatus::kRefused, std::move(parsed).error());
  }
  if (out.unkept.empty()) out.unkept = parser.unkept();
  return out;
}

}  // namespace quillbay
