// The values of definitions where formulas use them: binding a call's
// arguments as temporary variables, reading a function's body, evaluating a
// variable's right-hand side, and storing a definition statement.
#include "engine/definition_values.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "cache/body_memo.h"
#include "definitions/statements.h"
#include "definitions/store.h"
#include "engine/eval.h"
#include "engine/number_form.h"
#include "engine/tempvar.h"
#include "engine/units.h"
#include "host/context.h"
#include "host/guard.h"
#include "host/output.h"

namespace zemu {

namespace {

bool IsArgumentStop(char c) { return c == ')' || c == '\0' || c == ';' || c == '\''; }

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
    const std::string_view name = ReadNameView(q);
    SkipBlanks(q);
    const std::string unit = *q == '[' ? ReadUnit(q) : std::string();
    SkipBlanks(q);
    Value v = EvalFormula(ctx, c);
    if (v.IsError()) SkipArgument(c);
    if (!unit.empty()) ConvertUnit(ctx, v, unit);
    PushTempVar(ctx, name, std::move(v));
  }
  if (*c == ')') ++c;
  cursor = c;
  return bound;
}

// While a function's body is read, what the reading finds out about its
// text is kept with it.
class ReadingBody {
 public:
  ReadingBody(Context& ctx, Definition& d) : ctx_(ctx), outer_(ctx.caches.body) {
    ctx.caches.body = BodyMemoFor(ctx.caches, d.cache, d.text);
  }
  ~ReadingBody() { ctx_.caches.body = outer_; }
  ReadingBody(const ReadingBody&) = delete;
  ReadingBody& operator=(const ReadingBody&) = delete;

 private:
  Context& ctx_;
  BodyMemo* outer_;
};

// Watches an evaluation for reads of temporary variables bound before it
// began (a caller's parameter, a loop's variable): a value that read one
// holds only for that caller and is not kept.
class OuterReads {
 public:
  explicit OuterReads(TTempVar& table)
      : table_(table), outer_(table.lowestRead), from_(table.entries.size()) {
    table.lowestRead = TTempVar::kNoRead;
  }
  // The enclosing evaluation learns what this one read.
  ~OuterReads() { table_.lowestRead = std::min(outer_, table_.lowestRead); }
  OuterReads(const OuterReads&) = delete;
  OuterReads& operator=(const OuterReads&) = delete;

  bool Happened() const { return table_.lowestRead < from_; }

 private:
  TTempVar& table_;
  std::size_t outer_;
  std::size_t from_;
};

// Whether a value just computed for a definition may be kept as its value:
// not when the run was stopped meanwhile, nor when it read a caller's binding.
bool MayKeep(const Context& ctx, const OuterReads& reads) {
  return !RunStopped(ctx.guard, ctx.runState) && !reads.Happened();
}

// The body's value with `bound` arguments bound, which it unbinds.
Value BodyValue(Context& ctx, Definition& d, int bound, const OuterReads& reads) {
  Value result;
  if (!EvalNumberForm(ctx, d, bound, result)) {
    const char* body = d.text.c_str() + d.bodyStart;
    ReadingBody reading(ctx, d);
    result = EvalFormula(ctx, body);
  }
  if (d.unitStart > 0) result.unit = d.Unit();
  if (bound > 0) PopTempVars(ctx, bound);
  if (bound > 0 || reads.Happened()) {
    d.SetTagged(ValueKind::Undefined, kDependsOnArgsText);
  } else if (MayKeep(ctx, reads)) {
    d.SetValue(result);
  }
  return result;
}

Value FunctionValue(Context& ctx, Definition& d, const char*& cursor, const OuterReads& reads) {
  int bound = 0;
  if (*cursor == '(') {
    bound = BindArguments(ctx, d, cursor);
    if (bound < 0) {
      d.SetTagged(ValueKind::Undefined, "引数が多い"_sj);
      return MakeError("引数が多い"_sj);
    }
  }
  return BodyValue(ctx, d, bound, reads);
}

}  // namespace

Value EvaluateVariable(Context& ctx, Definition& d) {
  d.evaluating = true;
  const char* body = d.Text().c_str() + d.bodyStart;
  Value r = EvalFormula(ctx, body);
  d.evaluating = false;
  if (d.unitStart > 0) r.unit = d.Unit();
  return r;
}

namespace {

// GetDefinitionValue once it must evaluate: one returned object on every
// path, so that the value is built where the caller wants it.
Value ValueByKind(Context& ctx, Definition& d, const char*& cursor, const OuterReads& reads) {
  switch (d.kind) {
    case VariableKind: {
      Value result = EvaluateVariable(ctx, d);
      if (!MayKeep(ctx, reads)) return result;  // the text stays as it was
      RewriteVariable(ctx, d, result, d.Text().substr(0, static_cast<std::size_t>(d.nameEnd)),
                      d.Comment());
      return result;
    }
    case FunctionKind:
    case ConversionKind:
      return FunctionValue(ctx, d, cursor, reads);
    default:
      d.SetValue(MakeError("NotFormula"));
      return d.value;
  }
}

Value ComputeDefinitionValue(Context& ctx, Definition& d, const char*& cursor) {
  if (d.length == 0) AnalyseDefinition(ctx, d);
  const OuterReads reads(ctx.tempVars);
  Value result = ValueByKind(ctx, d, cursor, reads);
  if (ctx.settings.trace >= TraceLevel::Formula) {
    ScreenOut(ctx, ChannelTrace, "GET(" + d.Name() + ")=" + ValueText(ctx, result),
              result.IsError());
  }
  return result;
}

}  // namespace

