// Definition statements: classifying a statement text into a Definition
// (AnalyseDefinition) and computing the value of a stored definition where a
// formula uses it (GetDefinitionValue, ValueOfRow), binding call arguments
// as temporary variables.
//
// How the dispatcher uses this:
//   auto d = NewDefinition(ctx, "");
//   AnalyseStatementAt(ctx, *d, cursor);  // d->kind says what the statement is;
//                                         // d->text is the statement
//   StoreDefinition(ctx, CurrentSheet(ctx), d);  // functions, variables, ...
//   const char* none = "";
//   Value v = GetDefinitionValue(ctx, *d, none);  // a variable's value for Talk
#pragma once

#include <string>

#include "engine/value.h"

namespace zemu {

struct Context;
struct Definition;
struct TDefine;

// Classifies d.text: fills kind, flags (adding the kind's value and the
// marks ! and $) and the offsets, numbers a text beginning with = from the
// store's AutoNumber, cuts the text to the statement (without the closing ;)
// and sets the cached value to "計算前" for functions, variables and
// conversions.
void AnalyseDefinition(Context& ctx, Definition& d);
// The same for the statement at `statement` (the rest of a text): d's text
// becomes the statement alone, as if the rest had been copied and cut.
void AnalyseStatementAt(Context& ctx, Definition& d, const char* statement);

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

// Evaluates the right-hand side of the variable d and gives the result its
// declared unit. While d is being evaluated, a use of d inside its own
// right-hand side gets d's cached value instead of evaluating it again.
Value EvaluateVariable(Context& ctx, Definition& d);

// Blanks between a definition's text and the comment written after it.
inline constexpr const char* kCommentGap = "    ";

// Rewrites the variable d to prefix + "<" + the full-precision text of v,
// followed by kCommentGap and `comment` when there is one, analyses it again
// and makes v its cached value. A v that is not a number keeps the text:
// its display form would not read back as the same value. With
// `deferText`, the text may be written out only when it is first read
// (Definition::Text).
void RewriteVariable(Context& ctx, Definition& d, const Value& v, const std::string& prefix,
                     const std::string& comment, bool deferText = false);

// The error the store answers for a name that is in no sheet.
Value UndefinedDefinitionError();

}  // namespace zemu
