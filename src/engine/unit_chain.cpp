// Chains of unit conversions. The search is breadth first over units: from
// a unit, one step goes to each unit that a single conversion reaches (the
// pairs it is named in, the unit without a prefix, the units that are it
// with a prefix), in the store's newest-first order of the definitions the
// steps use. The units that conversion definitions name fall into groups
// (two units named in one definition are in one group); a chain stays in
// one group, so that a prefix cannot join two quantities (m + [in] is not
// [min]). What the search found for a pair is kept (cache/caches.h).
#include "engine/unit_chain.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "definitions/store.h"
#include "engine/unit_steps.h"
#include "host/context.h"

namespace zemu {

namespace {

// Where the rest of a unit may begin after a prefix: after each whole
// character of its name but the last ("[km]": 2, for the prefix k and the
// rest "m]"; "[μm]": 3).
std::vector<std::size_t> RestStarts(std::string_view unit) {
  std::vector<std::size_t> starts;
  std::size_t i = 1;
  while (i + 1 < unit.size()) {
    i += IsLeadByte(static_cast<unsigned char>(unit[i])) && i + 2 < unit.size() ? 2 : 1;
    if (i + 1 < unit.size()) starts.push_back(i);
  }
  return starts;
}

// The units that conversion definitions name: which units each is named
// with, the group it falls in, and which of them are another unit with a
// prefix.
class UnitGraph {
 public:
  explicit UnitGraph(Context& ctx) {
    for (const auto& sheet : ctx.defines.sheets) {
      for (int row = 1; sheet->IsDefinitionRow(row); ++row) AddRow(*sheet, row);
    }
    for (int unit = 0; unit < Count(); ++unit) {
      for (std::size_t start : RestStarts(names_[unit])) {
        prefixed_[names_[unit].substr(start)].push_back(unit);
      }
    }
  }

  int Count() const { return static_cast<int>(names_.size()); }
  const std::string& Name(int unit) const { return names_[unit]; }
  // The unit's number, or -1 for a unit that no definition names.
  int Find(const std::string& unit) const {
    auto it = index_.find(unit);
    return it == index_.end() ? -1 : it->second;
  }
  const std::vector<int>& Partners(int unit) const { return partners_[unit]; }
  int Group(int unit) {
    while (group_[unit] != unit) unit = group_[unit] = group_[group_[unit]];
    return unit;
  }
  // The units that are "[" + a prefix + `rest` ("m]" gives [km], [mm] ...).
  std::span<const int> Prefixed(const std::string& rest) const {
    auto it = prefixed_.find(rest);
    if (it == prefixed_.end()) return {};
    return it->second;
  }

 private:
  // A row of a pair [a][b] (a factor or a function); prefix rows name no pair.
  void AddRow(const TDefine& sheet, int row) {
    const Definition* d = sheet.rows[static_cast<std::size_t>(row)].definition.get();
    if (d == nullptr || d->kind != ConversionKind) return;
    const std::string& name = sheet.rows[static_cast<std::size_t>(row)].cells[NameColumn];
    const char* p = name.c_str();
    const std::string a = ReadUnit(p);
    const std::string b = ReadUnit(p);
    if (a.empty() || b.empty() || IsNoUnit(a) || IsNoUnit(b)) return;
    const int x = Add(a);
    const int y = Add(b);
    partners_[x].push_back(y);
    partners_[y].push_back(x);
    group_[Group(x)] = Group(y);
  }

  int Add(const std::string& unit) {
    auto [it, added] = index_.try_emplace(unit, Count());
    if (added) {
      names_.push_back(unit);
      partners_.emplace_back();
      group_.push_back(it->second);
    }
    return it->second;
  }

