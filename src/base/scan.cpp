// Text scanning on Shift-JIS byte strings: the byte-class table, the skippers
// that walk over characters and bracket groups, the name/word/unit readers,
// the two name matchers, the file line reader, procedure argument expansion
// and the full-width folding of typed lines.
#include "base/scan.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace zemu {
namespace {

using namespace byte_class;

// Longest run of bytes that one '?' of MatchName may stand for.
constexpr std::size_t kMaxCaptureBytes = 100;

// Room that ExpandArguments keeps free at the end of its output: a '%' with a
// double-byte character after it may still be copied at the limit, plus the
// terminator.
constexpr std::size_t kExpandReserve = 3;

inline unsigned char Byte(const char* p) { return static_cast<unsigned char>(*p); }

// Bytes in the character at p: 2 for a lead byte not followed by the
// terminator, 0 at the terminator, 1 otherwise.
inline std::size_t CharLength(const char* p) {
  if (*p == '\0') return 0;
  return (IsLeadByte(Byte(p)) && p[1] != '\0') ? 2 : 1;
}

// The closer of the group opened by c, or 0 when c opens none.
char CloserOf(unsigned char c) {
  switch (c) {
    case '(':
      return ')';
    case '[':
      return ']';
    case '{':
      return '}';
    case 0xA2:
      return '\xA3';
    default:
      return '\0';
  }
}

// A set of stop bytes for Walk, the terminator always among them.
struct StopSet {
  std::array<bool, 256> stops{};
  constexpr explicit StopSet(std::string_view bytes) {
    stops[0] = true;
    for (char c : bytes) stops[static_cast<unsigned char>(c)] = true;
  }
  constexpr bool operator()(char c) const { return stops[static_cast<unsigned char>(c)]; }
};

constexpr StopSet kStatementEnd(";'");
constexpr StopSet kStatementOrBrace(";}");
constexpr StopSet kCloseBrace("}");
constexpr StopSet kSemicolon(";");
constexpr StopSet kArgumentEnd(";)]");

constexpr bool NoStopIsPlain(const StopSet& set) {
  for (int c = 0; c < 256; ++c) {
    if (set.stops[c] && IsPlainByte(static_cast<unsigned char>(c))) return false;
  }
  return true;
}
static_assert(NoStopIsPlain(kStatementEnd) && NoStopIsPlain(kStatementOrBrace) &&
                  NoStopIsPlain(kCloseBrace) && NoStopIsPlain(kSemicolon) &&
                  NoStopIsPlain(kArgumentEnd),
              "Walk's fast path would step over a stop");

// Walks characters from p, over whole groups when skipGroups, and returns the
// first position holding the terminator, a byte of `stops`, or `wanted`
// (which is tested after the stops and after a group is skipped).
const char* Walk(const char* p, const StopSet& stops, bool skipGroups, int wanted) {
  for (;;) {
    const unsigned char c = Byte(p);
    if (IsPlainByte(c) && static_cast<int>(c) != wanted) {
      ++p;
      continue;
    }
    if (stops(static_cast<char>(c))) return p;
    if (skipGroups && Is(c, kOpener)) {
      SkipGroup(p);
      continue;
    }
    if (static_cast<int>(c) == wanted) return p;
    StepChar(p);
  }
}

constexpr int kNoWanted = -1;

// Finds `wanted` with Walk; on success moves the cursor after it.
bool FindIn(const char*& cursor, const StopSet& stops, bool skipGroups, char wanted) {
  const char* p = Walk(cursor, stops, skipGroups, static_cast<unsigned char>(wanted));
  if (stops(*p)) return false;
  cursor = p + 1;
  return true;
}

// The one '?' capture of MatchName: the run that the first '?' stood for.
struct Capture {
  char bytes[kMaxCaptureBytes];
  std::size_t size = 0;

