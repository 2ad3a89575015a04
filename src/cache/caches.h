// Every speed cache of the program: what the store and the evaluator keep
// so as not to scan the rows, read a text or compute a value again, the
// stamps that say when a kept answer no longer holds, and the switch that
// turns them off.
//
// A cache never changes what the program does: each answer it gives is the
// one the slow way gives. With the switch off (ZEMU_CACHES=off in the
// environment when the Context is made) every lookup goes the slow way, and
// the tests run both ways. Debug builds check kept answers against the slow
// way where that is cheap.
//
// Whatever voids kept answers goes through ForgetCaches; the store calls it
// where it changes what a lookup can find (a sheet added or removed, rows
// inserted or deleted, a row's name changed), where a conversion is
// replaced under its name, and where a definition's text changes.
//
// The caches, by the name ZEMU_CACHES knows them by:
//   index     SheetCache::index      a sheet's rows by name (FindRow)
//   rowmemo   SheetCache::rowMemo    a sheet's last answer for a plain name
//   lookups   Caches::lookups        the store's answers for plain names
//   walks     BodyMemo (DefinitionCache::body)  where a body's argument lists
//                                    and if() calls end
//   names     BodyMemo               where a body's names end, and what they
//                                    stood for in this generation
//   text      DefinitionCache::pending*  a variable's text written when read
//   forget    SheetCache::forget, DefinitionCache::forget  ForgetValues
//                                    counts; values take it in when read
//   format    Caches::lastFormat     the Format last shown in a value cell
//   spare     Caches::spare          a Definition kept for the next statement
//   bindings  BindingIndex           temporary bindings by first byte
//   chains    Caches::chains         the chain of conversions found for a pair
//                                    of units, or that there is none
//   analyses  Caches::analyses       the offsets found in statement texts
//                                    analysed last (a loop's body, a
//                                    variable's rewritten head)
//   assign    (no memo)              a variable assigned again takes its new
//                                    value in the definition its row holds
//   form      DefinitionCache::numbers  a function's body, and the functions
//                                    it calls, analysed into plain-number
//                                    trees (NumberForm), evaluated instead of
//                                    their texts
// A row's value cell (RowCache) holds the value and Format it shows and is
// made into text when read, with the caches on or off.
//
// This folder sits below the store and the evaluator: it knows their types
// by name only.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <memory_resource>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/scan.h"
#include "base/value.h"
#include "cache/body_memo.h"

namespace zemu {

struct Definition;
struct NumberForm;
struct TDefine;

// ---- The switch ---------------------------------------------------------------

enum CacheKind : std::uint32_t {
  kIndexCache = 1u << 0,
  kRowMemoCache = 1u << 1,
  kLookupCache = 1u << 2,
  kWalkCache = 1u << 3,
  kNameCache = 1u << 4,
  kTextCache = 1u << 5,
  kForgetCache = 1u << 6,
  kFormatCache = 1u << 7,
  kSpareCache = 1u << 8,
  kBindingCache = 1u << 9,
  kChainCache = 1u << 10,
  kFormCache = 1u << 11,
  kAnalysisCache = 1u << 12,
  kAssignCache = 1u << 13,
};
inline constexpr std::uint32_t kAllCaches = (1u << 14) - 1;

// The caches that a value of ZEMU_CACHES leaves on: all when it is unset,
// empty or "on"; none for "off"; all but the named ones for a list of names
// (see above) separated by commas ("index,walks").
std::uint32_t CachesFromSetting(const char* setting);

// ---- Per sheet ----------------------------------------------------------------

// The rows of one name in a NameIndex, top to bottom. Most names have one
// row, or two (a function and its variable below it): up to kInline rows
// are kept inside, so that indexing a name allocates nothing more.
class RowList {
 public:
  static constexpr std::size_t kInline = 2;

  const int* data() const { return heap_ ? heap_->data() : inline_.data(); }
  std::size_t size() const { return heap_ ? heap_->size() : size_; }
  bool empty() const { return size() == 0; }
  const int* begin() const { return data(); }
  const int* end() const { return data() + size(); }
  // Adds `row` in its place (rows stay sorted).
  void Insert(int row);
  // Takes `row` out; false when it was not listed.
  bool Erase(int row);

