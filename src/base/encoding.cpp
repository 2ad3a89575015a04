// Shift-JIS <-> UTF-8 and UTF-16 through glibc's iconv ("CP932").
#include "base/encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/scan.h"

namespace zemu {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// An iconv conversion descriptor for the life of one conversion.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in` into `out`. Without a replacement it gives up at
  // the first byte iconv refuses; with one, it writes the replacement for
  // that byte, steps over it and goes on. False when anything was refused.
  bool Run(std::string_view in, std::string& out, const char* replacement = nullptr) {
    out.clear();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // a fresh start for every text
    bool clean = true;
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buffer[4096];
    while (srcLeft > 0) {
      char* dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
      // EILSEQ or EINVAL: an invalid or incomplete sequence.
      clean = false;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      if (replacement == nullptr) return false;
      out.append(replacement);
      ++src;
      --srcLeft;
    }
    return clean;
  }

 private:
  iconv_t cd_;
};

// UTF-16LE bytes as units.
void AppendUnits(const std::string& bytes, std::u16string& out) {
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                 static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
}

// Converts with a replacement for each refused byte; without iconv the
// bytes are taken as they are.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out,
             const char* replacement) {
  Converter converter(to, from);
  if (!converter.ok()) {
    out.assign(in);
    return false;
  }
  return converter.Run(in, out, replacement);
}

}  // namespace

std::size_t SjisCharLength(std::string_view sjis, std::size_t pos) {
  if (pos >= sjis.size()) return 0;
  const auto c = static_cast<unsigned char>(sjis[pos]);
  if (pos + 1 < sjis.size() && (IsLeadByte(c) || (c == '\r' && sjis[pos + 1] == '\n'))) return 2;
  return 1;
}

// ---- The widget's text ---------------------------------------------------------

class WidgetTextCodec::Conversion {
 public:
  Conversion(const char* to, const char* from) : converter_(to, from) {}
  Converter& converter() { return converter_; }

 private:
  Converter converter_;
};

WidgetTextCodec::WidgetTextCodec() = default;
WidgetTextCodec::~WidgetTextCodec() = default;

namespace {

// The characters of a run without ASCII, each to exactly one unit.
void ConvertRun(Converter& cp932, std::string_view run, std::u16string& out) {
  std::string bytes;
  if (cp932.ok() && cp932.Run(run, bytes)) {
    std::size_t characters = 0;
    for (std::size_t pos = 0; pos < run.size(); pos += SjisCharLength(run, pos)) ++characters;
    if (bytes.size() == 2 * characters) {
      AppendUnits(bytes, out);
      return;
    }
  }
  // Something in the run cannot be converted: character by character.
  for (std::size_t pos = 0; pos < run.size();) {
    const std::size_t length = SjisCharLength(run, pos);
    if (cp932.ok() && cp932.Run(run.substr(pos, length), bytes) && bytes.size() == 2) {
      AppendUnits(bytes, out);
    } else {
      out += kReplacement;
    }
    pos += length;
  }
}

}  // namespace

std::u16string WidgetTextCodec::ToUtf16(std::string_view sjis) {
  std::u16string out;
  out.reserve(sjis.size());
  std::size_t runStart = 0;
  std::size_t pos = 0;
  auto flush = [&] {
    if (pos == runStart) return;
    if (!toUtf16_) toUtf16_ = std::make_unique<Conversion>("UTF-16LE", "CP932");
    ConvertRun(toUtf16_->converter(), sjis.substr(runStart, pos - runStart), out);
  };
  while (pos < sjis.size()) {
    const auto c = static_cast<unsigned char>(sjis[pos]);
    const std::size_t length = SjisCharLength(sjis, pos);
    if (c < 0x80) {
      flush();
      if (c == '\r') {
        out += length == 2 ? u'\n' : kReplacement;
      } else {
        out += static_cast<char16_t>(c);
      }
      pos += length;
      runStart = pos;
    } else {
      pos += length;
    }
  }
  flush();
  return out;
}

std::string WidgetTextCodec::ToSjis(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 2);
  std::string bytes;
  for (char16_t unit : utf16) {
    if (unit < 0x80) {
      out += static_cast<char>(unit);
      continue;
    }
    const char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
    if (!toSjis_) toSjis_ = std::make_unique<Conversion>("CP932", "UTF-16LE");
    Converter& cp932 = toSjis_->converter();
    if (!surrogate && cp932.ok() && cp932.Run(std::string_view(in, 2), bytes) && !bytes.empty()) {
      out += bytes;
    } else {
      out += '?';
    }
  }
  return out;
}

