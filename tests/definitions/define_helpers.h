// Helpers shared by the definition tests: defining as the dispatcher does,
// and evaluating a formula to its printed form.
#pragma once

#include <memory>
#include <string>

#include "definitions/statements.h"
#include "definitions/store.h"
#include "engine/definition_values.h"
#include "engine/eval.h"
#include "host/context.h"

namespace zemu::testing_defs {

// Classifies `text` and stores it in the CurrentSheet; returns the row.
inline int Define(Context& ctx, const std::string& text) {
  auto d = std::make_shared<Definition>(text);
  AnalyseDefinition(ctx, *d);
  return StoreDefinition(ctx, CurrentSheet(ctx), d);
}

// The printed value of a formula.
inline std::string Eval(Context& ctx, const std::string& formula) {
  return ValueText(ctx, EvalText(ctx, formula));
}

// The definition text stored in a row of the CurrentSheet.
inline std::string TextAt(Context& ctx, int row) {
  auto d = DefinitionAt(CurrentSheet(ctx), row);
  return d ? d->text : std::string("<none>");
}

inline std::string Cell(Context& ctx, int row, int column) {
  return SheetCellText(CurrentSheet(ctx), row, column);
}

}  // namespace zemu::testing_defs
