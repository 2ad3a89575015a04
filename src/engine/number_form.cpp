// Plain-number trees: the analysis, which follows the reader's steps over a
// body and gives up at anything it does not mirror exactly, and the
// evaluation, which makes the reader's guard checks and arithmetic in the
// reader's order on doubles.
#include "engine/number_form.h"

#include <cmath>
#include <string_view>
#include <utility>

#include "base/scan.h"
#include "cache/caches.h"
#include "definitions/store.h"
#include "engine/builtins.h"
#include "engine/definition_values.h"
#include "engine/eval.h"
#include "engine/tempvar.h"
#include "host/context.h"
#include "host/guard.h"

namespace zemu {

namespace {

constexpr std::uint32_t kNoNode = 0xFFFFFFFFu;

// The most functions and nodes one entry's trees hold; a larger web of
// calls is read as text.
constexpr std::size_t kMostFunctions = 64;
constexpr std::size_t kMostNodes = 1u << 16;

// The bytes that end a term, as the reader knows them (and the terminator).
bool EndsTerm(char c) {
  return c == '\0' || std::string_view("+-<=>!;,)}[]'`").find(c) != std::string_view::npos;
}

bool StartsItem(const char* p) {
  const auto c = static_cast<unsigned char>(*p);
  return IsDigit(c) || (c == '.' && IsDigit(static_cast<unsigned char>(p[1]))) || IsLetter(c) ||
         c == '(';
}

// A name the trees hold: ASCII bytes only, and no byte after it that could
// make it a sheet's qualifier or a pattern.
bool PlainAsciiName(const char* begin, const char* end) {
  if (begin == end) return false;
  for (const char* p = begin; p < end; ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  }
  return *end == '\0' || std::string_view("!?#:\\.").find(*end) == std::string_view::npos;
}

// A parameter name the trees hold: a letter, then letters and digits, all ASCII.
bool PlainParameterName(std::string_view name) {
  if (name.empty() || !IsLetter(static_cast<unsigned char>(name.front()))) return false;
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || !IsNameChar(byte)) return false;
  }
  return true;
}

// The parameters of a function the trees may hold, as a call binds them
// (ParametersOf): plain names without units. False for any other function.
bool PlainParameters(Context& ctx, Definition& d, std::vector<std::string>& names) {
  if (d.kind != FunctionKind || d.length == 0 || d.unitStart > 0 || d.argsStart <= 0) return false;
  names.clear();
  for (DefinitionParameter& parameter : ParametersOf(ctx, d)) {
    if (!parameter.unit.empty() || !PlainParameterName(parameter.name)) return false;
    names.push_back(std::move(parameter.name));
  }
  return !names.empty() && names.size() <= kNumberFormParameters;
}

// Whether `name` would find one of `names` as a temporary variable.
bool AmongNames(std::string_view name, const std::vector<std::string>& names) {
  for (const std::string& other : names) {
    if (SameTempVarName(name, other)) return true;
  }
  return false;
}

// The analysis of one entry's trees. Each routine reads as the evaluator's
// routine of the same name reads and returns the node made, or kNoNode when
// the text holds something the trees do not mirror.
class Analyser {
 public:
  Analyser(Context& ctx, NumberForm& form) : ctx_(ctx), form_(form), if_(FindBuiltin("if")) {}

  // Adds the function d (found in `sheet` at `row`, or in no row) for Run
  // to analyse; false when the trees would hold too many functions.
  bool Add(Definition& d, const std::shared_ptr<Definition>& held, TDefine* sheet, int row) {
    if (const std::uint32_t known = FunctionIndex(d); known != kNoNode) {
      NumberForm::Function& function = form_.functions[known];
      if (function.sheet == nullptr && sheet != nullptr) {  // the entry, found in its row
        function.held = held;
        function.sheet = sheet;
        function.row = row;
      }
      return true;
    }
    NumberForm::Function function;
    function.definition = &d;
    function.held = held;
    function.version = d.cache.version;
    function.sheet = sheet;
    function.row = row;
    form_.functions.push_back(function);
    pending_.push_back(&d);
    return form_.functions.size() <= kMostFunctions;
  }

  // Analyses the formula at `text`; its names are read as values. The
  // bodies of the functions it calls are analysed by Run.
  std::uint32_t FormulaText(const char* text) {
    formula_ = true;
    const std::uint32_t root = Formula(text);
    formula_ = false;
    return root;
  }

