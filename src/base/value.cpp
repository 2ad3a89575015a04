// Values: the constructors, the four operations and the comparisons with
// their unit rules, and the printing of a number through a format template.
//
// Numbers are rounded half away from zero on the exact decimal expansion of
// the double. The C library supplies the digits and rounds them correctly
// (to nearest), so a first pass with a few guard digits decides almost every
// rounding; only when those digits could hide a tie is the exact expansion
// asked for.
#include "base/value.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "base/scan.h"
#include "base/sjis_literal.h"

namespace zemu {
namespace {

// Digits that the first pass asks for beyond the rounding position: enough
// that the exact pass is rarely needed, few enough to keep printing cheap.
constexpr int kGuardDigits = 4;
// Digits that hold the exact expansion of every double (the longest, of a
// subnormal number, has 767 significant digits).
constexpr int kExactDigits = 780;
// Significant digits of g and e when no precision is given, or one above
// kMaxSignificant (more than a double carries).
constexpr int kDefaultSignificant = 15;
constexpr int kMaxSignificant = 18;
constexpr int kMinSignificant = 2;  // one digit before the point, one after
// Fraction digits of f and n when no precision is given, or one above
// kMaxFraction.
constexpr int kDefaultFraction = 2;
constexpr int kMaxFraction = 18;
// Fixed notation holds at most 18 integer digits; from here on f and n
// print in the general form.
constexpr double kFixedLimit = 1e18;
// Digit strings of index, width and precision stop growing here, so that a
// long run of digits cannot overflow.
constexpr int kMaxTemplateNumber = 1000000;

constexpr std::string_view kFullTemplate = "%.17G%S ";

// A decimal number without sign: value = 0.digits × 10^exponent. The
// digits have no leading zero; zero has no digits.
struct Decimal {
  std::string digits;
  int exponent = 0;

