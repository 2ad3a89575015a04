// The caches' upkeep: the switch, the name index, the invalidation and the
// small helpers that the store and the evaluator keep their caches with.
#include "cache/caches.h"

#include <algorithm>
#include <utility>

#include "base/scan.h"

namespace zemu {

namespace {

constexpr struct {
  std::string_view name;
  CacheKind kind;
} kCacheNames[] = {
    {"index", kIndexCache},       {"rowmemo", kRowMemoCache}, {"lookups", kLookupCache},
    {"walks", kWalkCache},        {"names", kNameCache},      {"text", kTextCache},
    {"forget", kForgetCache},     {"format", kFormatCache},   {"spare", kSpareCache},
    {"bindings", kBindingCache},  {"chains", kChainCache},    {"form", kFormCache},
    {"analyses", kAnalysisCache}, {"assign", kAssignCache},
};

}  // namespace

std::uint32_t CachesFromSetting(const char* setting) {
  if (setting == nullptr) return kAllCaches;
  const std::string_view text(setting);
  if (text.empty() || text == "on") return kAllCaches;
  if (text == "off") return 0;
  std::uint32_t enabled = kAllCaches;
  std::size_t from = 0;
  while (from <= text.size()) {
    std::size_t to = text.find(',', from);
    if (to == std::string_view::npos) to = text.size();
    const std::string_view word = text.substr(from, to - from);
    for (const auto& cache : kCacheNames) {
      if (cache.name == word) enabled &= ~static_cast<std::uint32_t>(cache.kind);
    }
    from = to + 1;
  }
  return enabled;
}

// ---- the name index ----------------------------------------------------------

void RowList::Insert(int row) {
  if (!heap_ && size_ < kInline) {
    auto at = std::upper_bound(inline_.begin(), inline_.begin() + size_, row);
    std::copy_backward(at, inline_.begin() + size_, inline_.begin() + size_ + 1);
    *at = row;
    ++size_;
    return;
  }
  if (!heap_) heap_ = std::make_unique<std::vector<int>>(inline_.begin(), inline_.begin() + size_);
  heap_->insert(std::upper_bound(heap_->begin(), heap_->end(), row), row);
}

bool RowList::Erase(int row) {
  if (heap_) {
    auto at = std::lower_bound(heap_->begin(), heap_->end(), row);
    if (at == heap_->end() || *at != row) return false;
    heap_->erase(at);
    return true;
  }
  auto end = inline_.begin() + size_;
  auto at = std::lower_bound(inline_.begin(), end, row);
  if (at == end || *at != row) return false;
  std::copy(at + 1, end, at);
  --size_;
  return true;
}

bool IsPlainName(std::string_view name) {
  if (name.empty() || HasWildcard(name)) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (!IsNameChar(c)) return false;
    if (IsLeadByte(c)) {
      if (i + 1 == name.size()) return false;
      ++i;
    }
  }
  return true;
}

// A probe that begins with a byte other than a wildcard matches a name that
// is not plain only when it begins with the same byte, and goes on with the
// same second byte unless either side has a wildcard there (a lead byte is
// compared with its trail byte, which is never a wildcard). So the key is
// the name's first byte ('?' for a wildcard) and, when a probe must have it
// there to match, its second byte (0 for any).
std::uint16_t NameIndex::OthersKey(std::string_view name) {
  const auto first = static_cast<unsigned char>(name[0]);
  if (IsWildcard(name[0])) return '?' << 8;
  const char second = name.size() >= 2 ? name[1] : '\0';
  return static_cast<std::uint16_t>(first << 8 |
                                    (IsWildcard(second) ? 0 : static_cast<unsigned char>(second)));
}

void NameIndex::Clear() {
  std::destroy_at(&byName_);
  names_.release();
  std::construct_at(&byName_, &names_);
  others_.clear();
  othersByFirstByte_.fill(0);
  valid_ = false;
}

void NameIndex::Add(const std::string& name, int row) {
  if (IsPlainName(name)) {
    byName_[name].Insert(row);
    return;
  }
  const std::uint16_t key = OthersKey(name);
  std::vector<int>& list = others_[key];
  list.insert(std::upper_bound(list.begin(), list.end(), row), row);
  ++othersByFirstByte_[key >> 8];
}

void NameIndex::Remove(std::string_view name, int row) {
  // The row is listed under its name: the index described the sheet when
  // the row took it.
  bool erased = false;
  if (IsPlainName(name)) {
    auto it = byName_.find(name);
    erased = it != byName_.end() && it->second.Erase(row);
  } else {
    const std::uint16_t key = OthersKey(name);
    auto it = others_.find(key);
    if (it != others_.end()) {
      std::vector<int>& list = it->second;
      auto at = std::lower_bound(list.begin(), list.end(), row);
      if (at != list.end() && *at == row) {
        list.erase(at);
        --othersByFirstByte_[key >> 8];
        erased = true;
      }
    }
  }
  assert(erased);
  static_cast<void>(erased);
}

std::span<const int> NameIndex::PlainRows(std::string_view name) const {
  auto it = byName_.find(name);
  if (it == byName_.end()) return {};
  return {it->second.data(), it->second.size()};
}

std::span<const int> NameIndex::OtherRows(std::uint16_t key) const {
  auto it = others_.find(key);
  if (it == others_.end()) return {};
  return it->second;
}

// ---- per definition ---------------------------------------------------------------

bool WritePendingText(DefinitionCache& cache, std::string& text, std::string_view commentGap) {
  if (!cache.textPending) return false;
  cache.textPending = false;
  text += ValueFullText(cache.pendingValue);
  if (!cache.pendingComment.empty()) {
    text += commentGap;
    text += cache.pendingComment;
  }
  return true;
}

// ---- chains of unit conversions ---------------------------------------------------

const std::string& ChainMemos::Key(std::string_view from, std::string_view to) {
  key_.assign(from);
  key_ += '\0';
  key_ += to;
  return key_;
}

bool ChainMemos::Find(std::string_view from, std::string_view to, std::uint64_t generation,
                      std::shared_ptr<const ChainSteps>& steps) {
  if (!MayHold(from, to)) return false;
  auto it = byPair_.find(Key(from, to));
  if (it == byPair_.end() || it->second.generation != generation) return false;
  steps = it->second.steps;
  return true;
}

void ChainMemos::Keep(std::string_view from, std::string_view to, std::uint64_t generation,
                      std::shared_ptr<const ChainSteps> steps) {
  if (byPair_.size() >= kLimit) {
    byPair_.clear();
    filter_.fill(0);
  }
  byPair_[Key(from, to)] = Memo{generation, std::move(steps)};
  const std::size_t bit = FilterBit(from, to);
  filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
}

// ---- the store's caches -------------------------------------------------------------

void ForgetCaches(Caches& caches, SheetCache* rowsMoved) {
  ++caches.generation;
  if (rowsMoved != nullptr) rowsMoved->index.Invalidate();
}

void RowNamed(Caches& caches, SheetCache& sheet, std::size_t rowCount, int row,
              const std::string* before, const std::string& after) {
  ForgetCaches(caches);
  NameIndex& index = sheet.index;
  if (!index.Describes(rowCount)) return;
  if (before != nullptr && !before->empty()) index.Remove(*before, row);
  if (!after.empty()) index.Add(after, row);
}

const std::string* KeepFormat(Caches& caches, const std::string& format) {
  caches.lastFormat = &*caches.formats.insert(format).first;
  return caches.lastFormat;
}

}  // namespace zemu