  // Analyses the bodies added until none is left; false when one is not held.
  bool Run() {
    while (!pending_.empty()) {
      Definition& d = *pending_.back();
      pending_.pop_back();
      if (!PlainParameters(ctx_, d, parameters_)) return false;
      NumberForm::Function& function = form_.functions[FunctionIndex(d)];
      function.parameters = static_cast<std::uint32_t>(parameters_.size());
      allParameters_.insert(allParameters_.end(), parameters_.begin(), parameters_.end());
      const char* p = d.text.c_str() + d.bodyStart;
      const std::uint32_t root = Formula(p);
      if (root == kNoNode || form_.nodes.size() > kMostNodes) return false;
      form_.functions[FunctionIndex(d)].root = root;
    }
    // A name looked up at a call finds a parameter first, where one of that
    // name is bound: not in the trees.
    for (const std::string& name : form_.lookedUp) {
      if (AmongNames(name, allParameters_)) return false;
    }
    return true;
  }

 private:
  std::uint32_t FunctionIndex(const Definition& d) const {
    for (std::size_t i = 0; i < form_.functions.size(); ++i) {
      if (form_.functions[i].definition == &d) return static_cast<std::uint32_t>(i);
    }
    return kNoNode;
  }

  // formula -> ["+"|"-"] term { ("+"|"-") term }, without a unit
  std::uint32_t Formula(const char*& p) {
    SkipBlanks(p);
    if (*p == '\0') return kNoNode;
    std::vector<std::uint32_t> terms;
    for (;;) {
      char op = '+';
      if (*p == '+' || *p == '-') op = *p++;
      const std::uint32_t term = Term(p);
      if (term == kNoNode) return kNoNode;
      form_.nodes[term].op = op;
      terms.push_back(term);
      SkipBlanks(p);
      if (*p != '+' && *p != '-') break;
    }
    if (*p == '[') return kNoNode;
    return Parent(NumberNodeKind::Formula, terms);
  }

  // term -> item { ("*"|"/") item }: only written operators
  std::uint32_t Term(const char*& p) {
    SkipBlanks(p);
    std::vector<std::uint32_t> items;
    char op = '*';
    for (;;) {
      const std::uint32_t item = Item(p);
      if (item == kNoNode) return kNoNode;
      form_.nodes[item].op = op;
      items.push_back(item);
      SkipBlanks(p);
      if (EndsTerm(*p)) break;
      if (*p != '*' && *p != '/') return kNoNode;  // items side by side
      op = *p++;
    }
    if (items.size() == 1) return items.front();  // the item's value is the term's
    return Parent(NumberNodeKind::Term, items);
  }

  // item -> primary ["^" item], without a unit
  std::uint32_t Item(const char*& p) {
    SkipBlanks(p);
    if (!StartsItem(p)) return kNoNode;
    const std::uint32_t node = Primary(p);
    if (node == kNoNode || *p == '[') return kNoNode;
    SkipBlanks(p);
    if (*p == '^') {
      const char* exponent = ++p;
      SkipBlanks(exponent);
      if (!StartsItem(exponent)) return kNoNode;
      const std::uint32_t item = Item(p);
      if (item == kNoNode) return kNoNode;
      form_.nodes[node].power = static_cast<std::int32_t>(item);
    }
    return node;
  }

  std::uint32_t Primary(const char*& p) {
    if (*p == '(') {
      ++p;
      const std::uint32_t inner = Formula(p);
      if (inner == kNoNode || *p != ')') return kNoNode;
      ++p;
      return Parent(NumberNodeKind::Group, {inner});
    }
    if (IsLetter(static_cast<unsigned char>(*p))) return Name(p);
    return Number(p);
  }

  // A decimal literal without an exponent, whose value no setting changes.
  std::uint32_t Number(const char*& p) {
    const char* q = p;
    while (IsDigit(static_cast<unsigned char>(*q))) ++q;
    if (*q == '.') ++q;
    while (IsDigit(static_cast<unsigned char>(*q))) ++q;
    if (IsNameChar(static_cast<unsigned char>(*q)) || *q == '.') return kNoNode;
    const Value value = ReadNumber(ctx_, p);
    if (p != q || !value.IsNumber()) return kNoNode;
    NumberNode node;
    node.kind = NumberNodeKind::Number;
    node.number = value.number;
    return Leaf(node);
  }