  char DigitAt(int i) const {
    return i >= 0 && i < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(i)]
                                                         : '0';
  }
};

// `count` significant digits of the positive finite `magnitude`, rounded to
// nearest by the standard library (exact, and much faster than printf).
Decimal LibraryDigits(double magnitude, int count) {
  char buffer[kExactDigits + 16];
  std::to_chars_result written = std::to_chars(buffer, buffer + sizeof buffer - 1, magnitude,
                                               std::chars_format::scientific, count - 1);
  *written.ptr = '\0';
  Decimal d;
  const char* p = buffer;
  for (; *p != 'e' && *p != '\0'; ++p) {
    if (*p >= '0' && *p <= '9') d.digits += *p;
  }
  if (*p == 'e') d.exponent = std::atoi(p + 1) + 1;
  return d;
}

// True when the digits from `from` on are a 5 followed only by zeros or a 4
// followed only by nines: the library's rounding of its last digit may then
// hide on which side of a half the exact value lies.
bool MayHideTie(const std::string& digits, std::size_t from) {
  if (from >= digits.size()) return true;
  const char first = digits[from];
  if (first != '5' && first != '4') return false;
  const char rest = first == '5' ? '0' : '9';
  return std::all_of(digits.begin() + static_cast<std::ptrdiff_t>(from) + 1, digits.end(),
                     [rest](char c) { return c == rest; });
}

// Keeps the first `keep` digits of `d`, rounding half away from zero on the
// digits after them. The result may end in zeros.
Decimal KeepDigits(Decimal d, int keep) {
  if (keep < 0 || d.digits.empty()) return {};
  const auto kept = static_cast<std::size_t>(keep);
  if (kept >= d.digits.size()) return d;
  const bool up = d.digits[kept] >= '5';
  d.digits.resize(kept);
  if (!up) {
    if (d.digits.find_first_not_of('0') == std::string::npos) return {};
    return d;
  }
  std::size_t i = kept;
  while (i > 0 && d.digits[i - 1] == '9') d.digits[--i] = '0';
  if (i > 0) {
    ++d.digits[i - 1];
  } else {
    // All nines (or nothing kept): the carry adds a digit in front.
    d.digits.insert(d.digits.begin(), '1');
    d.digits.resize(std::max<std::size_t>(kept, 1));
    ++d.exponent;
  }
  return d;
}

// The number of significant digits in the exact decimal expansion of the
// positive finite `magnitude`, or a few more. A double is m × 2^s with an odd
// integer m; for s < 0 its expansion has the digits of m × 5^-s.
int ExactDigitCount(double magnitude) {
  int binaryExponent = 0;
  const double fraction = std::frexp(magnitude, &binaryExponent);
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  const int zeros = std::countr_zero(mantissa);
  mantissa >>= zeros;
  const int shift = binaryExponent - 53 + zeros;
  const double digits = shift >= 0
                            ? std::log10(magnitude)
                            : std::log10(static_cast<double>(mantissa)) - shift * std::log10(5.0);
  return std::min(kExactDigits, static_cast<int>(digits) + 2);
}

// Rounds the positive finite `magnitude` half away from zero, to `count`
// significant digits, or with `fraction` set to `count` digits after the
// decimal point.
Decimal RoundMagnitude(double magnitude, int count, bool fraction) {
  int keep = count;
  if (fraction) {
    // The decimal exponent from the logarithm may be one off; the digits
    // below give the true one.
    keep = static_cast<int>(std::floor(std::log10(magnitude))) + 1 + count;
    if (keep < -1) return {};
  }
  Decimal d = LibraryDigits(magnitude, std::max(keep, 0) + kGuardDigits);
  if (fraction) keep = d.exponent + count;
  if (keep >= 0 && MayHideTie(d.digits, static_cast<std::size_t>(keep))) {
    d = LibraryDigits(magnitude, ExactDigitCount(magnitude));
    if (fraction) keep = d.exponent + count;
  }
  return KeepDigits(std::move(d), keep);
}

void TrimTrailingZeros(std::string& digits) {
  const std::size_t last = digits.find_last_not_of('0');
  digits.resize(last == std::string::npos ? 0 : last + 1);
}

// g: `precision` significant digits; scientific when the exponent X of
// 0.D × 10^X is above the precision or below -3. `keepZeros` ("#") keeps
// trailing zeros and always writes the decimal point.
std::string GeneralText(double magnitude, int precision, bool keepZeros) {
  // A whole number of no more digits than the precision is its own digits.
  if (!keepZeros && magnitude >= 1 && magnitude < 1e15 && magnitude == std::floor(magnitude)) {
    char digits[24];
    const auto end =
        std::to_chars(digits, digits + sizeof digits, static_cast<std::uint64_t>(magnitude)).ptr;
    if (end - digits <= precision) return std::string(digits, end);
  }
  Decimal d;
  if (magnitude == 0) {
    if (!keepZeros) return "0";
    d.digits.assign(static_cast<std::size_t>(precision), '0');
    d.exponent = 1;
  } else {
    d = RoundMagnitude(magnitude, precision, false);
    if (!keepZeros) TrimTrailingZeros(d.digits);
  }
  const int x = d.exponent;
  const int count = static_cast<int>(d.digits.size());
  std::string out;
  if (x > precision || x < -3) {
    out += d.digits[0];
    if (count > 1 || keepZeros) out += '.';
    out.append(d.digits, 1);
    out += 'E';
    out += std::to_string(x - 1);
  } else if (x <= 0) {
    out = "0.";
    out.append(static_cast<std::size_t>(-x), '0');
    out += d.digits;
  } else {
    for (int i = 0; i < x; ++i) out += d.DigitAt(i);
    if (count > x || keepZeros) out += '.';
    if (count > x) out.append(d.digits, static_cast<std::size_t>(x));
  }
  return out;
}

// e: one digit, the point, precision-1 digits, "E", the exponent's sign and
// at least three exponent digits.
std::string ScientificText(double magnitude, int precision) {
  Decimal d;
  if (magnitude != 0) d = RoundMagnitude(magnitude, precision, false);
  const int exponent = d.digits.empty() ? 0 : d.exponent - 1;
  std::string out(1, d.DigitAt(0));
  out += '.';
  for (int i = 1; i < precision; ++i) out += d.DigitAt(i);
  char tail[16];
  std::snprintf(tail, sizeof tail, "E%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
  return out + tail;
}

// Puts a comma between every three integer digits.
std::string GroupThousands(const std::string& integer) {
  std::string out;
  const std::size_t n = integer.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += ',';
    out += integer[i];
  }
  return out;
}

// f and n: `fraction` digits after the point; `grouped` (n) adds thousands
// separators; `keepPoint` ("#") writes the point even without fraction
// digits. Too large a number prints in the general form.
std::string FixedText(double magnitude, int fraction, bool grouped, bool keepPoint) {
  if (magnitude >= kFixedLimit) return GeneralText(magnitude, kDefaultSignificant, keepPoint);
  Decimal d;
  if (magnitude != 0) d = RoundMagnitude(magnitude, fraction, true);
  const int x = d.digits.empty() ? 0 : d.exponent;
  std::string integer;
  for (int i = 0; i < x; ++i) integer += d.DigitAt(i);
  if (integer.empty()) integer = "0";
  std::string out = grouped ? GroupThousands(integer) : integer;
  if (fraction > 0 || keepPoint) out += '.';
  for (int j = 0; j < fraction; ++j) out += d.DigitAt(x + j);
  return out;
}

// One conversion of a template, as read after its "%".
struct Conversion {
  int index = -1;  // -1: the next argument
  bool left = false;
  bool plus = false;
  bool blank = false;
  bool alternate = false;
  int width = 0;
  int precision = -1;  // -1: none given
  char type = 0;       // lower case
};

// Reads a decimal digit string at `pos`; -1 when there is none.
int ReadTemplateNumber(std::string_view format, std::size_t& pos) {
  if (pos >= format.size() || format[pos] < '0' || format[pos] > '9') return -1;
  int n = 0;
  while (pos < format.size() && format[pos] >= '0' && format[pos] <= '9') {
    n = std::min(n * 10 + (format[pos] - '0'), kMaxTemplateNumber);
    ++pos;
  }
  return n;
}

// Sets the flag that `f` stands for; false when `f` is no flag.
bool SetFlag(char f, Conversion& c) {
  switch (f) {
    case '-':
      c.left = true;
      return true;
    case '+':
      c.plus = true;
      return true;
    case ' ':
      c.blank = true;
      return true;
    case '#':
      c.alternate = true;
      return true;
  }
  return false;
}

// Reads a conversion from just after its "%" to just after its type
// letter. Returns nothing when the text is not a conversion.
std::optional<Conversion> ReadConversion(std::string_view format, std::size_t& pos) {
  Conversion c;
  const int first = ReadTemplateNumber(format, pos);
  bool widthRead = false;
  if (first >= 0 && pos < format.size() && format[pos] == ':') {
    c.index = first;
    ++pos;
  } else if (first >= 0) {
    c.width = first;
    widthRead = true;
  }
  while (!widthRead && pos < format.size() && SetFlag(format[pos], c)) ++pos;
  if (!widthRead) c.width = std::max(ReadTemplateNumber(format, pos), 0);
  if (c.width > kMaxFieldWidth) return std::nullopt;
  if (pos < format.size() && format[pos] == '.') {
    ++pos;
    c.precision = std::max(ReadTemplateNumber(format, pos), 0);
  }
  if (pos < format.size() && format[pos] == 'l') ++pos;
  if (pos >= format.size()) return std::nullopt;
  const char t = format[pos++];
  c.type = AsciiLower(t);
  return c;
}

int SignificantDigits(int precision) {
  if (precision < 0 || precision > kMaxSignificant) return kDefaultSignificant;
  return std::max(precision, kMinSignificant);
}

bool HasNonZeroDigit(const std::string& text) {
  return text.find_first_of("123456789") != std::string::npos;
}

// Converts the number with a g, e, f or n conversion, sign included.
std::string NumberText(const Conversion& c, double number) {
  if (std::isnan(number)) return "NAN";
  const double magnitude = std::fabs(number);
  std::string body;
  if (std::isinf(number)) {
    body = "INF";
  } else if (c.type == 'g') {
    body = GeneralText(magnitude, SignificantDigits(c.precision), c.alternate);
  } else if (c.type == 'e') {
    body = ScientificText(magnitude, SignificantDigits(c.precision));
  } else {
    const int fraction =
        c.precision < 0 || c.precision > kMaxFraction ? kDefaultFraction : c.precision;
    body = FixedText(magnitude, fraction, c.type == 'n', c.alternate);
  }
  // A number that rounds to zero prints without its minus sign.
  if (std::signbit(number) && (std::isinf(number) || HasNonZeroDigit(body))) return "-" + body;
  if (c.plus) return "+" + body;
  if (c.blank) return " " + body;
  return body;
}

// The unit, cut to at most `precision` bytes without splitting a
// double-byte character.
std::string UnitText(const Conversion& c, std::string_view unit) {
  if (c.precision < 0 || static_cast<std::size_t>(c.precision) >= unit.size()) {
    return std::string(unit);
  }
  const auto limit = static_cast<std::size_t>(c.precision);
  std::size_t end = 0;
  while (end < limit) {
    const std::size_t step = IsLeadByte(static_cast<unsigned char>(unit[end])) ? 2 : 1;
    if (end + step > limit) break;
    end += step;
  }
  return std::string(unit.substr(0, end));
}

void AppendField(std::string& out, const std::string& text, const Conversion& c) {
  const auto width = static_cast<std::size_t>(c.width);
  const std::size_t fill = width > text.size() ? width - text.size() : 0;
  if (!c.left) out.append(fill, ' ');
  out += text;
  if (c.left) out.append(fill, ' ');
}

bool IsNumberType(char type) { return type == 'g' || type == 'e' || type == 'f' || type == 'n'; }

bool IsPureFactor(const std::string& unit) { return unit == "[]" || unit == "[倍]"_sj; }

}  // namespace

