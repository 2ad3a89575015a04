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

// Convenience for callers holding a whole formula text.
Value EvalText(Context& ctx, const std::string& text);

}  // namespace zemu
