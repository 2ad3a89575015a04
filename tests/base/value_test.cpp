// Values: the unit rules and kind combination of the arithmetic, the
// comparisons, and the printing of numbers through format templates.
#include "base/value.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "base/sjis_literal.h"
#include "engine/units.h"
#include "host/context.h"

namespace zemu {
namespace {

Value Num(double n, const char* unit = "") { return MakeNumber(n, unit); }
Value Undef(const char* text) { return MakeTagged(ValueKind::Undefined, text); }

enum class Op { Add, Subtract, Multiply, Divide };

Value Apply(Context& ctx, Op op, const Value& a, const Value& b) {
  switch (op) {
    case Op::Add:
      return AddValues(ctx, a, b);
    case Op::Subtract:
      return SubtractValues(ctx, a, b);
    case Op::Multiply:
      return MultiplyValues(a, b);
    case Op::Divide:
      return DivideValues(a, b);
  }
  return {};
}

struct ArithmeticCase {
  const char* name;
  Op op;
  Value a, b;
  double number;
  const char* unit;
};

TEST(ValueArithmetic, UnitRules) {
  const ArithmeticCase cases[] = {
      {"5*0", Op::Multiply, Num(5), Num(0), 0, ""},
      {"2*3[m]", Op::Multiply, Num(2), Num(3, "[m]"), 6, "[m]"},
      {"3[m]*2", Op::Multiply, Num(3, "[m]"), Num(2), 6, ""},
      {"3[m]*2[倍]"_sj, Op::Multiply, Num(3, "[m]"), Num(2, "[倍]"_sj), 6, "[m]"},
      {"3[m]*2[]", Op::Multiply, Num(3, "[m]"), Num(2, "[]"), 6, "[m]"},
      {"3[]*2[s]", Op::Multiply, Num(3, "[]"), Num(2, "[s]"), 6, "[s]"},
      {"3[m]*2[s]", Op::Multiply, Num(3, "[m]"), Num(2, "[s]"), 6, ""},
      {"6[m]/2", Op::Divide, Num(6, "[m]"), Num(2), 3, ""},
      {"6[m]/2[倍]"_sj, Op::Divide, Num(6, "[m]"), Num(2, "[倍]"_sj), 3, "[m]"},
      {"6[m]/2[]", Op::Divide, Num(6, "[m]"), Num(2, "[]"), 3, "[m]"},
      {"6/2[m]", Op::Divide, Num(6), Num(2, "[m]"), 3, ""},
      {"2+3[m]", Op::Add, Num(2), Num(3, "[m]"), 5, "[m]"},
      {"2[]+3[m]", Op::Add, Num(2, "[]"), Num(3, "[m]"), 5, "[m]"},
      {"3[m]+2", Op::Add, Num(3, "[m]"), Num(2), 5, "[m]"},
      {"3[m]+2[m]", Op::Add, Num(3, "[m]"), Num(2, "[m]"), 5, "[m]"},
      {"3[m]-2", Op::Subtract, Num(3, "[m]"), Num(2), 1, "[m]"},
      {"2-3[m]", Op::Subtract, Num(2), Num(3, "[m]"), -1, "[m]"},
  };
  for (const ArithmeticCase& c : cases) {
    Context ctx;
    const Value r = Apply(ctx, c.op, c.a, c.b);
    EXPECT_EQ(r.kind, ValueKind::Number) << c.name;
    EXPECT_EQ(r.number, c.number) << c.name;
    EXPECT_EQ(r.unit, c.unit) << c.name;
  }
}

TEST(ValueArithmetic, ResultKeepsLeftAnnotation) {
  Context ctx;
  Value a = Num(1, "[m]");
  a.text = "注"_sj;
  const Value b = Num(2);
  for (Op op : {Op::Add, Op::Subtract, Op::Multiply, Op::Divide}) {
    EXPECT_EQ(Apply(ctx, op, a, b).text, "注"_sj);
    EXPECT_EQ(Apply(ctx, op, b, a).text, "");
  }
}

TEST(ValueArithmetic, DivideByZero) {
  for (double zero : {0.0, -0.0}) {
    const Value r = DivideValues(Num(5, "[m]"), Num(zero, "[倍]"_sj));
    EXPECT_TRUE(r.IsError());
    EXPECT_EQ(r.text, "Divide By 0");
    EXPECT_EQ(r.number, 0);
    EXPECT_EQ(r.unit, "");
  }
}

TEST(ValueArithmetic, FailedConversionIsTheResult) {
  Context ctx;
  for (Op op : {Op::Add, Op::Subtract}) {
    Value expected = Num(2, "[s]");
    ConvertUnit(ctx, expected, "[m]");
    ASSERT_TRUE(expected.IsError());
    const Value r = Apply(ctx, op, Num(1, "[m]"), Num(2, "[s]"));
    EXPECT_TRUE(r.IsError());
    EXPECT_EQ(r.text, expected.text);
  }
}

TEST(ValueArithmetic, CombinationOfKinds) {
  const Value err1 = MakeError("left");
  const Value err2 = MakeError("right");
  const Value undef1 = Undef("u1");
  const Value undef2 = Undef("u2");
  const Value num = Num(0, "[m]");
  struct Case {
    const Value& a;
    const Value& b;
    const Value& winner;
  };
  const Case cases[] = {
      {err1, err2, err1},   {err1, num, err1},        {num, err2, err2},     {undef1, err2, err2},
      {err1, undef2, err1}, {undef1, undef2, undef1}, {undef1, num, undef1}, {num, undef2, undef2},
  };
  for (Op op : {Op::Add, Op::Subtract, Op::Multiply, Op::Divide}) {
    for (const Case& c : cases) {
      Context ctx;
      const Value r = Apply(ctx, op, c.a, c.b);
      EXPECT_EQ(r.kind, c.winner.kind) << c.a.text << " " << c.b.text;
      EXPECT_EQ(r.text, c.winner.text) << c.a.text << " " << c.b.text;
    }
  }
}

TEST(ValueCompare, Table) {
  struct Case {
    Value a, b;
    bool greater, greaterOrEqual, less, lessOrEqual;
  };
  const Case cases[] = {
      {Num(3), Num(2), true, true, false, false},
      {Num(2), Num(2), false, true, false, true},
      {Num(3, "[m]"), Num(2, "[m]"), true, true, false, false},
      {Num(3, "[m]"), Num(4), false, false, true, true},
      {Num(2), Num(3, "[m]"), false, false, true, true},
      // A right operand that cannot be converted compares false every way.
      {Num(3, "[m]"), Num(2, "[s]"), false, false, false, false},
      {Num(-3, "[m]"), Num(2, "[s]"), false, false, false, false},
      {Num(1), MakeError("e"), false, false, false, false},
      {Undef("u"), Num(1), false, false, false, false},
  };
  for (const Case& c : cases) {
    Context ctx;
    const std::string name = ValueText(c.a, "%g%s") + " " + ValueText(c.b, "%g%s");
    EXPECT_EQ(IsGreater(ctx, c.a, c.b), c.greater) << name;
    EXPECT_EQ(IsGreaterOrEqual(ctx, c.a, c.b), c.greaterOrEqual) << name;
    EXPECT_EQ(IsLess(ctx, c.a, c.b), c.less) << name;
    EXPECT_EQ(IsLessOrEqual(ctx, c.a, c.b), c.lessOrEqual) << name;
  }
}

struct FormatCase {
  const char* format;
  double number;
  const char* unit;
  const char* expected;
};

void ExpectFormats(const FormatCase* begin, const FormatCase* end) {
  for (const FormatCase* c = begin; c != end; ++c) {
    const std::optional<std::string> text = FormatNumber(c->format, c->number, c->unit);
    ASSERT_TRUE(text.has_value()) << c->format << " " << c->number;
    EXPECT_EQ(*text, c->expected) << c->format << " " << c->number;
  }
}

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(FormatNumber, General) {
  const FormatCase cases[] = {
      {"%.8G%S  ", 3, "[m]", "3[m]  "},
      {"%.8G%S  ", 1.0 / 3, "", "0.33333333  "},
      {"%.8G%S  ", 12345678, "", "12345678  "},
      {"%.8G%S  ", 123456789, "", "1.2345679E8  "},
      {"%.8g", 12345678.9, "", "12345679"},
      {"%.8g", 99999999, "", "99999999"},
      {"%.8g", 99999999.5, "", "1E8"},
      {"%.8g", 1.5e20, "", "1.5E20"},
      {"%.8g", 1200, "", "1200"},
      {"%.15g", 999999999999999, "", "999999999999999"},
      {"%.2g", 10, "", "10"},
      {"%.16g", 1e15, "", "1000000000000000"},
      {"%.8g", -12.5, "", "-12.5"},
      {"%.8g", 0.001, "", "0.001"},
      {"%.8g", 0.0001, "", "0.0001"},
      {"%.8g", 0.00123, "", "0.00123"},
      {"%.8g", 0.00001, "", "1E-5"},
      {"%.8g", 0.000099999, "", "9.9999E-5"},
      {"%.8g", -2.5e-7, "", "-2.5E-7"},
      {"%.8g", 0, "", "0"},
      {"%.8g", -0.0, "", "0"},
      {"%g", 1.0 / 3, "", "0.333333333333333"},
      {"%.19g", 0.1, "", "0.1"},
      {"%.18g", 0.1, "", "0.100000000000000006"},
      {"%.0g", 1.25, "", "1.3"},
      {"%.17G%S ", 0.1, "", "0.10000000000000001 "},
      {"%.17G", 5e-324, "", "4.9406564584124654E-324"},
      {"%.8g", kInf, "", "INF"},
      {"%.8g", -kInf, "", "-INF"},
      {"%.8g", std::nan(""), "", "NAN"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

// Ties are rounded away from zero on the exact value of the double; values
// that only look like ties in decimal round by their exact expansion.
TEST(FormatNumber, Rounding) {
  const FormatCase cases[] = {
      {"%.2g", 0.125, "", "0.13"},
      {"%.2g", -0.125, "", "-0.13"},
      {"%.6g", 0.0009765625, "", "0.000976563"},
      {"%.3g", 2.675, "", "2.67"},  // 2.67499999...
      {"%.3g", 9.995, "", "9.99"},  // 9.99499999...
      {"%.3g", 9.9951, "", "10"},
      {"%.0f", 0.5, "", "1"},
      {"%.0f", 2.5, "", "3"},
      {"%.0f", -2.5, "", "-3"},
      {"%.0f", 0.49999999999999994, "", "0"},
      {"%.2f", 0.125, "", "0.13"},
      {"%.2f", 1.005, "", "1.00"},  // 1.00499999...
      {"%.1f", 0.05, "", "0.1"},    // 0.05000000000000000277
      {"%.2f", 0.005, "", "0.01"},  // 0.005000000000000000104
      {"%.2f", -0.001, "", "0.00"},
      {"%.2f", 99.995, "", "100.00"},  // 99.99500000000000454
      {"%.3e", 9.9996, "", "1.00E+001"},
      {"%.2e", 0.125, "", "1.3E-001"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

TEST(FormatNumber, ScientificFixedAndGrouped) {
  const FormatCase cases[] = {
      {"%.3e%s", 123.456, "[m]", "1.23E+002[m]"},
      {"%e", 123.456, "", "1.23456000000000E+002"},
      {"%.1E", 123.456, "", "1.2E+002"},
      {"%.3e", 0, "", "0.00E+000"},
      {"%.3e", -1e-300, "", "-1.00E-300"},
      {"%.3e", -kInf, "", "-INF"},
      {"%f", 3.14159, "", "3.14"},
      {"%.25f", 3.14159, "", "3.14"},
      {"%.3f", -2.5, "", "-2.500"},
      {"%.2f", 0, "", "0.00"},
      {"%.2f", -0.0, "", "0.00"},
      {"%.4f", 0.00012, "", "0.0001"},
      {"%.18f", 0.1, "", "0.100000000000000006"},
      {"%.2f", 999999999999999872.0, "", "999999999999999872.00"},
      {"%.2f", 1e18, "", "1E18"},
      {"%.2f", -1.5e20, "", "-1.5E20"},
      {"%7.3F %S", 123.456, "[m]", "123.456 [m]"},
      {"%n", 1234567.891, "", "1,234,567.89"},
      {"%n", -1234.5, "", "-1,234.50"},
      {"%n", 123, "", "123.00"},
      {"%.0N", 999.5, "", "1,000"},
      {"%n", 1e19, "", "1E19"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

TEST(FormatNumber, FieldsIndexAndText) {
  const FormatCase cases[] = {
      {"abc", 5, "[m]", "abc"},
      {"", 5, "[m]", ""},
      {"%.8G%%", 50, "", "50%"},
      {"%10.8G|", 3, "", "         3|"},
      {"%-10.8G|", 3, "", "3         |"},
      {"%2.8G|", 123, "", "123|"},
      {"%5.2f", kInf, "", "  INF"},
      {"%1:-6s|", 0, "[m]", "[m]   |"},
      {"%1:6s|", 0, "[m]", "   [m]|"},
      {"%g%s", 2, "", "2"},
      {"%1:s=%0:g", 2, "[m]", "[m]=2"},
      {"%0:g%s", 2, "[m]", "2[m]"},
      {"%0:g%0:.3e", 2, "", "22.00E+000"},
      {"%1:-5s|%0:g", 2, "[m]", "[m]  |2"},
      {"%g%.2s", 1, "[m]", "1[m"},
      {"%g%.0s|", 1, "[m]", "1|"},
      // A precision never splits a double-byte character of the unit.
      {"%g%.2s", 1, "[\x83\xCAm]", "1["},
      {"%g%.3s", 1, "[\x83\xCAm]", "1[\x83\xCA"},
      // Double-byte characters in the text, trail bytes 0x5C and 0x73 too.
      {"表示%g不"_sj, 1, "", "表示1不"_sj},
      {"%g%s", 1, "[表]"_sj, "1[表]"_sj},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

TEST(FormatNumber, PrintfFlags) {
  const FormatCase cases[] = {
      {"%+.3g", 2, "", "+2"},
      {"%+.3g", -2, "", "-2"},
      {"% .3g", 2, "", " 2"},
      {"%+ .3g", 2, "", "+2"},
      {"%#.3g", 2, "", "2.00"},
      {"%#.3g", 123, "", "123."},
      {"%#.3g", 1e5, "", "1.00E5"},
      {"%#.0f", 3, "", "3."},
      {"%+.2f", -0.001, "", "+0.00"},
      {"%+.8g", kInf, "", "+INF"},
      {"%+10.3lf|", 3.14159, "", "    +3.142|"},
      {"%-+8.1lf|", 3.14159, "", "+3.1    |"},
      {"%.8lG%ls", 3, "[m]", "3[m]"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

TEST(FormatNumber, FormatErrors) {
  const char* const formats[] = {
      "%s",   "%S%g", "%g%g",   "%g%s%s", "%d",     "%.8d",   "%u",   "%x",
      "%p",   "%m",   "%q",     "%",      "abc%",   "%.8",    "%2:g", "%1:g",
      "%0:s", "%*g",  "%5000g", "%g%1:e", "%1:s%s", "%.8Q%S", "%ll",  "%lg%S%0:s%g",
  };
  for (const char* format : formats) {
    EXPECT_FALSE(FormatNumber(format, 1.5, "[m]").has_value()) << format;
  }
  EXPECT_TRUE(FormatNumber("%4096g", 1.5, "").has_value());
}

TEST(ValueText, Kinds) {
  Context ctx;
  EXPECT_EQ(ValueText(ctx, Value{}), "Undefined");
  EXPECT_EQ(ValueText(ctx, Undef("未計算"_sj)), "未計算"_sj);
  EXPECT_EQ(ValueText(ctx, MakeError("Divide By 0")), "ERROR: Divide By 0");
  EXPECT_EQ(ValueText(ctx, MakeNumber(3, "[m]")), "3[m]  ");
  Value annotated = MakeNumber(1.5);
  annotated.text = "(注)"_sj;
  EXPECT_EQ(ValueText(ctx, annotated), "1.5  (注)"_sj);
  EXPECT_EQ(ValueFullText(annotated), "1.5 (注)"_sj);
  EXPECT_EQ(ValueFullText(MakeError("x")), "ERROR: x");
  ctx.settings.format = "%.3e%s";
  EXPECT_EQ(ValueText(ctx, MakeNumber(123.456, "[m]")), "1.23E+002[m]");
  ctx.settings.format = "%d";
  EXPECT_EQ(ValueText(ctx, MakeNumber(1)), FormatErrorText("%d"));
  EXPECT_EQ(ValueText(ctx, MakeError("e")), "ERROR: e");
}

TEST(ValueText, FormatErrorTextIsShiftJis) {
  EXPECT_EQ(FormatErrorText("%d"),
            "ERROR: \x95\x5c\x8e\xa6\x8f\x91\x8e\xae\x82\xaa\x95\x73\x90\xb3\x82\xc5\x82\xb7 (%d)");
}

double RandomFiniteDouble(std::mt19937_64& random) {
  for (;;) {
    const double d = std::bit_cast<double>(random());
    if (std::isfinite(d)) return d;
  }
}

TEST(ValueFullText, ReadsBackAsTheSameDouble) {
  std::mt19937_64 random(20240611);
  for (int i = 0; i < 5000; ++i) {
    // Half of the draws over all bit patterns, half in an everyday range.
    const double d = i % 2 == 0 ? RandomFiniteDouble(random)
                                : std::ldexp(static_cast<double>(random() >> 11), -40);
    const std::string text = ValueFullText(MakeNumber(d));
    ASSERT_EQ(text.back(), ' ');
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), d) << text;
  }
}

// True when the exact expansion of `d` has a 5 and nothing else after its
// first `precision` significant digits.
bool IsExactTie(double d, int precision) {
  char digits[800];
  std::snprintf(digits, sizeof digits, "%.780e", std::fabs(d));
  std::string mantissa(digits, std::strchr(digits, 'e'));
  mantissa.erase(1, 1);  // the decimal point
  const std::size_t p = static_cast<std::size_t>(precision);
  return mantissa[p] == '5' && mantissa.find_first_not_of('0', p + 1) == std::string::npos;
}

// Away from exact ties the rounding is the library's round-to-nearest.
TEST(FormatNumber, AgreesWithLibraryAwayFromTies) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 3000; ++i) {
    const double d = RandomFiniteDouble(random);
    const int precision = 2 + i % 16;
    if (IsExactTie(d, precision)) continue;
    const std::string format = "%." + std::to_string(precision) + "e";
    const std::optional<std::string> ours = FormatNumber(format, d, "");
    ASSERT_TRUE(ours.has_value());
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.*e", precision - 1, d);
    const std::size_t ourE = ours->find('E');
    const std::string libMantissa(expected, std::strchr(expected, 'e'));
    EXPECT_EQ(ours->substr(0, ourE), libMantissa) << d;
    EXPECT_EQ(std::atoi(ours->c_str() + ourE + 1), std::atoi(std::strchr(expected, 'e') + 1)) << d;
  }
}

}  // namespace
}  // namespace zemu
