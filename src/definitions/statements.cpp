// Definition statements: the classification of a statement text into a
// Definition, and the value of a stored definition at a call site with its
// arguments bound as temporary variables.
#include "definitions/statements.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "commands/guard.h"
#include "context.h"
#include "definitions/store.h"
#include "engine/eval.h"
#include "engine/scan.h"
#include "engine/sjis_literal.h"
#include "engine/tempvar.h"
#include "engine/units.h"

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
  const char* body = d.text.c_str() + d.bodyStart;
  ReadingBody reading(ctx, d);
  Value result = EvalFormula(ctx, body);
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

// The analysis of the statement at base, filling d's kind and offsets;
// returns the statement's length.
std::int32_t AnalyseAt(Definition& d, const char* base) {
  ForgetCaches(d.cache);
  d.nameStart = d.nameEnd = d.argsStart = d.headEnd = d.bodyStart = 0;
  d.commentStart = d.unitStart = d.unitEnd = d.length = 0;
  d.kind = NotAnalysed;
  const char* p = base;
  if (AnalyseHead(d, base, p)) AnalyseSign(d, base, p);
  AnalyseTail(d, base, p);
  return static_cast<std::int32_t>(p - base);
}

// The analysis's last steps, once the text is cut to `length`.
void FinishAnalysis(Definition& d) {
  if (d.kind == FunctionKind || d.kind == VariableKind || d.kind == ConversionKind) {
    d.SetTagged(ValueKind::Undefined, kNotComputedText);
  }
  d.flags |= static_cast<std::uint32_t>(d.kind);
}

// Analyses d.text, which does not begin with "=".
void AnalyseText(Definition& d) {
  d.length = AnalyseAt(d, d.text.c_str());
  d.text.resize(static_cast<std::size_t>(d.length));
  FinishAnalysis(d);
}

// Whether a variable's rewrite to prefix + "<" + ValueFullText(v) + comment
// may wait until its text is read: the prefix (marks and a name) is read
// the same whatever follows the "<", and the value's text holds nothing that
// would end the statement or open a comment.
bool CanDeferRewrite(const std::string& prefix, const Value& v) {
  if (prefix.find_first_of("[(") != std::string::npos) return false;
  constexpr std::string_view kEnds = ";'";
  return v.unit.find_first_of(kEnds) == std::string::npos &&
         v.text.find_first_of(kEnds) == std::string::npos;
}

}  // namespace

const std::string& Definition::Text() {
  if (cache.textPending) {
    [[maybe_unused]] const std::int32_t head[] = {nameStart, nameEnd, headEnd, bodyStart};
    WritePendingText(cache, text, kCommentGap);
    Value kept = std::move(value);
    const std::uint64_t stamp = cache.valueStamp;
    AnalyseText(*this);
    value = std::move(kept);
    cache.valueStamp = stamp;
    // The head read before the value was written out stands.
    assert(kind == VariableKind && nameStart == head[0] && nameEnd == head[1] &&
           headEnd == head[2] && bodyStart == head[3]);
  }
  return text;
}

void AnalyseDefinition(Context& ctx, Definition& d) {
  d.Text();
  if (!d.text.empty() && d.text[0] == '=') {
    d.text.insert(0, std::to_string(ctx.defines.autoNumber++));
  }
  AnalyseText(d);
}

void AnalyseStatementAt(Context& ctx, Definition& d, const char* statement) {
  if (*statement == '=') {
    d.text.assign(statement);
    AnalyseDefinition(ctx, d);
    return;
  }
  d.length = AnalyseAt(d, statement);
  d.text.assign(statement, static_cast<std::size_t>(d.length));
  FinishAnalysis(d);
}

Value EvaluateVariable(Context& ctx, Definition& d) {
  d.evaluating = true;
  const char* body = d.Text().c_str() + d.bodyStart;
  Value r = EvalFormula(ctx, body);
  d.evaluating = false;
  if (d.unitStart > 0) r.unit = d.Unit();
  return r;
}

void RewriteVariable(Context& ctx, Definition& d, const Value& v, const std::string& prefix,
                     const std::string& comment, bool deferText) {
  if (deferText && ctx.caches.On(kTextCache) && v.kind == ValueKind::Number &&
      CanDeferRewrite(prefix, v)) {
    d.cache.textPending = false;
    d.text.assign(prefix);
    d.text += '<';
    d.length = AnalyseAt(d, d.text.c_str());
    if (d.kind == VariableKind && d.bodyStart == d.length) {
      d.flags |= static_cast<std::uint32_t>(VariableKind);
      d.cache.textPending = true;
      d.cache.pendingValue = v;
      d.cache.pendingComment = comment;
      d.SetValue(v);
      return;
    }
  }
  if (v.kind == ValueKind::Number) {
    std::string text = prefix + "<" + ValueFullText(v);
    if (!comment.empty()) text += kCommentGap + comment;
    d.text = std::move(text);
    AnalyseDefinition(ctx, d);
  }
  d.SetValue(v);
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
    ScreenOut(ctx, ChannelTrace, "GET(" + d.Name() + ")=" + ValueText(ctx, result));
  }
  return result;
}

}  // namespace

Value GetDefinitionValue(Context& ctx, Definition& d, const char*& cursor) {
  if (d.HasValidValue() && !(d.kind == FunctionKind && *cursor == '(')) return d.value;
  // A variable met again inside its own right-hand side.
  if (d.evaluating) return d.value;
  return ComputeDefinitionValue(ctx, d, cursor);
}

namespace {

// ValueOfRow once the row's definition must be asked: one returned object,
// so that the value is built where the caller wants it.
Value ShownValueOfRow(Context& ctx, TDefine& sheet, int row,
                      const std::shared_ptr<Definition>& d, const char*& cursor) {
  Value r = GetDefinitionValue(ctx, *d, cursor);
  // The evaluation may have moved or replaced the row.
  if (row < sheet.RowCount()) {
    SheetRow& after = sheet.rows[static_cast<std::size_t>(row)];
    if (after.definition == d) ShowRowValue(ctx, sheet, row, after);
  }
  if (ctx.settings.trace >= TraceLevel::Command) {
    ScreenOut(ctx, ChannelTrace, "GET(" + std::to_string(row) + ")=" + ValueText(ctx, r));
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

Value UndefinedDefinitionError() { return MakeError("未定義"_sj); }

}  // namespace zemu
