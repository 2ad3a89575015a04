// Definition statements: the classification of a statement text into a
// Definition, and a variable's text rewritten to its value.
#include "definitions/statements.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "definitions/store.h"
#include "host/context.h"

namespace zemu {

namespace {

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

// The longest statement text (up to its first ';') whose analysis is kept.
constexpr std::size_t kKeptAnalysisBytes = 256;

// AnalyseAt, taking what an analysis of the same text found when one is
// kept: a loop's body is analysed once, not on every pass.
std::int32_t AnalyseAt(Definition& d, const char* base, Caches& caches) {
  if (!caches.On(kAnalysisCache) || caches.loops == 0) return AnalyseAt(d, base);
  if (const Analysis* kept = caches.analyses.Find(base)) {
    ForgetCaches(d.cache);
    d.kind = kept->kind;
    d.flags |= kept->marks;
    const auto& o = kept->offsets;
    d.nameStart = o[0], d.nameEnd = o[1], d.argsStart = o[2], d.headEnd = o[3];
    d.bodyStart = o[4], d.commentStart = o[5], d.unitStart = o[6], d.unitEnd = o[7];
    d.length = 0;
    return o[8];
  }
  // The marks this analysis reads, apart from those the definition had.
  const std::uint32_t flagsBefore = d.flags;
  d.flags = 0;
  const std::int32_t length = AnalyseAt(d, base);
  const std::uint32_t marks = d.flags;
  d.flags |= flagsBefore;
  // Only variables are asked for again (a loop's assignment, a variable's
  // rewritten head), and only short texts are kept: a one-off formula or a
  // long text pays no copy.
  if (d.kind != VariableKind) return length;
  std::size_t size = 0;
  while (base[size] != ';' && base[size] != '\0') {
    if (++size == kKeptAnalysisBytes) return length;
  }
  Analysis made;
  made.bytes.assign(base, size + 1);  // the ';' or the terminator too
  made.kind = d.kind;
  made.marks = marks;
  made.offsets = {d.nameStart,    d.nameEnd,   d.argsStart, d.headEnd, d.bodyStart,
                  d.commentStart, d.unitStart, d.unitEnd,   length};
  caches.analyses.Keep(base, std::move(made));
  return length;
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
bool CanDeferRewrite(std::string_view prefix, const Value& v) {
  if (prefix.find_first_of("[(") != std::string_view::npos) return false;
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
  d.length = AnalyseAt(d, statement, ctx.caches);
  d.text.assign(statement, static_cast<std::size_t>(d.length));
  FinishAnalysis(d);
}

void RewriteVariable(Context& ctx, Definition& d, const Value& v, std::string_view prefix,
                     std::string_view comment, bool deferText) {
  if (deferText && ctx.caches.On(kTextCache) && v.kind == ValueKind::Number &&
      CanDeferRewrite(prefix, v)) {
    if (d.cache.textPending && d.kind == VariableKind && d.text.size() == prefix.size() + 1 &&
        d.text.back() == '<' && d.text.compare(0, prefix.size(), prefix) == 0) {
      // The head stands written and analysed as it would be again (a loop
      // assigning the variable in its row): only the value changes.
      ForgetCaches(d.cache);
      d.cache.pendingValue = v;
      d.cache.pendingComment = comment;
      d.SetValue(v);
      return;
    }
    d.cache.textPending = false;
    d.text.assign(prefix);
    d.text += '<';
    d.length = AnalyseAt(d, d.text.c_str(), ctx.caches);
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
    std::string text(prefix);
    text += '<';
    text += ValueFullText(v);
    if (!comment.empty()) {
      text += kCommentGap;
      text += comment;
    }
    d.text = std::move(text);
    AnalyseDefinition(ctx, d);
  }
  d.SetValue(v);
}

Value UndefinedDefinitionError() { return MakeError("未定義"_sj); }

}  // namespace zemu