 private:
  std::array<int, kInline> inline_{};
  std::uint32_t size_ = 0;                  // rows in inline_ while there is no heap_
  std::unique_ptr<std::vector<int>> heap_;  // all the rows, once there were more than kInline
};

// Whether a byte of a name is a wildcard of MatchName.
constexpr bool IsWildcard(char c) { return c == '?' || c == '#'; }
inline bool HasWildcard(std::string_view text) {
  for (char c : text) {
    if (IsWildcard(c)) return true;
  }
  return false;
}
// A stored name that a NameIndex lists by itself: name characters only, no
// wildcard byte (a trail byte may be one), and no lead byte left alone at
// the end (it would pair with the probe's next byte).
bool IsPlainName(std::string_view name);

// A sheet's rows by name, for FindRow. For a probe whose name (its run of
// name characters, double-byte characters whole) is K and which does not go
// on with a wildcard, MatchName accepts exactly the plain stored names equal
// to K: so the index answers for all plain names at once, and only the rows
// of other names (wildcards, brackets) are matched one by one, listed by the
// bytes a probe must begin with to match them (OthersKey).
class NameIndex {
 public:
  NameIndex() = default;
  NameIndex(const NameIndex&) = delete;
  NameIndex& operator=(const NameIndex&) = delete;

  // Whether the index describes the rows of a sheet of `rowCount` rows.
  bool Describes(std::size_t rowCount) const { return valid_ && rowCount_ == rowCount; }
  // Makes the index anew for a sheet of `rowCount` rows from the names of
  // rows first..last: nameOf(row) is a row's name, or null for a row that
  // is not looked up.
  template <class NameOf>
  void Rebuild(std::size_t rowCount, int first, int last, NameOf nameOf);
  // A row was added below the others: the index describes the sheet still,
  // if it described it before.
  void RowAdded(std::size_t rowCountBefore) {
    if (Describes(rowCountBefore)) ++rowCount_;
  }
  // The rows moved: the index is made anew when next used.
  void Invalidate() { valid_ = false; }
  void Add(const std::string& name, int row);
  void Remove(std::string_view name, int row);

  // The rows of a plain name (name characters only, no wildcard), top to
  // bottom; empty when there are none.
  std::span<const int> PlainRows(std::string_view name) const;
  // The rows of other names listed under `key` (OthersKey), top to bottom.
  std::span<const int> OtherRows(std::uint16_t key) const;
  // How many rows of other names a key with this first byte lists ('?': the
  // names that begin with a wildcard).
  std::uint32_t OtherRowsFirst(unsigned char first) const { return othersByFirstByte_[first]; }
  // The key of the list that holds a name that is not plain.
  static std::uint16_t OthersKey(std::string_view name);

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  // Empties the index; the memory of its names goes back at once.
  void Clear();

  // The entries of byName_ come from here and are only ever freed together
  // (Clear): a name once indexed stays until the index is made anew.
  std::pmr::monotonic_buffer_resource names_;
  std::pmr::unordered_map<std::string, RowList, Hash, std::equal_to<>> byName_{&names_};
  std::unordered_map<std::uint16_t, std::vector<int>> others_;
  std::array<std::uint32_t, 256> othersByFirstByte_{};  // rows in others_ by their key's first byte
  bool valid_ = false;
  std::size_t rowCount_ = 0;  // the RowCount() it describes
};

// An answer kept for a plain name (no qualifier, no wildcard): the sheet
// and row found (none for a name in no sheet), valid while the store's
// generation is `generation`.
struct LookupMemo {
  std::string name;
  std::uint64_t generation = 0;  // 0: empty
  TDefine* sheet = nullptr;
  int row = -1;
};

// How often ForgetValues ran on a sheet. A definition held by one of its
// rows compares the stamp of its value with these, so that forgetting the
// values of a whole sheet costs one increment.
struct ForgetCounters {
  std::uint64_t any = 0;        // calls so far
  std::uint64_t variables = 0;  // `any` after the last call that included variables
};

struct SheetCache {
  NameIndex index;
  LookupMemo rowMemo;     // FindRow's last answer for a plain name
  ForgetCounters forget;  // kept by ForgetValues, with the caches on or off
};

// ---- Per row and per definition -------------------------------------------------

// A row's value cell: the value it shows and the Format it was shown in
// (null for the heading row), made into text when read, and the sheet's
// forget count when it was shown (the cell shows "再計算" after a later
// ForgetValues that reached it).
struct RowCache {
  Value shown;
  const std::string* format = nullptr;
  std::uint64_t stamp = 0;
};

// What a Definition keeps for speed.
struct DefinitionCache {
  // What reading the text as a function's body found out, made at the first
  // call; void whenever the text is analysed anew.
  std::unique_ptr<BodyMemo> body;
  // The body and the functions it calls as plain-number trees, made at the
  // first call that can use them (engine/number_form.h). Shared, so that a
  // call that changes the text does not free the trees while they run.
  // `numbersRefused` is the store's generation in which the analysis last
  // found something the trees do not hold (0: never).
  std::shared_ptr<NumberForm> numbers;
  std::uint64_t numbersRefused = 0;
  // Counts the analyses of the text (and fresh starts of the definition):
  // trees made from it name it together with this count. Never goes back.
  std::uint64_t version = 0;
  // The forget counters of the sheet whose row holds the definition (none
  // when no row does, or with the cache off), and `any` when the value was
  // set.
  const ForgetCounters* forget = nullptr;
  std::uint64_t valueStamp = 0;
  // A variable assigned again and again (a loop) does not write its value
  // out into its text on every pass: while textPending, the text holds only
  // the head and "<", and the rest is written out when something reads it:
  // ValueFullText of pendingValue, then the comment gap and pendingComment
  // when there is a comment.
  bool textPending = false;
  Value pendingValue;
  std::string pendingComment;

