// The values of definitions where formulas use them, and the storing of a
// definition statement, whose variable's right-hand side is computed first.
//
// How the dispatcher uses this with the definitions' own analysis:
//   auto d = NewDefinition(ctx, "");
//   AnalyseStatementAt(ctx, *d, cursor);  // d->kind says what the statement is
//   StoreDefinition(ctx, CurrentSheet(ctx), d);  // functions, variables, ...
//   const char* none = "";
//   Value v = GetDefinitionValue(ctx, *d, none);  // a variable's value for Talk
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/value.h"

namespace zemu {

struct Context;
struct Definition;
struct TDefine;

// The value of d used at a call site. The cursor points just after the name
// in the calling formula; when it is on "(", the arguments are bound to d's
// parameters and the cursor is moved past the argument list (it stays on the
// "(" when there are more arguments than parameters: "引数が多い").
Value GetDefinitionValue(Context& ctx, Definition& d, const char*& cursor);

// The evaluator's way into the store: the value of the definition in `row`
// of `sheet`, reading its argument list at the cursor. A variable stored
// below a function of the same name gives way to the function when
// arguments follow. Updates the row's value cell. A row outside the sheet,
// or without a definition, gives the error "未定義式".
Value ValueOfRow(Context& ctx, TDefine& sheet, int row, const char*& cursor);

// A parameter of a function definition as its head writes it: "x" or "x[m]".
struct DefinitionParameter {
  std::string name;
  std::string unit;  // with its brackets; empty when none is declared
};

// The parameters of d's head, in order; none without a parameter list.
std::vector<DefinitionParameter> ParametersOf(Context& ctx, Definition& d);

// The value of the function d called with `arguments` already evaluated: each
// is converted to its parameter's unit and bound as a call binds it, then the
// body is evaluated as for d(...) in a formula. More arguments than
// parameters give the error "引数が多い".
Value CallDefinition(Context& ctx, Definition& d, const std::vector<Value>& arguments);

// Evaluates the right-hand side of the variable d and gives the result its
// declared unit. While d is being evaluated, a use of d inside its own
// right-hand side gets d's cached value instead of evaluating it again.
Value EvaluateVariable(Context& ctx, Definition& d);

// Stores `definition` in `sheet` as PlaceDefinition does, a variable with
// the value of its right-hand side. A variable whose right-hand side a stop
// of the run cut short is not stored (-1): it keeps its old value.
int StoreDefinition(Context& ctx, TDefine& sheet, std::shared_ptr<Definition> definition);

}  // namespace zemu