  bool Empty() const { return size == 0; }
  bool Append(const char* p, std::size_t n) {
    if (size + n > kMaxCaptureBytes) return false;
    std::memcpy(bytes + size, p, n);
    size += n;
    return true;
  }
  // If `text` begins with the captured run, moves it past the run.
  bool Consume(const char*& text) const {
    if (std::strncmp(text, bytes, size) != 0) return false;
    text += size;
    return true;
  }
};

// Whether the byte after a '?' of a probe ends the pattern (";", a blank, the
// end): the '?' then stands for the rest of the stored name's name characters.
bool EndsPattern(char c) {
  return !IsNameChar(Byte(&c)) && c != '?' && c != '#' && c != '[' && c != ']';
}

// Takes the run of name characters at `text` (at least one) into the capture.
bool CaptureNameRun(const char*& text, Capture& capture) {
  const char* start = text;
  while (IsNameChar(Byte(text)) && *text != '\0') text += CharLength(text);
  return text != start && capture.Append(start, static_cast<std::size_t>(text - start));
}

// A '?' at `pattern` stands for a run of `text`: with an empty capture, takes
// whole characters of text until the byte after the '?' comes next (at least
// one character); otherwise text must go on with the captured run. With
// `namesOnly`, every captured byte must be a name character, and a '?' ending
// the pattern takes the run of name characters. Moves both past the match.
bool MatchRun(const char*& pattern, const char*& text, Capture& capture, bool namesOnly) {
  const char follow = pattern[1];
  ++pattern;
  if (!capture.Empty()) return capture.Consume(text);
  if (!namesOnly && EndsPattern(follow)) return CaptureNameRun(text, capture);
  for (;;) {
    if (namesOnly && !IsNameChar(Byte(text))) return false;
    const std::size_t n = CharLength(text);
    if (n == 0 || !capture.Append(text, n)) return false;
    text += n;
    if (*text == follow) return true;
    if (namesOnly && follow == '\0' && !IsNameChar(Byte(text))) return true;
    if (*text == '\0') return false;
  }
}

// After a CR: consumes the LF that follows and returns true, or leaves the
// stream as it was and returns false.
bool TakeLineFeed(std::FILE* stream) {
  const int c = getc_unlocked(stream);
  if (c == '\n') return true;
  if (c != EOF) std::ungetc(c, stream);
  return false;
}

// Whether a and b begin with the same character.
bool SameChar(const char* a, const char* b) {
  const std::size_t n = CharLength(a);
  return n == CharLength(b) && std::memcmp(a, b, n) == 0;
}

// Full-width punctuation after lead byte 0x81 and its two-byte replacement,
// which keeps the byte positions of the line.
struct FoldPair {
  unsigned char trail;
  char text[3];
};
constexpr FoldPair kFoldPunctuation[] = {
    {0x40, "  "},     // ideographic space
    {0x41, "\xA4 "},  // 、
    {0x42, "\xA1 "},  // 。
    {0x45, "\xA5 "},  // ・
    {0x5E, " /"},     // ／
    {0x75, "\xA2 "},  // 「
    {0x76, "\xA3 "},  // 」
    {0x7B, " +"},     // ＋
    {0x7C, " -"},     // －
    {0x7E, " *"},     // ×
    {0x80, " /"},     // ÷
    {0x81, "= "},     // ＝
    {0x83, "< "},     // ＜
    {0x84, "> "},     // ＞
};

// Writes the one-byte form of the full-width character (lead, trail) to out;
// returns false when it has none.
bool FoldDoubleByte(unsigned char lead, unsigned char trail, std::string& out) {
  if (lead == 0x82) {  // ０-９, Ａ-Ｚ, ａ-ｚ become one byte
    int c;
    if (trail >= 0x4F && trail <= 0x58) {
      c = '0' + (trail - 0x4F);
    } else if (trail >= 0x60 && trail <= 0x79) {
      c = 'A' + (trail - 0x60);
    } else if (trail >= 0x81 && trail <= 0x9A) {
      c = 'a' + (trail - 0x81);
    } else {
      return false;
    }
    out += static_cast<char>(c);
    return true;
  }
  if (lead != 0x81) return false;
  for (const FoldPair& f : kFoldPunctuation) {
    if (f.trail == trail) {
      out.append(f.text, 2);
      return true;
    }
  }
  return false;
}

}  // namespace

void SkipToStatementEnd(const char*& cursor) {
  cursor = Walk(cursor, kStatementEnd, false, kNoWanted);
}

void SkipStatement(const char*& cursor) {
  cursor = Walk(cursor, kStatementOrBrace, true, kNoWanted);
}