  // Makes this the cache of a fresh definition, keeping what memory it can.
  void Reset() {
    body.reset();
    numbers.reset();
    numbersRefused = 0;
    ++version;
    forget = nullptr;
    valueStamp = 0;
    textPending = false;
    pendingComment.clear();
  }
};

// Whether a ForgetValues not taken in yet reaches the value: its sheet's
// counters went past its stamp (`variable`: the definition is a variable).
inline bool ValueForgotten(const DefinitionCache& cache, bool variable) {
  return cache.forget != nullptr &&
         cache.valueStamp < (variable ? cache.forget->variables : cache.forget->any);
}
// The value was set now.
inline void StampValue(DefinitionCache& cache) {
  cache.valueStamp = cache.forget != nullptr ? cache.forget->any : 0;
}

// Writes a pending text out: appends the value's full text (and
// `commentGap` and the comment) to `text`. False when nothing was pending.
bool WritePendingText(DefinitionCache& cache, std::string& text, std::string_view commentGap);

// ---- Temporary bindings ---------------------------------------------------------

// How many bindings have a name that begins with each byte (A-Z counted as
// a-z): a name whose first byte has none is not looked for.
class BindingIndex {
 public:
  void Add(std::string_view name) { ++counts_[Slot(name)]; }
  void Remove(std::string_view name) {
    assert(counts_[Slot(name)] > 0);
    --counts_[Slot(name)];
  }
  // False when no binding's name begins as `name` does.
  bool MayHold(std::string_view name) const { return counts_[Slot(name)] != 0; }

 private:
  // An empty name counts under the terminator.
  static std::size_t Slot(std::string_view name) {
    return name.empty() ? 0 : static_cast<unsigned char>(AsciiLower(name[0]));
  }
  std::array<std::uint32_t, 256> counts_{};
};

// ---- Chains of unit conversions ---------------------------------------------------

// One step of a chain of conversions: the row of the definition it uses,
// which way, and the unit it ends in.
struct ChainStep {
  TDefine* sheet = nullptr;
  int row = -1;
  bool reverse = false;
  std::string unit;

  bool operator==(const ChainStep&) const = default;
};
using ChainSteps = std::vector<ChainStep>;

// The chains that the search found, by pair of unit texts: the steps, or
// none when no chain joins the pair. Each holds while the store's
// generation is the one it was found in.
class ChainMemos {
 public:
  // Pairs kept at most; a full memo starts again empty.
  static constexpr std::size_t kLimit = 256;

  // False for a pair that was never kept: most pairs are told at the cost
  // of a few instructions, without a look into the table.
  bool MayHold(std::string_view from, std::string_view to) const {
    const std::size_t bit = FilterBit(from, to);
    return (filter_[bit / 64] >> (bit % 64) & 1) != 0;
  }
  // Whether a chain is kept for the pair in `generation`; `steps` is set
  // to it (null: none joins the pair).
  bool Find(std::string_view from, std::string_view to, std::uint64_t generation,
            std::shared_ptr<const ChainSteps>& steps);
  void Keep(std::string_view from, std::string_view to, std::uint64_t generation,
            std::shared_ptr<const ChainSteps> steps);