const Value& NonNumberOperand(const Value& a, const Value& b) {
  if (a.IsError()) return a;
  if (b.IsError()) return b;
  if (a.kind == ValueKind::Undefined) return a;
  return b;
}

Value MakeNumber(double number, std::string unit) {
  Value v(ValueKind::Number, number);
  if (!unit.empty()) v.unit = std::move(unit);
  return v;
}

Value MakeNumber(int number, std::string unit) {
  return MakeNumber(static_cast<double>(number), std::move(unit));
}

Value MakeTagged(ValueKind kind, std::string text) {
  Value v(kind, 0);
  v.text = std::move(text);
  return v;
}

bool IsNoUnit(std::string_view unit) { return unit.empty() || unit == "[]"; }

Value MultiplyValues(const Value& a, const Value& b) {
  if (!a.IsNumber() || !b.IsNumber()) return NonNumberOperand(a, b);
  std::string unit;
  if (IsNoUnit(a.unit))
    unit = b.unit;
  else if (IsPureFactor(b.unit))
    unit = a.unit;
  Value result = MakeNumber(a.number * b.number, std::move(unit));
  result.text = a.text;
  return result;
}

Value DivideValues(const Value& a, const Value& b) {
  if (!a.IsNumber() || !b.IsNumber()) return NonNumberOperand(a, b);
  if (b.number == 0) return MakeError("Divide By 0");
  Value result = MakeNumber(a.number / b.number, IsPureFactor(b.unit) ? a.unit : std::string());
  result.text = a.text;
  return result;
}

