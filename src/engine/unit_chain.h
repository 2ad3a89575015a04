// Chains of unit conversions: where no single conversion (nor the two steps
// by way of the bare unit) joins two units, a row of them may. A chain's
// steps are the factors of conversion definitions either way, the prefixes
// either way and conversion functions forward.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "base/value.h"
#include "cache/caches.h"

namespace zemu {

struct Context;

// The shortest chain from the unit `from` to `to` (fewest steps); of chains
// as short, the one whose steps use the newer definitions, the first step
// weighing most. Empty when there is none. A prefix never joins two units
// that the conversion definitions keep apart ([min] is not m+[in]).
ChainSteps SearchChain(Context& ctx, const std::string& from, const std::string& to);

// The chain kept for the pair `from`, `to` in this generation (null: no
// chain joins them), or nullopt when nothing is kept. A pair is kept only
// where the single conversions and the two steps by way of the bare unit
// find nothing, so that what is kept holds until the generation moves.
std::optional<std::shared_ptr<const ChainSteps>> KeptChain(Context& ctx, const std::string& from,
                                                           const std::string& to);

// SearchChain, keeping what it found for the pair (null: no chain).
std::shared_ptr<const ChainSteps> FindChain(Context& ctx, const std::string& from,
                                            const std::string& to);

// Converts v, a number in `from`, along the steps, each as ConvertUnit
// converts (the same arithmetic, errors and trace lines); in assist mode the
// status lines say which units it passed.
void TakeChain(Context& ctx, Value& v, const std::string& from, const ChainSteps& steps);

}  // namespace zemu