std::vector<DefinitionParameter> ParametersOf(Context& ctx, Definition& d) {
  if (d.length == 0) AnalyseDefinition(ctx, d);
  std::vector<DefinitionParameter> parameters;
  if (d.argsStart <= 0) return parameters;
  const std::string& text = d.Text();
  const char* q = text.c_str() + d.argsStart;
  // The same walk as BindArguments: over "(" or ",", a name, maybe a unit.
  while (!IsArgumentStop(*q)) {
    ++q;
    SkipBlanks(q);
    if (IsArgumentStop(*q) && parameters.empty()) break;  // "()"
    DefinitionParameter parameter;
    parameter.name = ReadNameView(q);
    SkipBlanks(q);
    if (*q == '[') parameter.unit = ReadUnit(q);
    SkipBlanks(q);
    parameters.push_back(std::move(parameter));
  }
  return parameters;
}

Value CallDefinition(Context& ctx, Definition& d, const std::vector<Value>& arguments) {
  const std::vector<DefinitionParameter> parameters = ParametersOf(ctx, d);
  if (d.kind != FunctionKind && d.kind != ConversionKind) return MakeError("NotFormula");
  if (arguments.size() > parameters.size()) return MakeError("引数が多い"_sj);
  const OuterReads reads(ctx.tempVars);
  int bound = 0;
  for (const Value& argument : arguments) {
    const DefinitionParameter& parameter = parameters[static_cast<std::size_t>(bound++)];
    Value v = argument;
    if (!parameter.unit.empty()) ConvertUnit(ctx, v, parameter.unit);
    PushTempVar(ctx, parameter.name, std::move(v));
  }
  Value result = BodyValue(ctx, d, bound, reads);
  if (ctx.settings.trace >= TraceLevel::Formula) {
    ScreenOut(ctx, ChannelTrace, "GET(" + d.Name() + ")=" + ValueText(ctx, result),
              result.IsError());
  }
  return result;
}

Value GetDefinitionValue(Context& ctx, Definition& d, const char*& cursor) {
  if (d.HasValidValue() && !(d.kind == FunctionKind && *cursor == '(')) return d.value;
  // A variable met again inside its own right-hand side.
  if (d.evaluating) return d.value;
  return ComputeDefinitionValue(ctx, d, cursor);
}

namespace {

// ValueOfRow once the row's definition must be asked: one returned object,
// so that the value is built where the caller wants it.
Value ShownValueOfRow(Context& ctx, TDefine& sheet, int row, const std::shared_ptr<Definition>& d,
                      const char*& cursor) {
  Value r = GetDefinitionValue(ctx, *d, cursor);
  // The evaluation may have moved or replaced the row.
  if (row < sheet.RowCount()) {
    SheetRow& after = sheet.rows[static_cast<std::size_t>(row)];
    if (after.definition == d) ShowRowValue(ctx, sheet, row, after);
  }
  if (ctx.settings.trace >= TraceLevel::Command) {
    ScreenOut(ctx, ChannelTrace, "GET(" + std::to_string(row) + ")=" + ValueText(ctx, r),
              r.IsError());
  }
  return r;
}

}  // namespace

Value ValueOfRow(Context& ctx, TDefine& sheet, int row, const char*& cursor) {
  SheetRow* r =
      row > 0 && row < sheet.RowCount() ? &sheet.rows[static_cast<std::size_t>(row)] : nullptr;
  // A variable whose value is known: nothing is evaluated, so nothing can
  // move its row, and nothing is traced below the Command level.
  if (r != nullptr && *cursor != '(' && ctx.settings.trace < TraceLevel::Command) {
    Definition* known = r->definition.get();
    if (known != nullptr && known->kind == VariableKind && known->HasValidValue()) {
      ShowRowValue(ctx, sheet, row, *r);
      return known->value;
    }
  }
  std::shared_ptr<Definition> d = r != nullptr ? r->definition : nullptr;
  if (!d) {
    if (ctx.settings.trace >= TraceLevel::Command) {
      ScreenOut(ctx, ChannelTrace, "GET(" + std::to_string(row) + ")=未定義式"_sj);
    }
    return MakeError("未定義式"_sj);
  }
  d->Settle();
  if (d->kind == VariableKind && row > 1 && *cursor == '(') {
    std::shared_ptr<Definition> above = DefinitionForUse(sheet, row - 1);
    if (above && above->kind == FunctionKind && above->Name() == d->Name()) {
      d = above;
      --row;
    }
  }
  return ShownValueOfRow(ctx, sheet, row, d, cursor);
}

int StoreDefinition(Context& ctx, TDefine& sheet, std::shared_ptr<Definition> definition) {
  if (!definition) return -1;
  Definition& d = *definition;
  if (d.kind == NotAnalysed) AnalyseDefinition(ctx, d);
  // A variable's right-hand side runs before the row is looked for: it may
  // itself define or delete rows of this sheet.
  Value assigned;
  if (d.kind == VariableKind) {
    assigned = EvaluateVariable(ctx, d);
    // An assignment that the run's stop cut short is no assignment: the
    // variable keeps its value, and a new one is not made.
    if (RunStopped(ctx.guard, ctx.runState)) return -1;
  }
  return PlaceDefinition(ctx, sheet, std::move(definition), assigned);
}

}  // namespace zemu