char SkipToCloseBrace(const char*& cursor) {
  cursor = Walk(cursor, kCloseBrace, true, kNoWanted);
  return *cursor;
}

// group -> opener { character } closer, counting only the opener's own pair;
// stops on the terminator, ';' or '\''.
bool SkipGroup(const char*& cursor) {
  const unsigned char open = Byte(cursor);
  const char close = CloserOf(open);
  if (close == '\0') return false;
  const char* p = cursor;
  int depth = 0;
  for (;;) {
    const unsigned char c = Byte(p);
    if (IsPlainByte(c)) {  // most bytes: a one-byte character of no interest
      ++p;
      continue;
    }
    if (c == '\0' || c == ';' || c == '\'') break;
    if (c == open) {
      ++depth;
    } else if (c == static_cast<unsigned char>(close) && --depth == 0) {
      ++p;
      break;
    }
    StepChar(p);
  }
  cursor = p;
  return true;
}

bool FindChar(const char*& cursor, char wanted, bool skipGroups) {
  return FindIn(cursor, kSemicolon, skipGroups, wanted);
}

bool NextArgument(const char*& cursor) { return FindIn(cursor, kArgumentEnd, true, ','); }

const char* ArgumentEnd(const char* cursor) { return Walk(cursor, kArgumentEnd, true, ','); }

std::string_view ReadNameView(const char*& cursor) {
  SkipBlanks(cursor);
  const char* start = cursor;
  if (IsLetter(Byte(start))) {
    cursor = EndOfName(start);
    return std::string_view(start, static_cast<std::size_t>(cursor - start));
  }
  if (*start != '"') return {};
  cursor = start + 1;
  const char* p = cursor;
  if (!FindChar(p, '"', false)) return {};
  cursor = p;
  return std::string_view(start + 1, static_cast<std::size_t>(p - 1 - (start + 1)));
}

std::string ReadName(const char*& cursor) { return std::string(ReadNameView(cursor)); }

std::string ReadWord(const char*& cursor) { return std::string(ReadWordView(cursor)); }

std::string_view ReadWordView(const char*& cursor) {
  SkipBlanks(cursor);
  const char* start = cursor;
  const char quote = *start;
  if (quote == '"' || quote == '\'') {
    const char* p = start + 1;
    while (*p != '\0' && *p != quote) StepChar(p);
    std::string_view word(start + 1, static_cast<std::size_t>(p - start - 1));
    cursor = (*p == quote) ? p + 1 : p;
    return word;
  }
  const char* p = start;
  for (;;) {
    if (IsLetter(Byte(p))) p = EndOfName(p);
    if (*p == '.' || *p == '/' || *p == ':' || *p == '\\') {
      ++p;
      continue;
    }
    break;
  }
  cursor = p;
  return std::string_view(start, static_cast<std::size_t>(p - start));
}

std::string ReadFileName(const char*& cursor) {
  SkipBlanks(cursor);
  if (*cursor == '"' || *cursor == '\'') return ReadWord(cursor);
  const char* p = cursor;
  while (*p != '\0' && *p != ';' && *p != '\'' && *p != '}' && !IsBlank(Byte(p))) StepChar(p);
  std::string name(cursor, p);
  cursor = p;
  return name;
}

std::string ReadUnit(const char*& cursor) {
  SkipBlanks(cursor);
  const char* start = cursor;
  if (*start != '[') return {};
  const char* p = start + 1;
  if (!FindChar(p, ']', false)) return {};
  cursor = p;
  return std::string(start, p);
}

bool MatchCommandWord(const char* typed, const char* pattern) {
  bool pastAbbreviation = false;
  while (*pattern != '\0' && (IsNameChar(Byte(typed)) || *typed == '?' || *typed == '#')) {
    if (*typed == '#' || *pattern == '#') return true;
    if (*typed != '?' && *pattern != '?' && !SameChar(typed, pattern)) return false;
    typed += CharLength(typed);
    pattern += CharLength(pattern);
    if (*pattern == '.') {
      ++pattern;
      pastAbbreviation = true;
    }
  }
  return *typed == '\0' && (*pattern == '\0' || pastAbbreviation);
}

