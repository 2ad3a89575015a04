// The control-flow commands .if, .for and .while, and the scanners that pass
// over the parts of a block that are not run.
//
// A block has no syntax of its own: it is the statements after the command's
// statement, up to the matching .blockend, a "}" or the end of the text.
// Every loop pass parses its body afresh.
#include "commands/control_flow.h"

#include <string>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "base/value.h"
#include "commands/assist.h"
#include "definitions/store.h"
#include "engine/eval.h"
#include "engine/tempvar.h"
#include "engine/units.h"
#include "host/context.h"
#include "host/guard.h"

namespace zemu {

namespace {

constexpr AssistLines kIfHelp{
    "評価式の値により実行する複文を切り替える制御命令です。"_sj,
    "> .if (評価式); (複文); [.elseif...][.elseif... ][.else;(複文);][.block;]"_sj, ""};
constexpr AssistLines kForHelp{
    "パラメータを変化させながら、繰返し実行する制御命令です。"_sj,
    "> .for (変数名),(初期値式),(終値式)[,(増分値式)];(複文);[.block;]"_sj, ""};
constexpr AssistLines kWhileHelp{
    "評価式の値が(1e-9)以上の間、複文を繰返し実行する制御命令です。"_sj,
    "> .while (評価式); (複文);[.block;]"_sj, ""};

constexpr const char* kForSyntaxError = "  ERROR: .for (name),(initial),(end)[,(step)];\r\n";
constexpr const char* kForRangeError =
    "  ERROR: .for (name),(initial),(end)[,(step)]; 範囲が実数ではありません。\r\n"_sj;

// The end value is widened by this fraction of the step, so that a sum of
// inexact steps (0.1 ten times) still reaches it.
constexpr double kEndWidening = 1e10;

// What the scanners take a statement that begins with a period for. They
// know fewer words than the dispatcher: only .blockend may be abbreviated.
enum class ScanWord { Ordinary, BlockEnd, ElseIf, Else, If, For };

// From just after the period: a word that names a stored definition of
// `storedKind` (0: any kind) is an ordinary statement; otherwise the word
// is read and classified. The cursor ends after the word read.
ScanWord ReadScanWord(Context& ctx, const char*& cursor, int storedKind) {
  const char* probe = cursor;
  if (FindDefinition(ctx, probe, storedKind)) return ScanWord::Ordinary;
  const std::string word = AsciiLowerText(ReadName(cursor));
  if (MatchCommandWord(word.c_str(), "bl.ockend")) return ScanWord::BlockEnd;
  if (word == "elseif") return ScanWord::ElseIf;
  if (word == "else") return ScanWord::Else;
  if (word == "if") return ScanWord::If;
  if (word == "for") return ScanWord::For;
  return ScanWord::Ordinary;
}

bool AtTextEnd(const char* p) { return *p == '\0' || *p == '}'; }

// Skips to the end of the statement and steps over its ";".
void NextStatement(const char*& p) {
  SkipStatement(p);
  if (*p == ';') ++p;
}

bool EndsLoop(StatementStatus status) { return status == StatusBreak || status == StatusStop; }

// The values of a .for head, read by ReadForHead.
struct ForHead {
  std::string name;
  Value initial;
  Value end;
  Value step;
};

// Steps over a comma after optional blanks; false when there is none.
bool TakeComma(const char*& p) {
  const char* q = p;
  SkipBlanks(q);
  if (*q != ',') return false;
  p = q + 1;
  return true;
}

// name "," initial "," end ["," step]: reads and checks the head, printing
// the error and returning false when it is unusable.
bool ReadForHead(Context& ctx, const char*& p, ForHead& head) {
  head.name = ReadName(p);
  // The comma follows the name directly; blanks may come after it.
  bool ok = *p == ',';
  if (ok) ++p;
  if (ok) {
    head.initial = EvalFormula(ctx, p);
    ok = TakeComma(p);
  }
  if (!ok) {
    // A head that the run's stop cut short is no syntax error.
    if (!RunStopped(ctx.guard, ctx.runState)) ErrorOut(ctx, kForSyntaxError);
    return false;
  }
  head.end = EvalFormula(ctx, p);
  if (TakeComma(p)) {
    head.step = EvalFormula(ctx, p);
  } else {
    head.step = MakeNumber(IsLess(ctx, head.initial, head.end) ? 1 : -1);
  }
  if (!head.initial.IsNumber() || !head.end.IsNumber() || !head.step.IsNumber()) {
    if (!RunStopped(ctx.guard, ctx.runState)) ErrorOut(ctx, kForRangeError);
    return false;
  }
  return true;
}

bool ForGoesOn(Context& ctx, const Value& variable, const Value& end, double step) {
  if (step > 0) return IsLessOrEqual(ctx, variable, end);
  if (step < 0) return IsGreaterOrEqual(ctx, variable, end);
  return false;
}

// The passes of a .for whose variable is bound at `slot` of the table.
void RunForPasses(Context& ctx, const char* body, std::size_t slot, const ForHead& head) {
  const RunningLoop loop(ctx.caches);
  const Value end = AddValues(ctx, head.end, DivideValues(head.step, MakeNumber(kEndWidening)));
  Value variable = head.initial;
  while (ForGoesOn(ctx, variable, end, head.step.number)) {
    if (StatementGuard(ctx)) break;
    const char* p = body;
    if (EndsLoop(ExecuteStatements(ctx, p))) break;
    // Numbers without unit or annotation add as AddValues adds them.
    Value next = IsPlainNumber(variable) && IsPlainNumber(head.step)
                     ? MakeNumber(variable.number + head.step.number)
                     : AddValues(ctx, variable, head.step);
    // A step too small to change the variable would never reach the end.
    if (next.IsNumber() && next.number == variable.number) break;
    variable = std::move(next);
    if (slot >= ctx.tempVars.entries.size()) break;  // the binding was lost: nothing to step
    ctx.tempVars.entries[slot].value = variable;
  }
}

}  // namespace

void SkipBlock(Context& ctx, const char*& cursor) {
  const char* p = cursor;
  int depth = 0;  // nested .if and .for blocks still open
  while (!AtTextEnd(p)) {
    SkipBlanks(p);
    if (*p == '.') {
      ++p;
      const ScanWord word = ReadScanWord(ctx, p, 0);
      if (word == ScanWord::If || word == ScanWord::For) {
        // The nested block starts right after its word.
        ++depth;
        continue;
      }
      if (word == ScanWord::BlockEnd) {
        if (depth == 0) {
          SkipStatement(p);
          cursor = p;
          return;
        }
        --depth;
      }
    }
    NextStatement(p);
  }
  cursor = p;
}

StatementStatus ScanBranch(Context& ctx, const char*& cursor) {
  const char* p = cursor;
  while (!AtTextEnd(p)) {
    SkipBlanks(p);
    if (*p == '.') {
      ++p;
      switch (ReadScanWord(ctx, p, ProcedureKind)) {
        case ScanWord::BlockEnd:
          cursor = p;
          return StatusBlockEnd;
        case ScanWord::ElseIf:
          cursor = p;
          return StatusElseIf;
        case ScanWord::Else:
          cursor = p;
          return StatusElse;
        case ScanWord::If:
        case ScanWord::For:
          SkipBlock(ctx, p);
          break;
        case ScanWord::Ordinary:
          break;
      }
    }
    NextStatement(p);
  }
  cursor = p;
  return StatusBlockEnd;
}

// .if condition; ... [.elseif condition; ...] [.else; ...] [.blockend]
StatementStatus IfCommand(Context& ctx, const char*& cursor) {
  if (InAssistMode(ctx)) {
    ShowStatusLines(ctx, kIfHelp);
    return StatusAssist;
  }
  const char* p = cursor;
  StatementStatus status = StatusDone;
  for (;;) {
    if (EvalCondition(ctx, p)) {
      NextStatement(p);
      status = ExecuteStatements(ctx, p);
      if (status != StatusBlockEnd) SkipBlock(ctx, p);
      break;
    }
    status = ScanBranch(ctx, p);
    if (status == StatusElse) {
      SkipBlanks(p);
      if (*p == ';') ++p;
      status = ExecuteStatements(ctx, p);
      break;
    }
    if (status != StatusElseIf) break;
  }
  cursor = p;
  if (status == StatusBreak || status == StatusContinue || status == StatusStop) return status;
  return StatusDone;
}

// .for name,initial,end[,step]; ... [.blockend]
StatementStatus ForCommand(Context& ctx, const char*& cursor) {
  if (InAssistMode(ctx)) {
    ShowStatusLines(ctx, kForHelp);
    return StatusAssist;
  }
  const char* p = cursor;
  ForHead head;
  if (!ReadForHead(ctx, p, head)) return StatusStop;
  NextStatement(p);
  const char* body = p;

  // The loop's own binding; nested calls push and pop theirs in front of it.
  const int before = ctx.tempVars.Count();
  PushTempVar(ctx, head.name, head.initial);
  RunForPasses(ctx, body, static_cast<std::size_t>(before), head);
  PopTempVars(ctx, ctx.tempVars.Count() - before);

  SkipBlock(ctx, p);
  cursor = p;
  return StatusDone;
}

// .while condition; ... [.blockend]
StatementStatus WhileCommand(Context& ctx, const char*& cursor) {
  if (InAssistMode(ctx)) {
    ShowStatusLines(ctx, kWhileHelp);
    return StatusAssist;
  }
  const char* condition = cursor;
  const RunningLoop loop(ctx.caches);
  while (*condition != '\0') {
    if (StatementGuard(ctx)) break;
    const char* p = condition;
    if (!EvalCondition(ctx, p)) break;
    NextStatement(p);
    if (EndsLoop(ExecuteStatements(ctx, p))) break;
  }
  const char* p = condition;
  SkipBlock(ctx, p);
  cursor = p;
  return StatusDone;
}

}  // namespace zemu