  std::uint32_t Name(const char*& p) {
    const char* start = p;
    const char* end = EndOfName(p);
    if (!PlainAsciiName(start, end)) return kNoNode;
    const std::string_view name(start, static_cast<std::size_t>(end - start));
    p = end;
    if (*end != '(') return formula_ ? ValueName(name) : Parameter(name);
    // (A parameter read as a call, "x(2)", is a product: Run finds it among
    // the names looked up and refuses it.)
    form_.lookedUp.emplace_back(name);
    const char* probe = start;
    bool byGeneration = false;
    const DefinitionRef found = FindDefinitionAt(ctx_, probe, end, &byGeneration);
    p = end + 1;
    if (found) {
      if (probe != start || !byGeneration) return kNoNode;
      return Call(*found.sheet, found.row, p);
    }
    if (FindBuiltin(name) != if_ || if_ == nullptr) return kNoNode;
    return If(p);
  }

  // A name read as a temporary variable: the newest parameter of that name.
  std::uint32_t Parameter(std::string_view name) {
    // An argument that reads a name the call bound before it reads the
    // callee's parameter: not in the trees.
    if (AmongNames(name, bindingArguments_)) return kNoNode;
    for (std::size_t i = parameters_.size(); i-- > 0;) {
      if (SameTempVarName(name, parameters_[i])) {
        NumberNode node;
        node.kind = NumberNodeKind::Parameter;
        node.slot = static_cast<std::uint32_t>(i);
        return Leaf(node);
      }
    }
    return kNoNode;
  }

  // A name in a formula: what it stands for is found before each
  // evaluation. Only names that the store's lookup keeps by generation (no
  // "/" after them, which could make a sheet's path of them).
  std::uint32_t ValueName(std::string_view name) {
    if (AmongNames(name, bindingArguments_) || name.data()[name.size()] == '/') return kNoNode;
    NumberNode node;
    node.kind = NumberNodeKind::Name;
    node.slot = static_cast<std::uint32_t>(form_.names.size());
    form_.names.emplace_back();
    form_.names.back().name = name;
    return Leaf(node);
  }

  // A call of the function in `row` of `sheet`, as ValueOfRow makes it; p
  // stands after its "(".
  std::uint32_t Call(TDefine& sheet, int row, const char*& p) {
    if (row <= 0 || row >= sheet.RowCount()) return kNoNode;
    const std::shared_ptr<Definition>& held = sheet.rows[static_cast<std::size_t>(row)].definition;
    std::vector<std::string> calleeParameters;
    if (!held || !PlainParameters(ctx_, *held, calleeParameters)) return kNoNode;
    if (!Add(*held, held, &sheet, row)) return kNoNode;
    std::vector<std::uint32_t> arguments;
    const std::size_t outer = bindingArguments_.size();
    for (;;) {
      const std::uint32_t argument = Formula(p);
      if (argument == kNoNode || (*p != ',' && *p != ')')) return kNoNode;
      if (arguments.size() < calleeParameters.size()) {
        bindingArguments_.push_back(calleeParameters[arguments.size()]);
      }
      arguments.push_back(argument);
      if (*p++ == ')') break;
    }
    bindingArguments_.resize(outer);
    // Every call binds every parameter: fewer or more arguments are read as text.
    if (arguments.size() != calleeParameters.size()) return kNoNode;
    const std::uint32_t node = Parent(NumberNodeKind::Call, arguments);
    form_.nodes[node].slot = FunctionIndex(*held);
    return node;
  }

  // formula comparison formula "," formula "," formula ")"
  std::uint32_t If(const char*& p) {
    const std::uint32_t x = Formula(p);
    if (x == kNoNode || *p == ',') return kNoNode;
    const int comparison = ReadComparison(p);
    if (comparison == NoComparison || *p == ',') return kNoNode;
    const std::uint32_t y = Formula(p);
    if (y == kNoNode || *p++ != ',') return kNoNode;
    const std::uint32_t yes = Formula(p);
    if (yes == kNoNode || *p++ != ',') return kNoNode;
    const std::uint32_t no = Formula(p);
    if (no == kNoNode || *p++ != ')') return kNoNode;
    const std::uint32_t node = Parent(NumberNodeKind::If, {x, y, yes, no});
    form_.nodes[node].comparison = static_cast<std::int8_t>(comparison);
    return node;
  }