  std::vector<std::string> names_;
  std::unordered_map<std::string, int> index_;
  std::vector<std::vector<int>> partners_;
  std::vector<int> group_;  // union-find: a unit's group is its root
  std::unordered_map<std::string, std::vector<int>> prefixed_;
};

// A step the search may take: the unit it goes to and the conversion.
struct Edge {
  int unit;
  Conversion conversion;
  std::uint64_t order;  // the definition's place, newest first
};

class ChainSearch {
 public:
  ChainSearch(Context& ctx, const std::string& from, const std::string& to)
      : ctx_(ctx), graph_(ctx), to_(to), toRests_(RestStarts(to)) {
    const auto& sheets = ctx.defines.sheets;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
      sheetOrder_[sheets[i].get()] = sheets.size() - 1 - i;
    }
    start_ = Node(from);
    target_ = Node(to);
  }

  ChainSteps Run() {
    states_.push_back(State{start_, KnownGroup(start_, -1), -1, {}});
    seen_.emplace(Key(start_, states_[0].group));
    for (std::size_t at = 0; at < states_.size(); ++at) {
      for (const Edge& edge : Edges(states_[at].unit)) {
        const int group = KnownGroup(edge.unit, states_[at].group);
        if (group == kApart || !seen_.emplace(Key(edge.unit, group)).second) continue;
        states_.push_back(State{edge.unit, group, static_cast<int>(at), edge.conversion});
        if (edge.unit == target_) return Path(states_.size() - 1);
      }
    }
    return {};
  }

 private:
  static constexpr int kApart = -2;

  // A unit reached by the chain that ends in state `parent`, and how.
  struct State {
    int unit;
    int group;  // of the known units on the way; -1 before the first
    int parent;
    Conversion conversion;
  };

  static std::uint64_t Key(int unit, int group) {
    return static_cast<std::uint64_t>(unit) << 32 | static_cast<std::uint32_t>(group + 1);
  }

  // Search units: the known ones by their number in the graph, then the
  // others as they turn up (the two ends, units without a prefix).
  int Node(const std::string& unit) {
    const int known = graph_.Find(unit);
    if (known >= 0) return known;
    auto [it, added] = others_.try_emplace(unit, graph_.Count() + static_cast<int>(others_.size()));
    if (added) otherNames_.push_back(unit);
    return it->second;
  }
  const std::string& Name(int unit) const {
    return unit < graph_.Count() ? graph_.Name(unit) : otherNames_[unit - graph_.Count()];
  }

  // The group of a chain in group `group` that goes on to `unit`: the
  // unit's own when it is known, kApart when that is another.
  int KnownGroup(int unit, int group) {
    if (unit >= graph_.Count()) return group;
    const int own = graph_.Group(unit);
    return group == -1 || group == own ? own : kApart;
  }

  // The units that one conversion may reach from `unit`, by name.
  std::vector<std::string> Candidates(int unit) {
    const std::string& name = Name(unit);
    std::vector<std::string> names;
    if (unit < graph_.Count()) {
      for (int partner : graph_.Partners(unit)) names.push_back(graph_.Name(partner));
    }
    for (std::size_t start : RestStarts(name)) {
      names.push_back(std::string("[").append(name, start));
    }
    const std::string rest = name.substr(1);
    for (int longer : graph_.Prefixed(rest)) names.push_back(graph_.Name(longer));
    for (std::size_t start : toRests_) {
      if (to_.compare(start, std::string::npos, rest) == 0) names.push_back(to_);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
  }

  // The steps from `unit`, newest definition first.
  std::vector<Edge> Edges(int unit) {
    std::vector<Edge> edges;
    const std::string from = Name(unit);
    for (const std::string& to : Candidates(unit)) {
      if (to == from) continue;
      std::optional<Conversion> conversion = FindConversion(ctx_, from, to);
      if (!conversion || IsReverseFunction(*conversion)) continue;
      edges.push_back(Edge{Node(to), *conversion, Order(conversion->ref)});
    }
    std::stable_sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
      if (a.order != b.order) return a.order < b.order;
      return a.conversion.direction < b.conversion.direction;
    });
    return edges;
  }

