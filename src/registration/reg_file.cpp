#include "registration/reg_file.h"

#include <algorithm>
#include <array>

namespace quillbay {
namespace {

// Strict UTF-8 to UTF-16; on failure `bad_at` is the offset of the first invalid sequence.
bool DecodeUtf8(std::string_view text, std::u16string& out, std::size_t& bad_at);

constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";
constexpr std::u16string_view kNewline = u"\r\n";
// Export ends a line of hex data with "\" once the line has reached this many characters.
constexpr std::size_t kHexLineWidth = 77;

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

// ---- Reading ----

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
  return s.size() >= prefix.size() && SameIgnoringCase(s.substr(0, prefix.size()), prefix);
}

class Parser {
 public:
  Parser(std::u16string_view text, bool regedit4, RegFile& out, RegFileError& error)
      : text_(text), regedit4_(regedit4), out_(out), error_(error) {}

  bool Run() {
    std::u16string_view line;
    if (!NextLine(line) || TrimRight(line) != (regedit4_ ? kHeader4 : kHeader5)) {
      line_number_ = 1;
      return Fail(
          "the first line must be \"Windows Registry Editor Version 5.00\" or "
          "\"REGEDIT4\"");
    }
    while (NextLine(line)) {
      line = TrimRight(TrimLeft(line));
      if (line.empty() || line.front() == u';') continue;
      if (line.front() == u'[') {
        if (!KeyLine(line)) return false;
      } else if (line.front() == u'@' || line.front() == u'"') {
        if (!ValueLine(line)) return false;
      } else {
        return Fail("a line must be a [key], a value, a comment or blank");
      }
    }
    return true;
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

  bool Fail(std::string message) {
    error_.line = line_number_;
    error_.message = std::move(message);
    return false;
  }

  bool KeyLine(std::u16string_view line) {
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
      for (std::size_t i = 1; i + 1 < names.size() && key != nullptr; ++i) {
        key = key->FindChild(names[i]);
      }
      if (key != nullptr) key->RemoveChild(names.back());
      current_ = nullptr;
      in_section_ = true;  // values under a deleted key are passed over, as import does
      return true;
    }
    for (std::size_t i = 1; i < names.size(); ++i) key = &key->OpenChild(names[i]);
    key->set_listed(true);
    current_ = key;
    in_section_ = true;
    return true;
  }

  // A quoted text starting at s[0] == '"'; "\\" and "\"" are the only escapes, any other
  // backslash stands for itself. Leaves `s` after the closing quote.
  bool Quoted(std::u16string_view& s, std::u16string& out) {
    out.clear();
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
    return true;
  }

  bool ValueLine(std::u16string_view line) {
    if (!in_section_) return Fail("a value comes before any [key]");
    std::u16string name;
    if (line.front() == u'@') {
      line.remove_prefix(1);
    } else if (!Quoted(line, name)) {
      return false;
    }
    if (name.size() > kMaxValueNameLength) return Fail("a value name is too long");
    line = TrimLeft(line);
    if (line.empty() || line.front() != u'=') return Fail("a value name must be followed by '='");
    line = TrimLeft(line.substr(1));

    if (line == u"-") {
      if (current_ != nullptr) current_->RemoveValue(name);
      return true;
    }
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (!line.empty() && line.front() == u'"') {
      std::u16string text;
      if (!Quoted(line, text)) return false;
      if (!line.empty()) return Fail("unexpected text after a quoted value");
      text.push_back(u'\0');
      type = static_cast<std::uint32_t>(RegType::kString);
      data = Utf16Bytes(text);
    } else if (StartsWithIgnoringCase(line, u"dword:")) {
      const auto number = ParseHex(line.substr(6), 8);
      if (!number) return Fail("a dword value needs 1 to 8 hex digits");
      type = static_cast<std::uint32_t>(RegType::kDword);
      for (int shift = 0; shift < 32; shift += 8) {
        data.push_back(static_cast<std::uint8_t>(*number >> shift));
      }
    } else if (StartsWithIgnoringCase(line, u"hex")) {
      if (!HexValue(line.substr(3), type, data)) return false;
    } else {
      return Fail("a value must be a quoted string, dword:, hex: or hex(type):, or -");
    }
    if (current_ != nullptr) current_->SetValue(name, type, std::move(data));
    return true;
  }

  // After "hex": ":" or "(type):", then comma-separated bytes, continued over lines that
  // end in "\".
  bool HexValue(std::u16string_view rest, std::uint32_t& type, std::vector<std::uint8_t>& data) {
    type = static_cast<std::uint32_t>(RegType::kBinary);
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
          Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
      if (!wide) return Fail("hex(2) or hex(7) data are not valid UTF-8 text");
      data = Utf16Bytes(*wide);
    }
    return true;
  }