  std::uint32_t Leaf(const NumberNode& node) {
    form_.nodes.push_back(node);
    return static_cast<std::uint32_t>(form_.nodes.size() - 1);
  }

  std::uint32_t Parent(NumberNodeKind kind, const std::vector<std::uint32_t>& children) {
    NumberNode node;
    node.kind = kind;
    node.first = static_cast<std::uint32_t>(form_.children.size());
    node.count = static_cast<std::uint32_t>(children.size());
    form_.children.insert(form_.children.end(), children.begin(), children.end());
    return Leaf(node);
  }

  Context& ctx_;
  NumberForm& form_;
  const BuiltinEntry* if_;
  bool formula_ = false;                    // names are read as values
  std::vector<Definition*> pending_;        // added, not analysed yet
  std::vector<std::string> parameters_;     // of the body being analysed
  std::vector<std::string> allParameters_;  // of every body
  // The callee's parameters bound before the argument being analysed, of
  // every call whose arguments are being analysed.
  std::vector<std::string> bindingArguments_;
};

// Whether the trees still describe the functions their calls would find.
bool StillHolds(const Context& ctx, const NumberForm& form) {
  if (form.generation != ctx.caches.generation) return false;
  for (const NumberForm::Function& function : form.functions) {
    // The row first: a definition that left it may be gone.
    if (function.sheet != nullptr) {
      const TDefine& sheet = *function.sheet;
      if (function.row >= sheet.RowCount()) return false;
      const std::shared_ptr<Definition>& now =
          sheet.rows[static_cast<std::size_t>(function.row)].definition;
      if (now.get() != function.definition || now.owner_before(function.held) ||
          function.held.owner_before(now)) {
        return false;
      }
    }
    if (function.definition->cache.version != function.version) return false;
  }
  return true;
}

std::shared_ptr<NumberForm> Analyse(Context& ctx, Definition& d) {
  auto form = std::make_shared<NumberForm>();
  form->generation = ctx.caches.generation;
  Analyser analyser(ctx, *form);
  analyser.Add(d, nullptr, nullptr, -1);
  if (!analyser.Run()) return nullptr;
  return form;
}

// A number, or an error with its message. Trivial, so that a call's
// frame costs nothing to set up.
struct Num {
  double x;
  const char* error;  // null for a number
};

class Evaluator {
 public:
  Evaluator(Context& ctx, NumberForm& form)
      : ctx_(ctx), form_(form), nodes_(form.nodes.data()), children_(form.children.data()) {}

  // A body's value: its formula with the arguments in `frame`.
  Num Body(const NumberNode& root, const Num* frame) { return Formula(root, frame); }

 private:
  // A formula's term: a Term node, or the item that is the whole term.
  Num Eval(const NumberNode& node, const Num* frame) {
    switch (node.kind) {
      case NumberNodeKind::Formula:
        return Formula(node, frame);
      case NumberNodeKind::Term:
        return Term(node, frame);
      default:
        return Item(node, frame);
    }
  }

  const NumberNode& Child(const NumberNode& node, std::uint32_t i) const {
    return nodes_[children_[node.first + i]];
  }

  // EvalFormula: 0 plus or minus the first term, then the others.
  Num Formula(const NumberNode& node, const Num* frame) {
    const NumberNode& head = Child(node, 0);
    Num sum = Eval(head, frame);
    if (sum.error != nullptr) return sum;
    sum.x = head.op == '-' ? 0.0 - sum.x : 0.0 + sum.x;
    for (std::uint32_t i = 1; i < node.count; ++i) {
      const NumberNode& child = Child(node, i);
      const Num term = Eval(child, frame);
      if (term.error != nullptr) return term;
      sum.x = child.op == '-' ? sum.x - term.x : sum.x + term.x;
    }
    return sum;
  }

  // ReadTerm, with MultiplyValues and DivideValues on numbers.
  Num Term(const NumberNode& node, const Num* frame) {
    Num product = Item(Child(node, 0), frame);
    if (product.error != nullptr) return product;
    for (std::uint32_t i = 1; i < node.count; ++i) {
      const NumberNode& child = Child(node, i);
      const Num item = Item(child, frame);
      if (item.error != nullptr) return item;
      if (child.op == '*') {
        product.x *= item.x;
      } else if (item.x == 0) {
        return Num{0, "Divide By 0"};
      } else {
        product.x /= item.x;
      }
    }
    return product;
  }

