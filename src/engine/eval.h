// The formula evaluator: recursive descent that computes while it reads.
//
//   formula   -> ["+"|"-"] term { ("+"|"-") term } [unit]
//   term      -> item { ["*"|"/"] item }
//   item      -> primary [unit-suffix] ["^" item]
//   primary   -> number | name | "(" formula ")" | "{" statements "}" item
//
// Each routine reads from the cursor and moves it past what it used; when it
// returns an Error the cursor stays where the routine began.
#pragma once

#include "base/value.h"

namespace zemu {

struct Context;

Value EvalFormula(Context& ctx, const char*& cursor);
Value EvalTerm(Context& ctx, const char*& cursor);
Value EvalItem(Context& ctx, const char*& cursor);

// Reads "(x, y)". On failure the caller's cursor points at an empty text
// and `first` holds the error, if any.
bool ReadTwoArgs(Context& ctx, const char*& cursor, Value& first, Value& second);

// Reads a comparison ("x<y", "x,lt,y") or a bare truth test (x > 1e-9).
bool EvalCondition(Context& ctx, const char*& cursor);

// The comparisons of a condition.
enum Comparison { EQ = 0, NE = 1, GT = 2, GE = 3, LT = 4, LE = 5, NoComparison = -1 };
// Reads the comparison operator at the cursor ("<", "<=", "==", "eq," ...),
// or returns NoComparison and leaves the cursor where it was.
int ReadComparison(const char*& cursor);
bool Compare(double x, int op, double y);

// number -> ["0" ("b"|"o"|"x"|"d")] digits ["." digits] ["e" [sign] digits]
// Reads the literal at the cursor (a digit, or "." and a digit) and leaves
// the cursor after it.
Value ReadNumber(Context& ctx, const char*& cursor);

// Convenience for callers holding a whole formula text.
Value EvalText(Context& ctx, const std::string& text);

}  // namespace zemu
