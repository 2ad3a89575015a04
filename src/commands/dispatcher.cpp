// The statement dispatcher: the command table with its abbreviations and
// assist texts, and the loop that runs commands, strings, definitions and
// formulas one after another.
#include "commands/dispatcher.h"

#include <array>
#include <cstdint>
#include <memory>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "commands/assist.h"
#include "commands/control_flow.h"
#include "commands/help.h"
#include "commands/listing.h"
#include "commands/procedures.h"
#include "commands/set_command.h"
#include "definitions/statements.h"
#include "definitions/store.h"
#include "engine/definition_values.h"
#include "engine/eval.h"
#include "engine/number_form.h"
#include "host/context.h"

namespace zemu {

namespace {

enum class Command {
  BlockEnd,
  Break,
  Continue,
  Delete,
  Do,
  ElseIf,
  Else,
  End,
  For,
  Help,
  If,
  List,
  New,
  Open,
  Set,
  While,
};

struct CommandEntry {
  const char* word;  // the "." marks the shortest accepted form
  Command command;
  AssistLines help;  // empty for commands that show their own help
};

// Tried in this order; the first word that matches wins.
const std::array<CommandEntry, 16> kCommands{{
    {"bl.ockend",
     Command::BlockEnd,
     {"複文ブロックの末尾を表す制御命令です。"_sj, "> (制御命令); (複文); (複文); .blockend;"_sj,
      ""}},
    {"br.eak",
     Command::Break,
     {"複文ブロックを中断する制御命令です。"_sj,
      "> (制御命令); (複文); .break; (複文); .blockend;"_sj, ""}},
    {"c.ontinue",
     Command::Continue,
     {"複文ブロック内を繰返す制御命令です。"_sj,
      "> (制御命令); (複文); .continue; (複文); .blockend;"_sj, ""}},
    {"del.ete",
     Command::Delete,
     {"定義を取り消す命令です。複数の定義をまとめて取り消せます。"_sj,
      "> .delete (定義名),[定義名1]...;"_sj, ""}},
    {"do",
     Command::Do,
     {"定義された手続き、あるいは、手続きファイルを実行する命令です。"_sj,
      "> .do (手続き名) [パラメータ１]... ;"_sj,
      "> .do (手続きファイル名[.ZDF]) [パラメータ１]... ;"_sj}},
    {"elsei.f",
     Command::ElseIf,
     {"前の条件文が偽のとき、条件文を続ける制御命令です。"_sj,
      "> .if (条件); (複文); .elseif (条件); (複文); .else; (複文);"_sj, ""}},
    {"el.se",
     Command::Else,
     {"前の条件文が偽のときに実行する複文の始まりを示す制御命令です。"_sj,
      "> .if (条件); (複文); .elseif (条件); (複文); .else; (複文);"_sj, ""}},
    {"end", Command::End, {"プログラムを終了する命令です。"_sj, "> .end;", ""}},
    {"f.or", Command::For, {}},
    {"h.elp", Command::Help, {}},
    {"if", Command::If, {}},
    {"l.ist", Command::List, {}},
    {"n.ew", Command::New, {"新しい定義シートを作成する命令です。"_sj, "> .new;", ""}},
    {"open",
     Command::Open,
     {"定義ファイルを開いて、定義シートにする命令です。"_sj, "> .open (ファイル名[.ZDF]);"_sj,
      "ファイル名は、読込み中のファイルの場所、作業フォルダ、ヘルプの場所の順に探します。"_sj}},
    {"s.et", Command::Set, {}},
    {"w.hile", Command::While, {}},
}};

constexpr AssistLines kNothingTyped{
    "計算式あるいは命令などを入力して下さい."_sj,
    "> (式); (関数名)=(定義式); (変数名)<(式); (手続き名)>(文;文;文)"_sj, "> .(命令文)"_sj};
constexpr AssistLines kProcedureShorthand{
    "定義された手続きの実行命令です。.do命令の省略形です。"_sj,
    "> .(手続き名) [パラメータ１]... ;"_sj, "> .do (手続き名) [パラメータ１]... ;"_sj};
constexpr AssistLines kNoCommand{"有効な命令文ではありません。命令はピリオド.で始まります。"_sj,
                                 " 主な命令： .end; .set; .list; .do; .new; .help"_sj,
                                 " 主な制御命令： .if; .for; .while: "_sj};
constexpr AssistLines kString{"文字列は、そのまま結果に印字されます。"_sj, "> \"文字列\";"_sj, ""};

// The prefix .set puts in front of the lines it prints at the console.
constexpr std::string_view kSetIndent = "  ";

bool IsEmptyText(const char* p) {
  SkipBlanks(p);
  return *p == '\0';
}

// A pass of the loop ends the text on these, before any blank is skipped.
bool EndsText(char c) { return c == '\0' || c == ';' || c == '\'' || c == '}'; }

bool StopsLoop(StatementStatus status) {
  return status == StatusStop || status == StatusBreak || status == StatusContinue;
}

const CommandEntry* FindCommand(const std::string& word) {
  for (const CommandEntry& entry : kCommands) {
    if (MatchCommandWord(word.c_str(), entry.word)) return &entry;
  }
  return nullptr;
}

// string -> '"' { character | "\r" | "\n" | "\t" | "\"" } ['"']
// From the opening quote; the cursor ends after the closing quote, or at the
// terminator when there is none.
std::string ReadStringLiteral(const char*& cursor) {
  const char* p = cursor + 1;
  std::string text;
  while (*p != '\0' && *p != '"') {
    if (*p == '\\' && (p[1] == 'r' || p[1] == 'n' || p[1] == 't' || p[1] == '"')) {
      text += p[1] == 'r' ? '\r' : p[1] == 'n' ? '\n' : p[1] == 't' ? '\t' : '"';
      p += 2;
      continue;
    }
    const char* start = p;
    StepChar(p);
    text.append(start, static_cast<std::size_t>(p - start));
  }
  cursor = (*p == '"') ? p + 1 : p;
  return text;
}

void RunString(Context& ctx, const char*& p) {
  if (InAssistMode(ctx)) {
    ShowStatusLines(ctx, kString);
    return;
  }
  ScreenOut(ctx, ChannelData, ReadStringLiteral(p));
}

// Handlers that take the cursor just after the command word.
void RunHandler(Context& ctx, Command command, const char*& p, StatementStatus& status) {
  switch (command) {
    case Command::Do: {
      if (DoCommand(ctx, p) == StatusStop) status = StatusStop;
      break;
    }
    case Command::For:
      if (ForCommand(ctx, p) == StatusStop) status = StatusStop;
      break;
    case Command::While:
      if (WhileCommand(ctx, p) == StatusStop) status = StatusStop;
      break;
    case Command::If:
      status = IfCommand(ctx, p);
      break;
    case Command::Help: {
      std::string topic = ReadWord(p);
      ShowHelp(ctx, ctx.settings.helpFileName, topic);
      break;
    }
    case Command::List:
      ListDefinitions(ctx, p);
      break;
    case Command::Set:
      SetCommand(ctx, kSetIndent, p);
      break;
    default:
      break;
  }
}

StatementStatus BlockStatus(Command command) {
  switch (command) {
    case Command::BlockEnd:
      return StatusBlockEnd;
    case Command::Break:
      return StatusBreak;
    case Command::Continue:
      return StatusContinue;
    case Command::ElseIf:
      return StatusElseIf;
    case Command::Else:
      return StatusElse;
    default:
      return StatusDone;
  }
}

// .delete name[,name]...: removes the bottom-most row of each name from the
// current sheet; names that are not there are passed over silently.
void DeleteDefinitions(Context& ctx, const char*& p) {
  TDefine& sheet = CurrentSheet(ctx);
  while (IsLetter(static_cast<unsigned char>(*p))) {
    const std::string name = ReadName(p);
    const char* probe = name.c_str();
    const int row = FindRow(ctx, sheet, probe, 0);
    if (row > 0) DeleteRow(ctx, sheet, row);
    if (*p == ',') {
      ++p;
      SkipBlanks(p);
    }
  }
}

// Runs the command after the period at p. Returns true when the statement's
// own status must be handed to the caller at once (the block statements).
bool RunCommand(Context& ctx, const char*& p, StatementStatus& status) {
  ++p;
  const bool assist = InAssistMode(ctx);
  const char* probe = p;
  if (FindDefinition(ctx, probe, ProcedureKind)) {
    if (assist) {
      ShowStatusLines(ctx, kProcedureShorthand);
      return false;
    }
    if (DoCommand(ctx, p) == StatusStop) status = StatusStop;
    SkipStatement(p);
    return false;
  }
  const std::string word = AsciiLowerText(ReadName(p));
  SkipBlanks(p);
  const CommandEntry* entry = FindCommand(word);
  if (entry == nullptr) {
    if (assist) {
      ShowStatusLines(ctx, kNoCommand);
    } else {
      ErrorOut(ctx, "  Error: ." + word + " is undefined command.\r\n");
      status = StatusStop;
    }
    SkipStatement(p);
    return false;
  }
  switch (entry->command) {
    case Command::BlockEnd:
    case Command::Break:
    case Command::Continue:
    case Command::ElseIf:
    case Command::Else:
      if (assist) {
        ShowStatusLines(ctx, entry->help);
        return false;
      }
      SkipStatement(p);
      status = BlockStatus(entry->command);
      return true;
    case Command::Delete:
    case Command::New:
    case Command::Open:
    case Command::End:
    case Command::Do:
      if (assist) {
        ShowStatusLines(ctx, entry->help);
        return false;
      }
      break;
    default:
      break;
  }
  switch (entry->command) {
    case Command::Delete:
      DeleteDefinitions(ctx, p);
      break;
    case Command::New:
      ctx.up.openNewSheet(ctx);
      break;
    case Command::Open:
      SkipBlanks(p);
      ctx.up.openSheetFile(ctx, ReadWord(p));
      break;
    case Command::End:
      if (ctx.loading) {
        // A sheet's file cannot end the program while it is being opened.
        ScreenOut(ctx, ChannelError,
                  "  .end は、定義ファイルを読み込んでいる間は実行しません。\r\n"_sj);
        break;
      }
      ctx.toolkit->RequestExit();
      status = StatusStop;
      break;
    default:
      RunHandler(ctx, entry->command, p, status);
      break;
  }
  SkipStatement(p);
  return false;
}

// A result on the data line. An error gets a line of its own, so that its
// message and the results around it cannot run into each other; it is
// reported as an error. Any other result's value (`valueText`, as the
// format wrote it, without the blanks it ends with) is kept as the last.
void PrintResult(Context& ctx, const Value& value, const std::string& shown,
                 std::string_view valueText) {
  if (!value.IsError()) {
    ctx.output.lastResult = valueText.substr(0, valueText.find_last_not_of(' ') + 1);
  }
  if (value.IsError()) ScreenOut(ctx, ChannelLine, "");
  ScreenOut(ctx, ChannelData, shown, value.IsError());
  if (value.IsError()) ScreenOut(ctx, ChannelLine, "");
}

// The line printed after a variable assignment while Talk is on.
void TalkVariable(Context& ctx, Definition& d) {
  if (ctx.runState == RunState::Aborted) return;  // its value was never computed
  const char* noArguments = "";
  Value value = GetDefinitionValue(ctx, d, noArguments);
  const std::string text = ValueText(ctx, value);
  PrintResult(ctx, value, ctx.settings.name ? d.Head() + "=" + text : text, text);
}

// A plain formula: evaluated and printed, or in assist mode explained with
// its current value.
void RunFormula(Context& ctx, const char*& p) {
  const bool assist = InAssistMode(ctx);
  if (assist) ShowStatusLines(ctx, {"計算式です。"_sj, "> (数式);"_sj, ""});
  const char* start = p;
  Value value = EvalFormula(ctx, p);
  std::string shown = ValueText(ctx, value);
  if (assist) {
    // A formula that ran out of the assist budget has no value to show.
    ctx.toolkit->SetStatusLine(3, ctx.guard.assistCutOff
                                      ? std::string(kAssistNotComputed)
                                      : "現在の計算結果は、"_sj + shown + " です。"_sj);
    return;
  }
  // An aborted run stopped the evaluation: there is no result to print.
  if (ctx.runState == RunState::Aborted) return;
  PrintResult(ctx, value, ctx.settings.name ? std::string(start, p) + "=" + shown : shown, shown);
  SkipStatement(p);
}

// The assist lines of the definition statements, by kind.
const AssistLines* DefinitionHelp(std::int32_t kind) {
  static constexpr AssistLines kShow{
      "関数定義文です。定義の数式がない場合は、現在の定義を表示する命令になります。"_sj,
      "> (関数名)[(引数)]=(定義する数式)['コメント[単位]];"_sj,
      "> (関数名)=;  これは、.list (関数名)と同じ。指定された関数定義を表示します。"_sj};
  static constexpr AssistLines kVariable{"変数定義文です。代入記号は < です。"_sj,
                                         "> (関数名)<(数式)['コメント];"_sj, ""};
  static constexpr AssistLines kFunction{"関数定義文です。記号は = です。"_sj,
                                         "> (関数名)[(引数)]=(定義する数式)['コメント[単位]];"_sj,
                                         ""};
  static constexpr AssistLines kConversion{"単位変換定義文です。記号は = です。"_sj,
                                           "> [単位１][単位２]=(数式)['コメント];"_sj,
                                           "> [単位接頭詞]]=(数式)['コメント]"_sj};
  static constexpr AssistLines kDescription{"説明定義文です。記号は = です。"_sj,
                                            "> [正の整数]=(説明文);"_sj, ""};
  static constexpr AssistLines kProcedure{
      "手続き定義文です。記号は > です。"_sj, "> (手続き名)>(文;文;文)"_sj,
      "行の残り全体(}まで)が手続きの本体です。%1～%9はパラメータに置き換わります。"_sj};
  switch (kind) {
    case ShowKind:
      return &kShow;
    case VariableKind:
      return &kVariable;
    case FunctionKind:
      return &kFunction;
    case ConversionKind:
      return &kConversion;
    case DescriptionKind:
      return &kDescription;
    case ProcedureKind:
      return &kProcedure;
    default:
      return nullptr;
  }
}

// Classifies the statement at p without side effects on the store: the
// number that a description written as =text would take is given back, so
// that explaining such a statement does not use up a number.
std::shared_ptr<Definition> ClassifyStatement(Context& ctx, const char* p) {
  std::shared_ptr<Definition> d = NewDefinition(ctx, {});
  const std::int32_t autoNumber = ctx.defines.autoNumber;
  AnalyseStatementAt(ctx, *d, p);
  if (InAssistMode(ctx)) ctx.defines.autoNumber = autoNumber;
  return d;
}

// A classified statement that was not stored: its Definition serves the next
// statement, unless something still holds it.
void Discard(Context& ctx, std::shared_ptr<Definition>& d) { KeepSpare(ctx.caches, std::move(d)); }

// A variable statement whose text was analysed before ("s<s+i" in a loop):
// the analysis is taken from the memo, the right-hand side is evaluated as
// StoreDefinition evaluates it, and the value goes into the row's own
// definition where AssignInPlace can put it there; elsewhere the statement
// is classified and placed as usual. False when the statement is not such
// a one (nothing done).
bool RunKnownAssignment(Context& ctx, const char*& p) {
  // Not while tracing: the trace shows how deep the stack is.
  if (!ctx.caches.On(kAssignCache) || ctx.caches.loops == 0 || InAssistMode(ctx) ||
      ctx.settings.trace != TraceLevel::Off) {
    return false;
  }
  Analysis* analysis = ctx.caches.analyses.Find(p);
  if (analysis == nullptr || analysis->kind != VariableKind || analysis->marks != 0) return false;
  const auto o = analysis->offsets;  // nameStart, nameEnd, argsStart, headEnd, bodyStart,
                                     // commentStart, unitStart, unitEnd, length
  if (o[2] != 0 || o[5] != 0 || o[6] != 0) return false;
  // The statement as the definition's text would hold it: what runs in the
  // right-hand side cannot change it.
  const std::string statement(p, static_cast<std::size_t>(o[8]));
  TDefine& sheet = CurrentSheet(ctx);
  const char* body = statement.c_str() + o[4];
  Value assigned;
  std::shared_ptr<NumberForm> form = analysis->formula;
  std::uint64_t refused = analysis->formulaRefused;
  const bool fromTrees = EvalFormulaForm(ctx, body, form, refused, assigned);
  // What was made or refused is kept with the analysis, unless what ran
  // meanwhile put another one there.
  if ((form != analysis->formula || refused != analysis->formulaRefused) &&
      ctx.caches.analyses.Find(p) == analysis) {
    analysis->formula = std::move(form);
    analysis->formulaRefused = refused;
  }
  if (!fromTrees) assigned = EvalFormula(ctx, body);
  if (RunStopped(ctx.guard, ctx.runState)) {
    SkipStatement(p);
    return true;
  }
  const std::string_view name(statement.data() + o[0], static_cast<std::size_t>(o[1] - o[0]));
  int row = AssignInPlace(ctx, sheet, statement, name, assigned);
  std::shared_ptr<Definition> d;
  if (row == 0) {
    d = NewDefinition(ctx, {});
    AnalyseStatementAt(ctx, *d, statement.c_str());
    row = PlaceDefinition(ctx, sheet, d, assigned);
  }
  if (ctx.settings.talk && row > 0) {
    TalkVariable(ctx, d ? *d : *sheet.rows[static_cast<std::size_t>(row)].definition);
  }
  SkipStatement(p);
  return true;
}

// A definition is stored in the current sheet (a variable is also repeated
// back while Talk is on); name= lists; anything else is a formula.
void RunDefinitionOrFormula(Context& ctx, const char*& p) {
  if (RunKnownAssignment(ctx, p)) return;
  std::shared_ptr<Definition> d = ClassifyStatement(ctx, p);
  const AssistLines* help = DefinitionHelp(d->kind);
  if (help == nullptr || InAssistMode(ctx) || d->kind == ShowKind) {
    Discard(ctx, d);
    if (help == nullptr) {
      RunFormula(ctx, p);
    } else if (InAssistMode(ctx)) {
      ShowStatusLines(ctx, *help);
    } else {
      ListDefinitions(ctx, p);
      SkipStatement(p);
    }
    return;
  }
  const int row = StoreDefinition(ctx, CurrentSheet(ctx), d);
  if (d->kind == ProcedureKind) {
    SkipToCloseBrace(p);
    return;
  }
  if (d->kind == VariableKind && ctx.settings.talk && row > 0) TalkVariable(ctx, *d);
  SkipStatement(p);
}

// Counts the nesting of statement texts for the stack watch.
class StatementDepth {
 public:
  explicit StatementDepth(GuardState& guard) : guard_(guard) { ++guard_.statementDepth; }
  ~StatementDepth() { --guard_.statementDepth; }
  StatementDepth(const StatementDepth&) = delete;
  StatementDepth& operator=(const StatementDepth&) = delete;