std::u16string SjisToUtf16(std::string_view sjis) { return WidgetTextCodec().ToUtf16(sjis); }

std::string Utf16ToSjis(std::u16string_view utf16) { return WidgetTextCodec().ToSjis(utf16); }

std::size_t Utf16Offset(std::string_view sjis, std::size_t byte) {
  std::size_t units = 0;
  for (std::size_t pos = 0; pos < sjis.size(); ++units) {
    const std::size_t next = pos + SjisCharLength(sjis, pos);
    if (next > byte) break;
    pos = next;
  }
  return units;
}

std::size_t SjisOffset(std::string_view sjis, std::size_t unit) {
  std::size_t pos = 0;
  for (std::size_t units = 0; units < unit && pos < sjis.size(); ++units) {
    pos += SjisCharLength(sjis, pos);
  }
  return pos;
}

bool IsShiftJisText(std::string_view bytes) {
  // The bytes that are not in a pair (ASCII, the half-width kana, 0x80,
  // 0xA0, 0xFD to 0xFF) are single characters to the program; iconv only
  // judges the pairs, which are all that it is given, each once (the code
  // page has no state: a pair reads the same wherever it stands).
  std::string pairs;
  std::vector<bool> seen(0x10000);
  for (std::size_t pos = 0; pos < bytes.size(); ++pos) {
    // A run of ASCII is passed eight bytes at a time.
    for (std::uint64_t eight = 0; pos + sizeof eight <= bytes.size(); pos += sizeof eight) {
      std::memcpy(&eight, bytes.data() + pos, sizeof eight);
      if ((eight & 0x8080808080808080u) != 0) break;
    }
    if (pos >= bytes.size()) break;
    const auto c = static_cast<unsigned char>(bytes[pos]);
    if (!IsLeadByte(c)) continue;
    if (pos + 1 >= bytes.size()) return false;
    const auto trail = static_cast<unsigned char>(bytes[pos + 1]);
    if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
    if (!seen[c << 8 | trail]) {
      seen[c << 8 | trail] = true;
      pairs += bytes.substr(pos, 2);
    }
    ++pos;
  }
  std::string utf8;
  Converter cp932("UTF-8", "CP932");
  return cp932.ok() && cp932.Run(pairs, utf8);
}

TextEncoding DetectTextEncoding(std::string_view bytes) {
  const bool bom = bytes.starts_with(kUtf8Bom);
  // The ASCII before the first other byte reads the same in both.
  const auto other = std::find_if(bytes.begin(), bytes.end(),
                                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (other == bytes.end()) return TextEncoding::ShiftJis;
  // UCS-4 is built into the C library: judging UTF-8 loads no module.
  std::string ucs4;
  Converter utf8("UCS-4LE", "UTF-8");
  const std::size_t from = bom ? kUtf8Bom.size() : static_cast<std::size_t>(other - bytes.begin());
  if (utf8.ok() && utf8.Run(bytes.substr(from), ucs4)) {
    return TextEncoding::Utf8;
  }
  if (!bom && IsShiftJisText(bytes)) return TextEncoding::ShiftJis;
  return TextEncoding::Neither;
}

// An ASCII text is copied, which spares opening iconv for most of what the
// terminal reads and writes.
bool SjisToUtf8(std::string_view sjis, std::string& utf8) {
  if (IsAscii(sjis)) {
    utf8.assign(sjis);
    return true;
  }
  return Convert("UTF-8", "CP932", sjis, utf8, "\xEF\xBF\xBD");
}

std::string SjisToUtf8(std::string_view sjis) {
  std::string out;
  SjisToUtf8(sjis, out);
  return out;
}

bool Utf8ToSjis(std::string_view utf8, std::string& sjis) {
  if (IsAscii(utf8)) {
    sjis.assign(utf8);
    return true;
  }
  return Convert("CP932", "UTF-8", utf8, sjis, "?");
}

std::string Utf8ToSjis(std::string_view utf8) {
  std::string out;
  Utf8ToSjis(utf8, out);
  return out;
}

bool ConvertText(std::string_view text, const char* from, const char* to, std::string& out) {
  Converter converter(to, from);
  return converter.ok() && converter.Run(text, out);
}

}  // namespace zemu
