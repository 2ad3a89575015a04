// Definition statements: classifying a statement text into a Definition
// (AnalyseDefinition), and a variable's text rewritten to its value. Their
// values, where formulas use them, are computed by the evaluator
// (engine/definition_values.h).
#pragma once

#include <string>
#include <string_view>

#include "base/value.h"

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

// Blanks between a definition's text and the comment written after it.
inline constexpr const char* kCommentGap = "    ";

// Rewrites the variable d to prefix + "<" + the full-precision text of v,
// followed by kCommentGap and `comment` when there is one, analyses it again
// and makes v its cached value. A v that is not a number keeps the text:
// its display form would not read back as the same value. With
// `deferText`, the text may be written out only when it is first read
// (Definition::Text).
void RewriteVariable(Context& ctx, Definition& d, const Value& v, std::string_view prefix,
                     std::string_view comment, bool deferText = false);

// The error the store answers for a name that is in no sheet.
Value UndefinedDefinitionError();

}  // namespace zemu