std::optional<std::string> FormatNumber(std::string_view format, double number,
                                        std::string_view unit) {
  std::string out;
  int next = 0;  // the argument that a conversion without index takes
  std::size_t pos = 0;
  while (pos < format.size()) {
    const char c = format[pos];
    if (c != '%') {
      const bool pair = IsLeadByte(static_cast<unsigned char>(c)) && pos + 1 < format.size();
      out.append(format.substr(pos, pair ? 2 : 1));
      pos += pair ? 2 : 1;
      continue;
    }
    ++pos;
    if (pos < format.size() && format[pos] == '%') {
      out += '%';
      ++pos;
      continue;
    }
    const std::optional<Conversion> conversion = ReadConversion(format, pos);
    if (!conversion) return std::nullopt;
    const int argument = conversion->index >= 0 ? conversion->index : next;
    next = argument + 1;
    if (argument == 0 && IsNumberType(conversion->type)) {
      AppendField(out, NumberText(*conversion, number), *conversion);
    } else if (argument == 1 && conversion->type == 's') {
      AppendField(out, UnitText(*conversion, unit), *conversion);
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::string FormatErrorText(std::string_view format) {
  return "ERROR: 表示書式が不正です ("_sj + std::string(format) + ")";
}

std::string ValueText(const Value& value, std::string_view format) {
  switch (value.kind) {
    case ValueKind::Number: {
      std::optional<std::string> text = FormatNumber(format, value.number, value.unit);
      if (!text) return FormatErrorText(format);
      return *text + value.text;
    }
    case ValueKind::Error:
      return "ERROR: " + value.text;
    case ValueKind::Undefined:
      break;
  }
  return value.text;
}

std::string ValueFullText(const Value& value) { return ValueText(value, kFullTemplate); }

}  // namespace zemu