 private:
  GuardState& guard_;
};

}  // namespace

StatementStatus ExecuteStatements(Context& ctx, const char*& cursor) {
  const char* p = cursor;
  if (InAssistMode(ctx) && IsEmptyText(p)) {
    ShowStatusLines(ctx, kNothingTyped);
    return StatusAssist;
  }
  StatementStatus status = StatusDone;
  StatementDepth depth(ctx.guard);
  while (!EndsText(*p) && !StopsLoop(status)) {
    if (StatementGuard(ctx)) {
      status = StatusStop;
      break;
    }
    SkipBlanks(p);
    bool handBack = false;
    if (*p == '.') {
      handBack = RunCommand(ctx, p, status);
    } else if (*p == '"') {
      RunString(ctx, p);
    } else {
      RunDefinitionOrFormula(ctx, p);
    }
    if (InAssistMode(ctx)) return StatusAssist;
    // A statement that the run's stop cut short ends every sequence around
    // it, whatever the statement itself returned.
    if (RunStopped(ctx.guard, ctx.runState)) {
      status = StatusStop;
      break;
    }
    if (handBack) {
      cursor = p;
      return status;
    }
    if (*p == ';') ++p;
  }
  // A "}" ends the sequence unconsumed: the brace group that opened it
  // takes it from here.
  if (*p == '}') cursor = p;
  return status;
}

std::vector<std::string> CommandWords() {
  std::vector<std::string> words;
  for (const CommandEntry& entry : kCommands) words.emplace_back(entry.word);
  return words;
}

}  // namespace zemu