  std::u16string_view text_;
  bool regedit4_;
  RegFile& out_;
  RegFileError& error_;
  std::size_t pos_ = 0;
  std::size_t line_number_ = 0;
  RegFileKey* current_ = nullptr;  // nullptr after "[-key]": its values go nowhere
  bool in_section_ = false;
};

// ---- Writing ----

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
      if (key.written_section() == nullptr) {
        out_.clear();
        out_.append(u"[").append(path).append(u"]").append(kNewline);
        for (const RegFileValue& value : key.values()) Value(value);
        out_.append(kNewline);
        std::string section;
        AppendLittleEndian(section, out_);
        key.set_written_section(std::move(section));
      }
      bytes_.append(*key.written_section());
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

  // A REG_SZ that the quoted form gives back exactly: one terminating NUL and no line break.
  static bool Quotable(const RegFileValue& value, std::u16string& text) {
    if (value.type != static_cast<std::uint32_t>(RegType::kString)) return false;
    const auto& d = value.data;
    if (d.size() < 2 || d.size() % 2 != 0) return false;
    text.clear();
    for (std::size_t i = 0; i + 2 < d.size(); i += 2) {
      const auto c = static_cast<char16_t>(d[i] | (d[i + 1] << 8));
      if (c == u'\0' || c == u'\r' || c == u'\n') return false;
      text += c;
    }
    return d[d.size() - 2] == 0 && d[d.size() - 1] == 0;
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
    if (Quotable(value, text_)) {
      out_ += u'"';
      Escaped(text_);
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
  std::u16string text_;
};

}  // namespace

// ---- The tree ----

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
  section_.reset();
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
  section_.reset();
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
  return top_.OpenChild(RootName(root));
}

const RegFileKey* RegFile::FindRoot(RegRoot root) const {
  return top_.FindChild(RootName(root));
}

RegFileKey* RegFile::FindRoot(RegRoot root) {
  return top_.FindChild(RootName(root));
}

bool operator==(const RegFile& a, const RegFile& b) {
  return a.top_ == b.top_;
}

bool ParseRegFile(std::string_view bytes, RegFile& out, RegFileError& error) {
  out = RegFile();
  error = {};
  if (bytes.empty()) return true;

  std::u16string text;
  if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == 0xFF &&
      static_cast<std::uint8_t>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2 != 0) {
      error.message = "the file is UTF-16 but has an odd number of bytes";
      return false;
    }
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
      text += static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                    (static_cast<std::uint8_t>(bytes[i + 1]) << 8));
    }
  } else {
    // 8-bit text: REGEDIT4, in the system's 8-bit encoding, UTF-8 here.
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::size_t bad_at = 0;
    if (!DecodeUtf8(bytes, text, bad_at)) {
      error.line =
          1 + static_cast<std::size_t>(std::count(
                  bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bad_at), '\n'));
      error.message = "the file is neither UTF-16 with a byte-order mark nor valid UTF-8";
      return false;
    }
  }
  // The header decides how hex(2) and hex(7) data are read, whatever the encoding.
  std::u16string_view first_line = std::u16string_view(text).substr(0, text.find(u'\n'));
  if (!first_line.empty() && first_line.back() == u'\r') first_line.remove_suffix(1);
  const bool regedit4 = TrimRight(first_line) == kHeader4;
  Parser parser(text, regedit4, out, error);
  return parser.Run();
}

std::string FormatRegFile(const RegFile& file) {
  std::string bytes = "\xFF\xFE";
  AppendLittleEndian(bytes, kHeader5);
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

std::u16string_view RootName(RegRoot root) {
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

std::u16string FoldCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = ToUpper(c);
  return out;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  std::size_t bad_at = 0;
  if (!DecodeUtf8(text, out, bad_at)) return std::nullopt;
  return out;
}

namespace {

bool DecodeUtf8(std::string_view text, std::u16string& out, std::size_t& bad_at) {
  out.clear();
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    bad_at = i;
    const auto b0 = static_cast<std::uint8_t>(text[i]);
    if (b0 < 0x80) {
      out += static_cast<char16_t>(b0);
      ++i;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t cp = 0;
    std::uint32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
      length = 2, cp = b0 & 0x1Fu, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      length = 3, cp = b0 & 0x0Fu, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      length = 4, cp = b0 & 0x07u, min = 0x10000;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto b = static_cast<std::uint8_t>(text[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += length;
  }
  return true;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
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

}  // namespace quillbay