  // EvalItem: the guard, the primary and its power.
  Num Item(const NumberNode& node, const Num* frame) {
    if (!GuardCountedDown(ctx_.guard, ctx_.settings.trace >= TraceLevel::System, ctx_.runState) &&
        StatementGuard(ctx_)) {
      return Num{0, "Stack Over"};
    }
    Num primary = Primary(node, frame);
    if (primary.error != nullptr || node.power < 0) return primary;
    const Num exponent = Item(nodes_[node.power], frame);
    if (exponent.error != nullptr) return exponent;
    return Num{std::pow(primary.x, exponent.x), nullptr};
  }

  Num Primary(const NumberNode& node, const Num* frame) {
    switch (node.kind) {
      case NumberNodeKind::Number:
        return Num{node.number, nullptr};
      case NumberNodeKind::Parameter:
        return frame[node.slot];
      case NumberNodeKind::Name:
        return ReadName(form_.names[node.slot]);
      case NumberNodeKind::Call:
        return Call(node, frame);
      case NumberNodeKind::If:
        return If(node, frame);
      default:  // Group
        return Formula(Child(node, 0), frame);
    }
  }

  // BindingValue, or ValueOfRow on a variable whose value is known.
  Num ReadName(const NumberName& name) {
    if (name.binding >= 0) {
      TTempVar& table = ctx_.tempVars;
      const auto position = static_cast<std::size_t>(name.binding);
      if (position < table.lowestRead) table.lowestRead = position;
    } else {
      ShowRowValue(ctx_, *name.sheet, name.row,
                   name.sheet->rows[static_cast<std::size_t>(name.row)]);
    }
    return Num{name.number, nullptr};
  }

  // BindArguments and the body: an argument that failed is bound as the
  // error it is.
  Num Call(const NumberNode& node, const Num* frame) {
    Num arguments[kNumberFormParameters];
    for (std::uint32_t i = 0; i < node.count; ++i) arguments[i] = Formula(Child(node, i), frame);
    NumberForm::Function& function = form_.functions[node.slot];
    function.called = true;
    return Formula(nodes_[function.root], arguments);
  }

  // ReadIf on "(x op y, yes, no)": a condition whose first operand fails
  // fails the call; one whose second operand fails does not hold.
  Num If(const NumberNode& node, const Num* frame) {
    const Num x = Formula(Child(node, 0), frame);
    if (x.error != nullptr) return Num{0, BuiltinError(*FindBuiltin("if"))};
    const Num y = Formula(Child(node, 1), frame);
    const bool holds = y.error == nullptr && Compare(x.x, node.comparison, y.x);
    return Formula(Child(node, holds ? 2 : 3), frame);
  }

  Context& ctx_;
  NumberForm& form_;
  const NumberNode* nodes_;
  const std::uint32_t* children_;
};

// The functions called from the trees keep the cached value and value cell
// that their last call leaves.
void TagCalledFunctions(Context& ctx, NumberForm& form) {
  for (NumberForm::Function& function : form.functions) {
    if (!function.called) continue;
    function.called = false;
    // The entry is the caller's to hold; a function found in a row may have
    // left it while the window's events were delivered.
    const std::shared_ptr<Definition> held = function.held.lock();
    if (function.sheet != nullptr && held == nullptr) continue;
    Definition& d = *function.definition;
    d.Settle();
    d.SetTagged(ValueKind::Undefined, kDependsOnArgsText);
    if (function.sheet == nullptr || function.row >= function.sheet->RowCount()) continue;
    SheetRow& row = function.sheet->rows[static_cast<std::size_t>(function.row)];
    if (row.definition == held) ShowRowValue(ctx, *function.sheet, function.row, row);
  }
}

// Whether the trees may run now: every call finds the function it found
// when they were made (no temporary variable of its name).
bool NoBindingHides(const Context& ctx, const NumberForm& form) {
  for (const std::string& name : form.lookedUp) {
    if (FindBinding(ctx.tempVars, name, ctx.caches) != nullptr) return false;
  }
  return true;
}

