// The prompt's line history and its file.
#include "console/line_history.h"

#include <cerrno>
#include <vector>

#include "base/encoding.h"
#include "base/scan.h"
#include "base/sjis_literal.h"
#include "host/context.h"
#include "platform/files.h"
#include "platform/history_lines.h"

namespace zemu {

namespace {

bool IsShiftJisName(std::string_view codeset) {
  for (std::string_view name :
       {"shift_jis", "shift-jis", "sjis", "cp932", "windows-31j", "ms_kanji", "csshiftjis"}) {
    if (AsciiLowerText(codeset) == name) return true;
  }
  return false;
}

}  // namespace

void LineHistory::Add(std::string line) {
  EndRecall();
  if (line.empty() || limit_ == 0) return;
  if (entries_.size() == limit_) entries_.pop_front();
  entries_.push_back(std::move(line));
}

std::string LineHistory::TextAt(std::size_t index) const {
  const auto edited = edits_.find(index);
  if (edited != edits_.end()) return edited->second;
  return index < entries_.size() ? entries_[index] : std::string();
}

void LineHistory::Remember(std::string_view shown) {
  if (shown_ < entries_.size() && shown == entries_[shown_]) {
    edits_.erase(shown_);
  } else {
    edits_[shown_] = std::string(shown);
  }
}

std::optional<std::string> LineHistory::Older(std::string_view shown) {
  if (!walking_) {
    walking_ = true;
    shown_ = entries_.size();
  }
  if (shown_ == 0) return std::nullopt;
  Remember(shown);
  return TextAt(--shown_);
}

std::optional<std::string> LineHistory::Newer(std::string_view shown) {
  if (!walking_ || shown_ >= entries_.size()) return std::nullopt;
  Remember(shown);
  return TextAt(++shown_);
}

void LineHistory::EndRecall() {
  walking_ = false;
  edits_.clear();
}

HistoryFile FindHistoryFile(const Context& ctx) {
  const HistoryPlace place = FindHistoryPlace();
  return {place.file, IsShiftJisName(ctx.files.nameCodeset), place.folder, place.error};
}

int LoadHistory(const HistoryFile& file, LineHistory& history) {
  if (file.path.empty()) return 0;
  std::vector<std::string> lines;
  const int error = ReadHistoryLines(file.path, lines);
  for (std::string& line : lines) {
    std::string sjis;
    if (file.shiftJis) {
      if (IsShiftJisText(line)) history.Add(std::move(line));
    } else if (Utf8ToSjis(line, sjis)) {
      history.Add(std::move(sjis));
    }
  }
  return error;
}

int AppendHistory(const HistoryFile& file, std::string_view line) {
  if (file.path.empty()) return 0;
  if (file.shiftJis) return AppendHistoryLine(file.path, line);
  std::string utf8;
  if (!SjisToUtf8(line, utf8)) return EILSEQ;
  return AppendHistoryLine(file.path, utf8);
}

std::string HistoryFaultLine(const Context& ctx, const HistoryFile& file, HistoryFault fault,
                             int error) {
  const std::string name =
      StatementName(ctx.files, fault == HistoryFault::Folder ? file.folder : file.path);
  switch (fault) {
    case HistoryFault::Folder:
      return "  ERROR: 履歴のフォルダ "_sj + name + " を作れません（"_sj + ErrorText(error) +
             "）。この実行の行は履歴に残りません。\r\n"_sj;
    case HistoryFault::Unreadable:
      return "  ERROR: 履歴ファイル "_sj + name + " を読めません（"_sj + ErrorText(error) +
             "）。前の実行の行は呼び出せません。\r\n"_sj;
    case HistoryFault::Unwritable:
      break;
  }
  return "  ERROR: 履歴ファイル "_sj + name + " に書き込めません（"_sj + ErrorText(error) +
         "）。この実行の行は履歴に残りません。\r\n"_sj;
}

}  // namespace zemu
