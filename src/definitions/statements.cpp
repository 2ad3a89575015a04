// Definition statements: the classification of a statement text into a
// Definition, and the value of a stored definition at a call site with its
// arguments bound as temporary variables.
#include "definitions/statements.h"

#include <utility>

#include "context.h"
#include "definitions/store.h"
#include "engine/eval.h"
#include "engine/scan.h"
#include "engine/tempvar.h"
#include "engine/units.h"
#include "engine/sjis_literal.h"

namespace zemu {

namespace {

bool IsArgumentStop(char c) { return c == ')' || c == '\0' || c == ';' || c == '\''; }

// The head of a definition:
//   head -> {"!" | "$" [blanks]} (digits "=" | [digits] ("[" ... "]" ... "]" | name)
//           ["(" parameters ")"] ["[" unit "]"])
// Reads from p, filling the offsets of d up to headEnd. Returns false when
// the text is a command or a description, whose analysis ends here.
bool AnalyseHead(Definition& d, const char* base, const char*& p) {
  auto at = [base](const char* q) { return static_cast<std::int32_t>(q - base); };
  while (*p == '!' || *p == '$') {
    if (*p == '!') {
      ++p;
      d.flags |= MarkBang;
    }
    if (*p == '$') {
      ++p;
      d.flags |= MarkWatch;
    }
    SkipBlanks(p);
  }
  d.nameStart = at(p);
  if (*p == '.') {
    d.kind = CommandKind;
    return false;
  }
  if (IsDigit(static_cast<unsigned char>(*p))) {
    while (IsDigit(static_cast<unsigned char>(*p))) ++p;
    if (*p == '=') {
      d.kind = DescriptionKind;
      d.nameEnd = d.headEnd = at(p);
      d.bodyStart = at(p) + 1;
      return false;
    }
  }
  if (*p == '[') {
    d.kind = ConversionKind;
    FindChar(p, ']', false);
    FindChar(p, ']', false);
  } else if (IsLetter(static_cast<unsigned char>(*p))) {
    while (IsNameChar(static_cast<unsigned char>(*p))) StepChar(p);
  }
  d.nameEnd = at(p);
  if (*p == '(') {
    d.argsStart = at(p);
    SkipGroup(p);
  }
  if (*p == '[') {
    d.unitStart = at(p);
    FindChar(p, ']', false);
    d.unitEnd = at(p);
    if (*p == ']') ++p;
  }
  d.headEnd = at(p);
  return true;
}

// The sign after the head decides the kind; p ends where the body begins.
void AnalyseSign(Definition& d, const char* base, const char*& p) {
  switch (*p) {
    case '=':
      ++p;
      SkipBlanks(p);
      if (*p == '\0' || *p == ';' || *p == '\'') {
        d.kind = ShowKind;
      } else if (d.kind != ConversionKind) {
        d.kind = FunctionKind;
      }
      break;
    case '<':
      d.kind = VariableKind;
      ++p;
      break;
    case '>':
      d.kind = ProcedureKind;
      ++p;
      break;
    default:
      d.kind = FormulaKind;
      p = base;
      break;
  }
  d.bodyStart = static_cast<std::int32_t>(p - base);
}

// The end of the statement: a procedure runs to the next "}" or the end; any
// other statement to its ";", with an optional comment that may declare a
// unit in brackets.
void AnalyseTail(Definition& d, const char* base, const char*& p) {
  if (d.kind == ProcedureKind) {
    SkipToCloseBrace(p);
    return;
  }
  SkipToStatementEnd(p);
  if (*p != '\'') return;
  d.commentStart = static_cast<std::int32_t>(p - base);
  ++p;
  const char* q = p;
  if (FindChar(q, '[', false)) {
    const char* open = q - 1;
    if (FindChar(q, ']', false)) {
      d.unitStart = static_cast<std::int32_t>(open - base);
      d.unitEnd = static_cast<std::int32_t>(q - base);
      p = q;
    }
  }
  SkipStatement(p);
}

// Steps over an argument whose evaluation failed (the evaluator leaves its
// cursor at the argument's start): up to the next "," or a stop character,
// with bracketed groups as units.
void SkipArgument(const char*& c) {
  while (*c != ',' && !IsArgumentStop(*c)) {
    if (!SkipGroup(c)) StepChar(c);
  }
}

// Binds the call's arguments (c on its "(") to d's parameters, pushing each
// as a temporary variable as soon as it is evaluated. Returns the number
// bound, or -1 after "引数が多い" (nothing is left bound then).
int BindArguments(Context& ctx, Definition& d, const char*& cursor) {
  const char* c = cursor;
  if (c[1] == ')') {
    cursor = c + 2;
    return 0;
  }
  // A definition without a parameter list takes no arguments at all.
  const char* q = d.argsStart > 0 ? d.text.c_str() + d.argsStart : ")";
  int bound = 0;
  while (!IsArgumentStop(*c)) {
    if (IsArgumentStop(*q)) {
      PopTempVars(ctx, bound);
      return -1;
    }
    ++c;
    ++q;
    ++bound;
    std::string name = ReadName(q);
    std::string unit = ReadUnit(q);
    SkipBlanks(q);
    Value v = EvalFormula(ctx, c);
    if (v.IsError()) SkipArgument(c);
    if (!unit.empty()) ConvertUnit(ctx, v, unit);
    PushTempVar(ctx, name, v);
  }
  if (*c == ')') ++c;
  cursor = c;
  return bound;
}

Value FunctionValue(Context& ctx, Definition& d, const char*& cursor) {
  int bound = 0;
  if (*cursor == '(') {
    bound = BindArguments(ctx, d, cursor);
    if (bound < 0) {
      d.value = MakeTagged(ValueKind::Undefined, "引数が多い"_sj);
      return MakeError("引数が多い"_sj);
    }
  }
  const char* body = d.text.c_str() + d.bodyStart;
  d.value = EvalFormula(ctx, body);
  if (d.unitStart > 0) d.value.unit = d.Unit();
  Value result = d.value;
  if (bound > 0) {
    PopTempVars(ctx, bound);
    d.value = MakeTagged(ValueKind::Undefined, kDependsOnArgsText);
  }
  return result;
}

}  // namespace

void AnalyseDefinition(Context& ctx, Definition& d) {
  d.nameStart = d.nameEnd = d.argsStart = d.headEnd = d.bodyStart = 0;
  d.commentStart = d.unitStart = d.unitEnd = d.length = 0;
  if (!d.text.empty() && d.text[0] == '=') {
    d.text.insert(0, std::to_string(ctx.defines.autoNumber++));
  }
  d.kind = NotAnalysed;
  const char* base = d.text.c_str();
  const char* p = base;
  if (AnalyseHead(d, base, p)) AnalyseSign(d, base, p);
  AnalyseTail(d, base, p);
  d.length = static_cast<std::int32_t>(p - base);
  d.text.resize(static_cast<std::size_t>(d.length));
  if (d.kind == FunctionKind || d.kind == VariableKind || d.kind == ConversionKind) {
    d.value = MakeTagged(ValueKind::Undefined, kNotComputedText);
  }
  d.flags |= static_cast<std::uint32_t>(d.kind);
}

Value EvaluateVariable(Context& ctx, Definition& d) {
  d.evaluating = true;
  const char* body = d.text.c_str() + d.bodyStart;
  Value r = EvalFormula(ctx, body);
  d.evaluating = false;
  if (d.unitStart > 0) r.unit = d.Unit();
  return r;
}

void RewriteVariable(Context& ctx, Definition& d, const Value& v, const std::string& prefix,
                     const std::string& comment) {
  if (v.kind == ValueKind::Number) {
    std::string text = prefix + "<" + ValueFullText(v);
    if (!comment.empty()) text += kCommentGap + comment;
    d.text = std::move(text);
    AnalyseDefinition(ctx, d);
  }
  d.value = v;
}

Value GetDefinitionValue(Context& ctx, Definition& d, const char*& cursor) {
  if (d.HasValidValue() && !(d.kind == FunctionKind && *cursor == '(')) return d.value;
  // A variable met again inside its own right-hand side.
  if (d.evaluating) return d.value;
  if (d.length == 0) AnalyseDefinition(ctx, d);
  Value result;
  switch (d.kind) {
    case VariableKind:
      result = EvaluateVariable(ctx, d);
      RewriteVariable(ctx, d, result, d.text.substr(0, static_cast<std::size_t>(d.nameEnd)),
                      d.Comment());
      break;
    case FunctionKind:
    case ConversionKind:
      result = FunctionValue(ctx, d, cursor);
      break;
    default:
      d.value = MakeError("NotFormula");
      result = d.value;
      break;
  }
  if (ctx.settings.trace >= TraceLevel::Formula) {
    ScreenOut(ctx, ChannelTrace, "GET(" + d.Name() + ")=" + ValueText(ctx, result));
  }
  return result;
}

Value ValueOfRow(Context& ctx, TDefine& sheet, int row, const char*& cursor) {
  std::shared_ptr<Definition> d = row > 0 ? DefinitionAt(sheet, row) : nullptr;
  if (!d) {
    if (ctx.settings.trace >= TraceLevel::Command) {
      ScreenOut(ctx, ChannelTrace, "GET(" + std::to_string(row) + ")=未定義式"_sj);
    }
    return MakeError("未定義式"_sj);
  }
  if (d->kind == VariableKind && row > 1 && *cursor == '(') {
    std::shared_ptr<Definition> above = DefinitionAt(sheet, row - 1);
    if (above && above->kind == FunctionKind && above->Name() == d->Name()) {
      d = above;
      --row;
    }
  }
  Value r = GetDefinitionValue(ctx, *d, cursor);
  // The evaluation may have moved or replaced the row.
  if (DefinitionAt(sheet, row) == d) {
    SheetRow& cells = sheet.rows[static_cast<std::size_t>(row)];
    cells.cells[ValueColumn] = ValueText(ctx, d->value);
    if (cells.cells[TextColumn] != d->text) cells.cells[TextColumn] = d->text;
    ctx.observer->RowsChanged(sheet, row, row);
  }
  if (ctx.settings.trace >= TraceLevel::Command) {
    ScreenOut(ctx, ChannelTrace, "GET(" + std::to_string(row) + ")=" + ValueText(ctx, r));
  }
  return r;
}

Value UndefinedDefinitionError() { return MakeError("未定義"_sj); }

}  // namespace zemu