bool MatchName(const char* probe, const char* stored) {
  Capture capture;
  while (*stored != '\0') {
    if (*probe == '#' || *stored == '#') return true;
    if (*probe == '?' && *stored != '?') {
      if (!MatchRun(probe, stored, capture, false)) return false;
    } else if (*stored == '?' && *probe != '?') {
      if (!MatchRun(stored, probe, capture, true)) return false;
    } else {
      if (!SameChar(probe, stored)) return false;
      const std::size_t n = CharLength(stored);
      probe += n;
      stored += n;
    }
  }
  // A '?' left over stands for at least one character that is not there.
  return *probe != '?' && !IsNameChar(Byte(probe));
}

// The streams read here belong to one thread: their lock is not taken per byte.
char* ReadLine(std::FILE* stream, char* buffer, std::size_t size) {
  if (size == 0) return nullptr;
  std::size_t n = 0;
  bool lineBreak = false;  // the line ended with LF or CR LF, now consumed
  bool atEnd = false;      // the stream ended (or failed) first
  while (!lineBreak && !atEnd && n + 1 < size) {
    const int c = getc_unlocked(stream);
    if (c == EOF) {
      atEnd = true;
    } else if (c == '\n' || (c == '\r' && TakeLineFeed(stream))) {
      lineBreak = true;
    } else {
      buffer[n++] = static_cast<char>(c);
    }
  }
  if (!lineBreak && !atEnd) {
    // Full buffer: a line break that follows at once belongs to this line. A
    // lone CR here cannot be pushed back with its successor and is dropped (it
    // would only have read as a blank).
    const int c = getc_unlocked(stream);
    if (c == '\r') {
      TakeLineFeed(stream);
    } else if (c != '\n' && c != EOF) {
      std::ungetc(c, stream);
    }
  }
  buffer[n] = '\0';
  return (atEnd && n == 0) ? nullptr : buffer + n;
}

void ExpandArguments(const char* tmpl, char* out, std::size_t size, const std::string* args) {
  if (size == 0) return;
  const std::size_t limit = size > kExpandReserve ? size - kExpandReserve : 0;
  // A text without "%" that fits is copied as it is (no trail byte is a "%").
  const std::size_t length = std::strlen(tmpl);
  if (length <= limit && std::memchr(tmpl, '%', length) == nullptr) {
    std::memcpy(out, tmpl, length);
    out[length] = '\0';
    return;
  }
  std::size_t n = 0;
  const char* t = tmpl;
  while (*t != '\0' && n < limit) {
    if (*t == '%') {
      const char next = t[1];
      if (next == '\0') {
        out[n++] = '%';
        break;
      }
      if (IsDigit(static_cast<unsigned char>(next))) {
        if (args != nullptr) {
          const std::string& arg = args[next - '0'];
          if (n + arg.size() <= limit) {
            std::memcpy(out + n, arg.data(), arg.size());
            n += arg.size();
          }
        }
        t += 2;
        continue;
      }
      out[n++] = '%';
      ++t;
      if (next == '%') {
        ++t;
        continue;
      }
    }
    // One character, both bytes of a double-byte one (the reserve keeps room).
    const std::size_t len = CharLength(t);
    out[n] = t[0];
    if (len == 2) out[n + 1] = t[1];
    n += len;
    t += len;
  }
  out[n] = '\0';
}

std::string AsciiLowerText(std::string_view text) {
  std::string lower;
  lower.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      lower += text[i];
      lower += text[++i];
    } else {
      lower += AsciiLower(text[i]);
    }
  }
  return lower;
}

std::string FoldWidth(std::string_view source) {
  if (IsAscii(source)) return std::string(source);  // most typed lines
  std::string out;
  out.reserve(source.size());
  for (std::size_t i = 0; i < source.size(); ++i) {
    const auto c = static_cast<unsigned char>(source[i]);
    if (IsLeadByte(c) && i + 1 < source.size() && source[i + 1] != '\0') {
      if (!FoldDoubleByte(c, static_cast<unsigned char>(source[i + 1]), out)) {
        out.append(source.substr(i, 2));
      }
      ++i;
    } else {
      out += (c == 0xA0) ? ' ' : static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace zemu