 private:
  struct Memo {
    std::uint64_t generation = 0;
    std::shared_ptr<const ChainSteps> steps;  // held while a conversion runs along them
  };
  // from, a NUL byte and to, in key_.
  const std::string& Key(std::string_view from, std::string_view to);
  static std::size_t FilterBit(std::string_view from, std::string_view to) {
    const auto second = [](std::string_view unit) {
      return unit.size() > 1 ? static_cast<unsigned char>(unit[1]) : 0u;
    };
    return (from.size() * 31 + to.size() * 7 + second(from) * 5 + second(to)) % kFilterBits;
  }

  static constexpr std::size_t kFilterBits = 256;
  std::unordered_map<std::string, Memo> byPair_;
  std::array<std::uint64_t, kFilterBits / 64> filter_{};  // the bits of the pairs kept
  std::string key_;
};

// ---- Analyses of statement texts -------------------------------------------------

// What the analysis of a variable statement's text found: the marks it
// read, its offsets and its length. The analysis of a statement that is not
// a procedure reads no further than the first ';' or terminator, so a text
// whose bytes up to there are the same has the same analysis.
struct Analysis {
  std::string bytes;  // the text up to and including the first ';' or terminator
  std::int32_t kind = 0;
  std::uint32_t marks = 0;
  std::array<std::int32_t, 9> offsets{};  // nameStart ... length, in Definition's order
  // A variable's right-hand side as plain-number trees (engine/number_form.h),
  // made when it is first evaluated; `formulaRefused`: the store's generation
  // in which it was found not to be held (0: never).
  std::shared_ptr<NumberForm> formula;
  std::uint64_t formulaRefused = 0;
};

class AnalysisMemos {
 public:
  // The analysis kept for the text at `text`, or none.
  Analysis* Find(const char* text) {
    Analysis& kept = slots_[Slot(text)];
    if (kept.bytes.empty() || std::strncmp(text, kept.bytes.c_str(), kept.bytes.size()) != 0) {
      return nullptr;
    }
    return &kept;
  }
  // Keeps `analysis` of the text at `text`.
  void Keep(const char* text, Analysis analysis) { slots_[Slot(text)] = std::move(analysis); }

 private:
  // By the first bytes (up to four, not past the terminator): a variable's
  // statement and its rewritten head ("s<s+i", "s<") take different slots.
  static std::size_t Slot(const char* text) {
    std::size_t hash = 0;
    for (int i = 0; i < 4 && text[i] != '\0'; ++i) {
      hash = hash * 31 + static_cast<unsigned char>(text[i]);
    }
    return hash % kSlots;
  }
  static constexpr std::size_t kSlots = 16;
  std::array<Analysis, kSlots> slots_;
};

// ---- The store's caches -----------------------------------------------------------

struct Caches {
  // The caches in use (CacheKind bits).
  std::uint32_t enabled = kAllCaches;
  bool On(CacheKind kind) const { return (enabled & kind) != 0; }

  // Counts the changes of what a name lookup can find: answers kept for
  // names (lookup slots, row memos, the names of body memos) hold while it
  // stays as it was.
  std::uint64_t generation = 1;
  // The store's answers for plain names, by a hash of the name.
  static constexpr std::size_t kLookups = 64;
  std::array<LookupMemo, kLookups> lookups;

  // The Format texts that value cells were shown in, each kept once for as
  // long as the store lives; `lastFormat` is the one last used.
  std::unordered_set<std::string> formats;
  const std::string* lastFormat = nullptr;
  // A definition that left its row with nobody else holding it, kept for
  // the next statement so that a loop does not allocate one on every pass.
  std::shared_ptr<Definition> spare;
  // The memo of the function body being read, or none.
  BodyMemo* body = nullptr;
  // The chains of unit conversions found, kept by generation.
  ChainMemos chains;
  // The statement texts analysed last. Only inside a loop, where statements
  // come again: `loops` counts the loops running.
  AnalysisMemos analyses;
  int loops = 0;
};

// A loop runs while this lives.
class RunningLoop {
 public:
  explicit RunningLoop(Caches& caches) : caches_(caches) { ++caches_.loops; }
  ~RunningLoop() { --caches_.loops; }
  RunningLoop(const RunningLoop&) = delete;
  RunningLoop& operator=(const RunningLoop&) = delete;