// Finds what each name of the formula stands for now: false unless every
// one is a temporary variable or a known variable holding a plain number.
bool FindNames(Context& ctx, NumberForm& form) {
  for (NumberName& name : form.names) {
    if (const TempBinding* binding = FindBinding(ctx.tempVars, name.name, ctx.caches)) {
      if (!IsPlainNumber(binding->value)) return false;
      name.binding = binding - ctx.tempVars.entries.data();
      name.number = binding->value.number;
      continue;
    }
    if (name.generation != ctx.caches.generation) {
      const char* probe = name.name.c_str();
      bool byGeneration = false;
      const DefinitionRef found =
          FindDefinitionAt(ctx, probe, probe + name.name.size(), &byGeneration);
      if (!found || probe != name.name.c_str() || !byGeneration) return false;
      name.generation = ctx.caches.generation;
      name.sheet = found.sheet;
      name.row = found.row;
    }
    if (name.row <= 0 || name.row >= name.sheet->RowCount()) return false;
    Definition* d = name.sheet->rows[static_cast<std::size_t>(name.row)].definition.get();
    if (d == nullptr || d->kind != VariableKind || !d->HasValidValue() ||
        !IsPlainNumber(d->value)) {
      return false;
    }
    name.binding = -1;
    name.number = d->value.number;
  }
  return true;
}

// The value of the formula `root` of the trees with the arguments in
// `frame`; the functions called are tagged afterwards.
Value RunTrees(Context& ctx, NumberForm& form, std::uint32_t root, const Num* frame) {
  Evaluator evaluator(ctx, form);
  const Num value = evaluator.Body(form.nodes[root], frame);
  TagCalledFunctions(ctx, form);
  return value.error != nullptr ? MakeError(value.error) : MakeNumber(value.x);
}

// Whether nothing that the trees leave out is to be shown now.
bool TreesMayRun(const Context& ctx) {
  return ctx.caches.On(kFormCache) && ctx.settings.trace == TraceLevel::Off &&
         ctx.runState != RunState::Idle;
}

}  // namespace

bool EvalFormulaForm(Context& ctx, const char* text, std::shared_ptr<NumberForm>& form,
                     std::uint64_t& refused, Value& result) {
  if (!TreesMayRun(ctx)) return false;
  if (!form || !StillHolds(ctx, *form)) {
    if (refused == ctx.caches.generation) return false;
    form = std::make_shared<NumberForm>();
    form->generation = ctx.caches.generation;
    Analyser analyser(ctx, *form);
    form->formula = analyser.FormulaText(text);
    if (form->formula == kNoNode || !analyser.Run()) {
      form.reset();
      refused = ctx.caches.generation;
      return false;
    }
  }
  // Held, so that what runs cannot free the trees.
  const std::shared_ptr<NumberForm> held = form;
  if (!NoBindingHides(ctx, *held) || !FindNames(ctx, *held)) return false;
  result = RunTrees(ctx, *held, held->formula, nullptr);
  return true;
}

const NumberForm* NumberFormFor(Context& ctx, Definition& d) {
  DefinitionCache& cache = d.cache;
  if (cache.numbers && StillHolds(ctx, *cache.numbers)) return cache.numbers.get();
  if (cache.numbersRefused == ctx.caches.generation) return nullptr;
  cache.numbers = Analyse(ctx, d);
  if (!cache.numbers) cache.numbersRefused = ctx.caches.generation;
  return cache.numbers.get();
}

bool EvalNumberForm(Context& ctx, Definition& d, int bound, Value& result) {
  if (!TreesMayRun(ctx) || bound <= 0 || d.kind != FunctionKind) return false;
  if (NumberFormFor(ctx, d) == nullptr) return false;
  // Held, so that a call that changes the text does not free the trees.
  const std::shared_ptr<NumberForm> form = d.cache.numbers;
  const NumberForm::Function& entry = form->functions.front();
  if (entry.parameters != static_cast<std::uint32_t>(bound)) return false;
  Num frame[kNumberFormParameters];
  const std::vector<TempBinding>& bindings = ctx.tempVars.entries;
  const std::size_t base = bindings.size() - static_cast<std::size_t>(bound);
  for (std::size_t i = 0; i < static_cast<std::size_t>(bound); ++i) {
    const Value& argument = bindings[base + i].value;
    if (!IsPlainNumber(argument)) return false;
    frame[i] = Num{argument.number, nullptr};
  }
  if (!NoBindingHides(ctx, *form)) return false;
  result = RunTrees(ctx, *form, entry.root, frame);
  return true;
}

}  // namespace zemu
