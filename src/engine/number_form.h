// Function bodies as plain-number trees. A call of a function whose body,
// and the body of every function it calls, holds only what these trees
// hold (numbers without exponents, its own parameters, the four operations,
// powers, parentheses, calls of such functions and if() with a comparison)
// is evaluated from the trees: numbers in frames of doubles, the calls made
// from node to node without binding temporary variables, looking the names
// up or writing the cached values on every call. Every other body, and every
// call that could see something the trees do not hold (a trace, the assist
// lines, an argument with a unit, a temporary variable of a name the bodies
// look up), is read as text.
//
// What reading the text does, the trees do in the same order: the guard
// before every item, the same arithmetic, the same errors at the same
// moments (a failed argument is bound and read as the error it is; a failed
// condition fails its if()), arguments bound one by one where a later
// argument reads an earlier parameter's name (those bodies are read as
// text), and the cached values of the functions called ("引数次第") and
// their rows' value cells as they stand after the last call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/value.h"

namespace zemu {

struct Context;
struct Definition;
struct TDefine;

enum class NumberNodeKind : std::uint8_t {
  Formula,    // ["+"|"-"] term { ("+"|"-") term }: children are the terms
  Term,       // item ("*"|"/") item {...}: children are the items (a term of one
              // item is that item, joined to its formula by its `op`)
  Number,     // a literal, converted
  Parameter,  // a parameter of the function: `slot` in its frame
  Name,       // in a formula: a temporary variable or a variable, `slot` in `names`
  Call,       // a function "(" formula {"," formula} ")": `slot` is its index
  If,         // if "(" formula comparison formula "," formula "," formula ")"
  Group,      // "(" formula ")": the one child
};

struct NumberNode {
  NumberNodeKind kind = NumberNodeKind::Number;
  char op = 0;  // how it joins its formula or term: '+', '-', '*' or '/'
  std::int8_t comparison = -1;
  std::uint32_t first = 0;  // children: NumberForm::children[first .. first + count)
  std::uint32_t count = 0;
  std::int32_t power = -1;  // an item's exponent (the item after "^"), or -1
  std::uint32_t slot = 0;
  double number = 0;
};

// A name that a formula reads as a value: a temporary variable, else a
// variable's row, as the reader finds it when it reads the name.
struct NumberName {
  std::string name;
  // The definition's row found for the name in the store's `generation`.
  std::uint64_t generation = 0;
  TDefine* sheet = nullptr;
  int row = -1;
  // Found before each evaluation: the binding's position in the temporary
  // variables (or -1 for the row's variable), and the number it holds.
  std::ptrdiff_t binding = -1;
  double number = 0;
};

// A function's body and those of the functions it calls, by index; or a
// formula and the bodies of the functions it calls.
struct NumberForm {
  struct Function {
    Definition* definition = nullptr;
    // The row's hold on the definition and the count of its analyses when
    // the tree was made: a definition analysed since, or another one at the
    // same address, is not the one the tree describes.
    std::weak_ptr<Definition> held;
    std::uint64_t version = 0;
    TDefine* sheet = nullptr;  // the row a call finds it in; none for an entry found in no row
    int row = -1;
    std::uint32_t root = 0;        // the body's formula
    std::uint32_t parameters = 0;  // how many; every call binds them all
    bool called = false;           // during an evaluation: its cached value is to be tagged
  };
  std::uint64_t generation = 0;     // the store's, when the names were looked up
  std::vector<Function> functions;  // the entry first
  std::vector<NumberNode> nodes;
  std::vector<std::uint32_t> children;
  std::vector<std::string> lookedUp;  // the names that the calls look up, if() included
  std::vector<NumberName> names;      // a formula's names read as values
  std::uint32_t formula = 0;          // a formula's root (functions.front() is a function's)
};

// The most parameters a function of the trees has.
inline constexpr std::uint32_t kNumberFormParameters = 8;

// Evaluates d's body from its trees, the newest `bound` temporary variables
// being its arguments; false when the text must be read instead (nothing
// was done then).
bool EvalNumberForm(Context& ctx, Definition& d, int bound, Value& result);

// Evaluates the formula `text` (a variable statement's right-hand side)
// from the trees in `form`, made there if need be (`refused`: the store's
// generation in which `text` was found not to be held, or 0); false when the
// text must be read instead (nothing was done then).
bool EvalFormulaForm(Context& ctx, const char* text, std::shared_ptr<NumberForm>& form,
                     std::uint64_t& refused, Value& result);

// d's trees as a call now would use them (made if need be), or none.
const NumberForm* NumberFormFor(Context& ctx, Definition& d);

}  // namespace zemu