 private:
  Caches& caches_;
};

// The one way to void kept answers: the store's generation moves on, so
// that every answer kept for a name is asked again; with `rowsMoved`, that
// sheet's rows moved (inserted, deleted) and its index is made anew when
// next used.
void ForgetCaches(Caches& caches, SheetCache* rowsMoved = nullptr);
// The definition's text changed: what its body memo found is void.
inline void ForgetCaches(DefinitionCache& definition) {
  // Cleared, not freed: the body may be being read (a call that defines rows).
  if (definition.body) definition.body->Clear();
  definition.numbers.reset();
  definition.numbersRefused = 0;
  ++definition.version;
}

// A row of the sheet took a name (`before`: its old name, null when it held
// no definition): the generation moves on and the index follows the row.
void RowNamed(Caches& caches, SheetCache& sheet, std::size_t rowCount, int row,
              const std::string* before, const std::string& after);

// The helpers below run on every pass of a loop or call of a function:
// they are inline.

// The slot of the store's answer for a plain name.
inline LookupMemo& LookupSlot(Caches& caches, std::string_view name) {
  const auto first = static_cast<unsigned char>(name.front());
  const auto last = static_cast<unsigned char>(name.back());
  const std::size_t slot = (name.size() * 31 + first * 7 + last) % Caches::kLookups;
  return caches.lookups[slot];
}

// The Format text `format`, kept once.
const std::string* KeepFormat(Caches& caches, const std::string& format);
inline const std::string* InternFormat(Caches& caches, const std::string& format) {
  if (caches.lastFormat != nullptr && SameText(*caches.lastFormat, format) &&
      caches.On(kFormatCache)) {
    return caches.lastFormat;
  }
  return KeepFormat(caches, format);
}

// A definition joins a row of the sheet (it was in none): ForgetValues of
// the sheet reaches its value from now on.
inline void JoinSheet(const Caches& caches, SheetCache& sheet, DefinitionCache& definition) {
  assert(definition.forget == nullptr);  // a definition is held by one row at most
  if (!caches.On(kForgetCache)) return;
  definition.forget = &sheet.forget;
  definition.valueStamp = sheet.forget.any;
}
// ForgetValues of a sheet: with the cache on, the values take it in when
// read; the caller forgets them at once otherwise (false).
inline bool ForgetLater(const Caches& caches, SheetCache& sheet, bool includeVariables) {
  ForgetCounters& counters = sheet.forget;
  ++counters.any;
  if (includeVariables) counters.variables = counters.any;
  return caches.On(kForgetCache);
}

// The spare definition, or none; the caller makes it fresh.
inline std::shared_ptr<Definition> TakeSpare(Caches& caches) {
  std::shared_ptr<Definition> d = std::move(caches.spare);
  assert(!d || d.use_count() == 1);  // nobody else took hold of it meanwhile
  return d;
}
// Keeps `d` as the spare when nobody else holds it.
inline void KeepSpare(Caches& caches, std::shared_ptr<Definition>&& d) {
  if (d.use_count() == 1 && caches.On(kSpareCache)) caches.spare = std::move(d);
}

// The memo to read a function's body `text` with (made at the first call),
// or none with its caches off.
inline BodyMemo* BodyMemoFor(const Caches& caches, DefinitionCache& definition,
                             std::string_view text) {
  const bool walks = caches.On(kWalkCache);
  const bool names = caches.On(kNameCache);
  if (!walks && !names) return nullptr;
  if (!definition.body) definition.body = std::make_unique<BodyMemo>();
  definition.body->Describe(text, walks, names);
  return definition.body.get();
}

template <class NameOf>
void NameIndex::Rebuild(std::size_t rowCount, int first, int last, NameOf nameOf) {
  Clear();
  byName_.reserve(rowCount);
  for (int row = first; row <= last; ++row) {
    if (const std::string* name = nameOf(row)) Add(*name, row);
  }
  valid_ = true;
  rowCount_ = rowCount;
}

}  // namespace zemu