  // Lower for a newer definition: a later sheet, a lower row.
  std::uint64_t Order(const DefinitionRef& ref) {
    const std::uint64_t rowsBelow = static_cast<std::uint64_t>(ref.sheet->RowCount() - ref.row);
    return sheetOrder_[ref.sheet] << 32 | rowsBelow;
  }

  ChainSteps Path(std::size_t last) const {
    ChainSteps steps;
    for (int at = static_cast<int>(last); states_[at].parent >= 0; at = states_[at].parent) {
      const State& state = states_[at];
      steps.push_back(ChainStep{state.conversion.ref.sheet, state.conversion.ref.row,
                                state.conversion.direction == Direction::Reverse,
                                Name(state.unit)});
    }
    std::reverse(steps.begin(), steps.end());
    return steps;
  }

  Context& ctx_;
  UnitGraph graph_;
  const std::string& to_;
  std::vector<std::size_t> toRests_;
  std::unordered_map<const TDefine*, std::uint64_t> sheetOrder_;  // 0 for the last sheet
  std::unordered_map<std::string, int> others_;
  std::vector<std::string> otherNames_;
  int start_ = -1;
  int target_ = -1;
  std::vector<State> states_;  // the queue, kept whole for the paths
  std::unordered_set<std::uint64_t> seen_;
};

// In assist mode the status lines say which units the conversion passed.
void ShowChainHelp(Context& ctx, const std::string& from, const ChainSteps& steps) {
  std::string passed = from;
  for (const ChainStep& step : steps) passed += "→"_sj + step.unit;
  ctx.toolkit->SetStatusLine(
      1, "単位変換"_sj + from + steps.back().unit + "は、換算の定義をつないで行います。"_sj);
  ctx.toolkit->SetStatusLine(2, passed + " の順に換算しました。"_sj);
}

[[maybe_unused]] bool SameChain(const std::shared_ptr<const ChainSteps>& kept,
                                const ChainSteps& found) {
  return kept ? *kept == found : found.empty();
}

}  // namespace

ChainSteps SearchChain(Context& ctx, const std::string& from, const std::string& to) {
  if (from == to) return {};
  return ChainSearch(ctx, from, to).Run();
}

std::optional<std::shared_ptr<const ChainSteps>> KeptChain(Context& ctx, const std::string& from,
                                                           const std::string& to) {
  Caches& caches = ctx.caches;
  std::shared_ptr<const ChainSteps> steps;
  if (!caches.On(kChainCache) || !caches.chains.Find(from, to, caches.generation, steps)) {
    return std::nullopt;
  }
  assert(SameChain(steps, SearchChain(ctx, from, to)));
  return steps;
}

std::shared_ptr<const ChainSteps> FindChain(Context& ctx, const std::string& from,
                                            const std::string& to) {
  const std::uint64_t generation = ctx.caches.generation;
  ChainSteps found = SearchChain(ctx, from, to);
  std::shared_ptr<const ChainSteps> steps;
  if (!found.empty()) steps = std::make_shared<const ChainSteps>(std::move(found));
  if (ctx.caches.On(kChainCache)) ctx.caches.chains.Keep(from, to, generation, steps);
  return steps;
}

// A definition that a step uses may change the rows (a brace group in its
// formula): the steps after it are looked up again then.
void TakeChain(Context& ctx, Value& v, const std::string& from, const ChainSteps& steps) {
  const std::uint64_t generation = ctx.caches.generation;
  const std::string* at = &from;
  for (const ChainStep& step : steps) {
    std::optional<Conversion> conversion =
        Conversion{DefinitionRef{step.sheet, step.row},
                   step.reverse ? Direction::Reverse : Direction::Forward};
    if (ctx.caches.generation != generation) conversion = FindConversion(ctx, *at, step.unit);
    if (!conversion) {
      v = NoConversionError(*at, step.unit);
      return;
    }
    ApplyConversion(ctx, v, *at, step.unit, *conversion);
    if (!v.IsNumber()) return;
    at = &step.unit;
  }
  if (ctx.runState == RunState::Idle) ShowChainHelp(ctx, from, steps);
}

}  // namespace zemu
