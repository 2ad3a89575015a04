// Values: the result of every evaluation, the arithmetic on two values with
// its unit rules, and the two ways a value is turned into text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace zemu {

enum class ValueKind : std::uint8_t { Undefined = 0, Number = 1, Error = 2 };

// A number with its unit text ("[m]", empty when none), an error with its
// message, or no value with the text shown in its place. For a number,
// `text` is an annotation printed right after the formatted number.
struct Value {
  ValueKind kind = ValueKind::Undefined;
  double number = 0;
  std::string unit;
  std::string text = "Undefined";

  Value() = default;
  // A value of this kind and number with an empty unit and text.
  Value(ValueKind valueKind, double valueNumber) : kind(valueKind), number(valueNumber), text() {}
  // Copying an empty std::string costs more than leaving the new one empty.
  Value(const Value& other) : kind(other.kind), number(other.number), text() {
    if (!other.unit.empty()) unit = other.unit;
    if (!other.text.empty()) text = other.text;
  }
  Value& operator=(const Value& other) {
    kind = other.kind;
    number = other.number;
    if (!other.unit.empty() || !unit.empty()) unit = other.unit;
    if (!other.text.empty() || !text.empty()) text = other.text;
    return *this;
  }
  // Moving a short std::string copies its bytes all the same, so empty
  // texts (most numbers have both) are left alone rather than moved.
  Value(Value&& other) noexcept : kind(other.kind), number(other.number), text() {
    TakeTexts(other);
  }
  Value& operator=(Value&& other) noexcept {
    kind = other.kind;
    number = other.number;
    TakeTexts(other);
    return *this;
  }

  bool IsNumber() const { return kind == ValueKind::Number; }
  bool IsError() const { return kind == ValueKind::Error; }

 private:
  void TakeTexts(Value& other) noexcept {
    if (other.unit.empty()) {
      unit.clear();
    } else {
      unit = std::move(other.unit);
    }
    if (other.text.empty()) {
      text.clear();
    } else {
      text = std::move(other.text);
    }
  }
};

// A number without a unit, built in place.
inline Value MakeNumber(double number) { return Value(ValueKind::Number, number); }
Value MakeNumber(double number, std::string unit);
Value MakeNumber(int number, std::string unit = {});
Value MakeTagged(ValueKind kind, std::string text);
inline Value MakeError(std::string message) {
  return MakeTagged(ValueKind::Error, std::move(message));
}

// A number without a unit or an annotation.
inline bool IsPlainNumber(const Value& value) {
  return value.IsNumber() && value.unit.empty() && value.text.empty();
}

// True for "" and "[]": no unit wherever units are compared or combined.
bool IsNoUnit(std::string_view unit);

// The operand that decides a result when one of the two is not a number.
const Value& NonNumberOperand(const Value& a, const Value& b);
// Multiplication and division with the unit rules: A's unit is kept when B
// has none or is a pure factor ([], [倍]). Addition and comparison, which
// convert units, are in engine/units.h.
Value MultiplyValues(const Value& a, const Value& b);
Value DivideValues(const Value& a, const Value& b);

// Applies a format template to the number and the unit text. Returns nothing
// when the template has a format error.
//
//   "%" [index ":"] [flags] [width] ["." precision] ["l"] type
//
// index 0 is the number, 1 the unit; without it conversions take the next
// argument. Flags: "-" left-justifies; "+" and " " put a sign or a blank
// before a number that is not negative; "#" keeps the trailing zeros of g
// and always writes the decimal point. "l" is accepted and means nothing.
// Types g, e, f, n take the number, s the unit; any other letter, a type
// that does not fit its argument, an index above 1 or a field wider than
// kMaxFieldWidth is a format error. Rounding is half away from zero on the
// exact value of the double.
std::optional<std::string> FormatNumber(std::string_view format, double number,
                                        std::string_view unit);

// The display form in the given template. A template with a format error
// gives the error text of FormatErrorText instead.
std::string ValueText(const Value& value, std::string_view format);
// 17 significant digits, so that the text reads back as the same double.
std::string ValueFullText(const Value& value);

// What the console shows in place of a value whose template is unusable:
// "ERROR: 表示書式が不正です (" + the template + ")".
std::string FormatErrorText(std::string_view format);

// The widest field a template may ask for; a wider one is a typing slip
// that would flood the console, so it is a format error.
inline constexpr int kMaxFieldWidth = 4096;

}  // namespace zemu
