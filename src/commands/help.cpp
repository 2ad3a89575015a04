// The help viewer and the help-file index: reading a help file in pieces of
// at most 80 bytes, building and checking the appended keyword index, and the
// page loop that shows a topic, reads a key and moves to the next topic.
#include "commands/help.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>

#include "base/scan.h"
#include "base/sjis_literal.h"
#include "commands/dispatcher.h"
#include "host/context.h"
#include "host/guard.h"
#include "host/run.h"
#include "platform/files.h"

namespace zemu {

namespace {

// Help lines are read, shown and searched for keywords in pieces of this
// many bytes, the width help files are written for.
constexpr std::size_t kPieceSize = 80;
// The selection line with its continuation lines must fit this buffer.
constexpr std::size_t kSelectionSize = 2048;
// A statement on an "@>>" line is read up to the size of an input line.
constexpr std::size_t kStatementMax = kInputLineMax;
// While a long page is written, window events are delivered after this many
// lines, so that the run can still be paused or aborted.
constexpr int kLinesBetweenEvents = 64;

constexpr int kEscape = 27;
constexpr int kBackSpace = 8;
constexpr int kTab = 9;
constexpr int kSpace = 32;

constexpr std::string_view kIndexSeparator = "\x1A\n";
constexpr std::string_view kTopicMenu = "menu";

constexpr const char* kDialogTitle = "ZEMU ﾍﾙﾌﾟﾌｧｲﾙの検索"_sj;
constexpr const char* kDialogFilter = "ZEMU　ﾍﾙﾌﾟﾌｧｲﾙ(*.ZHP)|*.ZHP|全てのﾌｧｲﾙ(*.*)|*.*"_sj;
constexpr std::string_view kDefaultExtension = ".ZHP";

constexpr std::string_view kSeparatorLine =
    "=========================================================\r\n";
constexpr std::string_view kKeyGuide = "  ESC:終了 BS:前頁 TAB:目次 SPACE:検索語 "_sj;
constexpr std::string_view kSelectPrompt = "==Select==>? ";
constexpr std::string_view kClosingLine1 =
    "  ZEMU 2002 for Windows  Copyright (C) 2002 ZEMU開発グループ  無断転載を禁じます。\r\n"_sj;
constexpr std::string_view kClosingLine2 =
    "  Web: https://zemu.example/  Mail: support@zemu.example\r\n";

bool IsLead(char c) { return IsLeadByte(static_cast<unsigned char>(c)); }

// Offset of the first '@' of `text` that is a character of its own (a trail
// byte 0x40 is not one), or npos.
std::size_t FindAtSign(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); i += IsLead(text[i]) ? 2 : 1) {
    if (text[i] == '@') return i;
  }
  return std::string_view::npos;
}

bool IsEndTopic(std::string_view topic) { return topic == "終了"_sj || topic == "quit"; }
bool IsBackTopic(std::string_view topic) { return topic == "前頁"_sj || topic == "backpage"; }

// Reads a help file in pieces: a line of up to kPieceSize bytes, or the next
// kPieceSize bytes of a longer line. A double-byte character is never split
// between pieces; a CR before the LF is dropped. Reading stops at `limit`.
class HelpReader {
 public:
  explicit HelpReader(std::FILE* file, long limit = LONG_MAX) : file_(file), limit_(limit) {}

  // Moves to `offset`; the next piece counts as the start of a line.
  void Seek(long offset) {
    std::fseek(file_, offset, SEEK_SET);
    pos_ = offset;
    pushed_.clear();
    nextStartsLine_ = true;
  }

  // The next piece, without its line end. False at the end of the file when
  // nothing is left to read.
  bool ReadPiece(std::string& piece) {
    piece.clear();
    startsLine_ = nextStartsLine_;
    endsLine_ = false;
    offset_ = pos_;
    bool charStart = true;
    for (;;) {
      int c = Get();
      if (c == EOF) {
        if (pos_ == offset_) return false;
        endsLine_ = true;
        break;
      }
      if (c == '\n' || (c == '\r' && Peek() == '\n')) {
        if (c == '\r') Get();
        endsLine_ = true;
        break;
      }
      if (charStart && IsLead(static_cast<char>(c)) && piece.size() + 1 == kPieceSize) {
        Unget(c);  // the character goes whole into the next piece
        break;
      }
      piece.push_back(static_cast<char>(c));
      charStart = !(charStart && IsLead(static_cast<char>(c)));
      if (piece.size() == kPieceSize) {
        endsLine_ = TakeLineBreak();
        break;
      }
    }
    nextStartsLine_ = endsLine_;
    return true;
  }

  // Passes over the pieces that are left of the current line.
  void SkipRestOfLine() {
    std::string rest;
    while (!endsLine_ && ReadPiece(rest)) {
    }
  }

  bool StartsLine() const { return startsLine_; }  // the last piece began a line
  bool EndsLine() const { return endsLine_; }      // the last piece ended its line
  long PieceOffset() const { return offset_; }     // where the last piece began

 private:
  int Get() {
    if (!pushed_.empty()) {
      int c = static_cast<unsigned char>(pushed_.back());
      pushed_.pop_back();
      ++pos_;
      return c;
    }
    if (pos_ >= limit_) return EOF;
    int c = std::fgetc(file_);
    if (c != EOF) ++pos_;
    return c;
  }
  void Unget(int c) {
    if (c == EOF) return;
    pushed_.push_back(static_cast<char>(c));
    --pos_;
  }
  int Peek() {
    int c = Get();
    Unget(c);
    return c;
  }
  // A line break right after a full piece belongs to that piece.
  bool TakeLineBreak() {
    int c = Get();
    if (c == '\n') return true;
    if (c == '\r') {
      if (Peek() == '\n') {
        Get();
        return true;
      }
    }
    Unget(c);
    return c == EOF;
  }

  std::FILE* file_;
  long limit_;
  long pos_ = 0;
  std::string pushed_;  // bytes given back, the next one last
  bool nextStartsLine_ = true;
  bool startsLine_ = true;
  bool endsLine_ = false;
  long offset_ = 0;
};

long FileSize(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return -1;
  return std::ftell(file);
}

// Bytes [offset, offset + count) of the file, or fewer at its end.
std::string BytesAt(std::FILE* file, long offset, std::size_t count) {
  std::string bytes(count, '\0');
  if (offset < 0 || std::fseek(file, offset, SEEK_SET) != 0) return {};
  bytes.resize(std::fread(bytes.data(), 1, count, file));
  return bytes;
}

std::string FormatIndexLine(long offset, std::string_view keyword) {
  char number[32];
  std::snprintf(number, sizeof number, "%12ld ", offset);
  std::string line = number;
  line += keyword;
  line += '\n';
  return line;
}

// Where the index of a help file of `size` bytes starts, as its trailer
// says: 0 when the trailer is missing or does not point at an index of
// this file.
long IndexStart(std::FILE* file, long size) {
  if (size < kTrailerSize || std::fseek(file, size - kTrailerProbe, SEEK_SET) != 0) return 0;
  long start = 0;
  std::string keyword;
  if (ReadIndexLine(file, start, keyword) == 0 && keyword == kIndexMarker && start >= 2 &&
      start <= size - kTrailerSize && BytesAt(file, start - 2, 2) == kIndexSeparator) {
    return start;
  }
  return 0;
}

// The offset of the page of `topic` in a help file whose index starts at
// `indexStart`: the first index line with the topic as its keyword,
// provided it still points just after an "@@" that begins a line of the
// help text, or the index itself for the trailer's keyword.
bool LookUpTopic(std::FILE* file, long indexStart, std::string_view topic, long& offset) {
  if (topic.empty() || std::fseek(file, indexStart, SEEK_SET) != 0) return false;
  long found = 0;
  std::string keyword;
  bool hit = false;
  while (ReadIndexLine(file, found, keyword) == 0) {
    if (keyword == topic) {
      hit = true;
      break;
    }
  }
  if (!hit) return false;
  // The trailer is read like any index line: its topic shows the index.
  if (keyword == kIndexMarker && found == indexStart) {
    offset = found;
    return true;
  }
  if (found < 2 || found >= indexStart - 2) return false;
  bool lineStart = found == 2;
  std::string before = BytesAt(file, lineStart ? 0 : found - 3, lineStart ? 2 : 3);
  if (before != (lineStart ? "@@" : "\n@@")) return false;
  offset = found;
  return true;
}

// The state of one viewer call.
class HelpViewer {
 public:
  HelpViewer(Context& ctx, std::string_view fileName, std::string_view topic)
      : ctx_(ctx), fileName_(fileName), topic_(topic) {}

  void Run() {
    for (;;) {
      ChooseFile();
      if (!OpenFile() || !CheckIndex()) return;
      if (topic_.empty()) topic_ = kTopicMenu;
      if (!PageLoop()) return;
    }
  }

 private:
  enum class PageEnd { Selection, NoSelection, EndOfFile, Aborted };

  void Write(std::uint8_t channel, std::string_view text) { ScreenOut(ctx_, channel, text); }

  void WriteClosingLines() {
    Write(ChannelLine, kClosingLine1);
    Write(ChannelLine, kClosingLine2);
  }

  bool Aborted() const { return ctx_.runState == RunState::Aborted; }

  // "file@topic" names the file; an empty or wildcard name asks for one.
  void ChooseFile() {
    std::size_t at = FindAtSign(topic_);
    if (at != std::string::npos) {
      fileName_ = topic_.substr(0, at);
      topic_.erase(0, at + 1);
    }
    if (!fileName_.empty() && fileName_.find_first_of("*?") == std::string::npos) return;
    std::string filter = kDialogFilter;
    if (!fileName_.empty()) filter = fileName_ + "|" + fileName_ + "|" + filter;
    std::string chosen = ctx_.toolkit->OpenFileDialog({kDialogTitle, filter, "ZHP", fileName_});
    if (chosen.empty()) return;
    std::size_t base = chosen.find_last_of("/\\");
    base = base == std::string::npos ? 0 : base + 1;
    if (chosen.find('.', base) == std::string::npos) chosen += kDefaultExtension;
    fileName_ = chosen;
    if (ctx_.settings.echo) {
      Write(ChannelEcho, "M .Help \"" + fileName_ + "@" + topic_ + "\"\r\n");
    }
  }

  bool OpenFile() {
    file_.reset(fileName_.empty() ? nullptr
                                  : std::fopen(DiskName(ctx_.files, fileName_).c_str(), "rb"));
    if (file_) return true;
    Write(ChannelError, "  ## HELP用のファイル "_sj + fileName_ + " がありません。##\r\n"_sj);
    WriteClosingLines();
    return false;
  }

  // Takes the index from the trailer, or builds it when the trailer is
  // missing or does not point at an index of this file.
  bool CheckIndex() {
    long size = FileSize(file_.get());
    indexStart_ = IndexStart(file_.get(), size);
    return indexStart_ > 0 || BuildIndex(size);
  }

  // Appends the index to a file of `size` bytes that has none.
  bool BuildIndex(long size) {
    std::string lines = size > 0 ? BuildIndexLines(file_.get(), size) : std::string();
    if (lines.empty()) {
      // Nothing to index: not a help file, and it is left untouched.
      Write(ChannelError,
            "  ## ヘルプファイル（"_sj + fileName_ + "）には項目(@@)の行がありません。##\r\n"_sj);
      WriteClosingLines();
      return false;
    }
    Write(ChannelLine, "  ヘルプファイル（"_sj + fileName_ +
                           "）の索引を自動作成します。\r\n  しばらくおまちください。\r\n"_sj);
    file_.reset(std::fopen(DiskName(ctx_.files, fileName_).c_str(), "r+b"));
    if (!file_) {
      Write(ChannelError, "  ### ＨＥＬＰファイル は書き込み禁止になっています。##\r\n"_sj);
      WriteClosingLines();
      return false;
    }
    if (!WriteHelpIndex(ctx_, file_.get(), lines, indexStart_)) {
      const int error = errno;
      file_.reset();
      Write(ChannelError, "  ### ヘルプファイル "_sj + fileName_ + " に索引を書き込めません。("_sj +
                              ErrorText(error) + ") ##\r\n");
      WriteClosingLines();
      return false;
    }
    return true;
  }

  bool LookUp(const std::string& topic, long& offset) {
    return LookUpTopic(file_.get(), indexStart_, topic, offset);
  }

  // Returns true to start again with a topic that names another file.
  bool PageLoop() {
    for (;;) {
      if (IsEndTopic(topic_)) return false;
      if (!ShowTopic()) return false;
      Write(ChannelLine, kKeyGuide);
      Write(ChannelLine, kSelectPrompt);
      std::string answer;
      if (!ReadAnswer(answer)) return false;
      Write(ChannelData, answer);
      if (FindAtSign(topic_) != std::string::npos) return true;
    }
  }

  // Shows the page of the current topic, or says why there is none. False
  // when the run was aborted.
  bool ShowTopic() {
    PageHistory& history = ctx_.pageHistory;
    long offset = 0;
    if (IsBackTopic(topic_)) {
      if (history.count >= 2) {
        history.count -= 2;
        return ShowPage(history.offsets[static_cast<std::size_t>(history.count)]);
      }
      Write(ChannelError, "  ##前頁はありません。##\r\n"_sj);
      topic_ = kTopicMenu;
    }
    if (LookUp(topic_, offset)) return ShowPage(offset);
    Write(ChannelError, "  ##  \"" + topic_ + "\"についての解説はありません。##\r\n"_sj);
    if (topic_ != kTopicMenu) return true;
    Write(ChannelError, "  ## ヘルプファイルには目次(menu)のページが必要です。 ##\r\n"_sj);
    return ShowPage(0);
  }

  bool ShowPage(long offset) {
    RecordPage(ctx_.pageHistory, offset);
    Write(ChannelLine, kSeparatorLine);
    HelpReader reader(file_.get());
    reader.Seek(offset);
    std::string title;
    reader.ReadPiece(title);
    reader.SkipRestOfLine();
    Write(ChannelLine, title);
    Write(ChannelLine, "\r\n");
    Write(ChannelLine, "\r\n");
    std::string terminator;
    switch (ShowPageLines(reader, terminator)) {
      case PageEnd::Selection:
        ReadSelection(reader, terminator);
        Write(ChannelLine, selection_ + "\r\n");
        return true;
      case PageEnd::NoSelection:
      case PageEnd::EndOfFile:
        selection_.clear();
        return true;
      case PageEnd::Aborted:
        return false;
    }
    return true;
  }

  // Writes the page lines up to the page's end; `terminator` receives the
  // selection line when there is one.
  PageEnd ShowPageLines(HelpReader& reader, std::string& terminator) {
    std::string piece;
    int linesWritten = 0;
    while (reader.ReadPiece(piece)) {
      if (!reader.StartsLine() || piece.empty() || piece[0] != '@') {
        Write(ChannelLine, piece + "\r\n");
        if (++linesWritten % kLinesBetweenEvents == 0 && !DeliverEvents()) return PageEnd::Aborted;
        continue;
      }
      if (piece.size() == 1 && reader.EndsLine()) return PageEnd::NoSelection;
      if (piece[1] == ' ' || piece[1] == '\t') {
        terminator = piece;
        return PageEnd::Selection;
      }
      if (piece[1] == 'P') {
        reader.SkipRestOfLine();
        PageEnd end = PageEnd::NoSelection;
        if (!Pause(end)) return end;
      } else if (piece.compare(0, 3, "@>>") == 0) {
        if (!RunStatement(reader, piece.substr(3))) return PageEnd::Aborted;
      } else {
        reader.SkipRestOfLine();
      }
    }
    return PageEnd::EndOfFile;
  }

  bool DeliverEvents() {
    ctx_.toolkit->ProcessPendingEvents();
    if (WaitWhilePaused(ctx_) != RunState::Aborted) return true;
    ReportAbort(ctx_);
    return false;
  }

  // "@P": waits for a key. True when the page goes on; otherwise `end` says
  // how it ended (ESC, or an abort meanwhile).
  bool Pause(PageEnd& end) {
    Toolkit& toolkit = *ctx_.toolkit;
    toolkit.SetStatusLine(1, "ヘルプ表示が一時停止しています。"_sj);
    toolkit.SetStatusLine(2, "　　何かキーを押すと、続きを表示します。"_sj);
    toolkit.SetStatusLine(3, "　　ＥＳＣキーで、ヘルプ表示を終了します。"_sj);
    std::string key;
    if (!ReadKey(key)) {
      end = PageEnd::Aborted;
      return false;
    }
    end = PageEnd::NoSelection;
    return key != std::string(1, kEscape);
  }

  // "@>>": runs the rest of the line as statements.
  bool RunStatement(HelpReader& reader, std::string statement) {
    std::string piece;
    while (!reader.EndsLine() && reader.ReadPiece(piece)) {
      if (statement.size() < kStatementMax) statement += piece;
    }
    if (statement.size() > kStatementMax) statement.resize(kStatementMax);
    const char* cursor = statement.c_str();
    ExecuteStatements(ctx_, cursor);
    return !Aborted();
  }

  // The selection line, "@" made a blank, with the lines after it that begin
  // with "&" (made a blank too) on lines of their own.
  void ReadSelection(HelpReader& reader, std::string line) {
    line[0] = ' ';
    selection_ = line;
    std::string piece;
    while (reader.ReadPiece(piece)) {
      if (reader.StartsLine()) {
        if (piece.empty() || piece[0] != '&') break;
        piece[0] = ' ';
      }
      if (selection_.size() + 2 + piece.size() >= kSelectionSize) break;
      selection_ += "\r\n";
      selection_ += piece;
    }
  }

  // One key from the console: a single byte, or a double-byte character
  // typed as two keys, folded to its one-byte form where there is one. False
  // when the run was aborted meanwhile.
  bool ReadKey(std::string& key) {
    int c = WaitForTypedKey(ctx_);
    if (Aborted()) return false;
    if (c < 0) c = kEscape;  // no more input: leave the viewer
    if (IsLead(static_cast<char>(c))) {
      int trail = WaitForTypedKey(ctx_);
      if (Aborted()) return false;
      key = {static_cast<char>(c), static_cast<char>(trail & 0xFF)};
    } else {
      key = std::string(1, static_cast<char>(c));
      return true;
    }
    std::string folded = FoldWidth(key);
    if (folded == key) return true;  // no one-byte form: the character itself
    if (folded.size() == 2 && folded[0] == ' ' && folded[1] != ' ') folded.erase(0, 1);
    key = folded.substr(0, 1);
    return true;
  }

  // Waits for a key that chooses a topic; `answer` is what is echoed.
  bool ReadAnswer(std::string& answer) {
    for (;;) {
      std::string key;
      if (!ReadKey(key)) return false;
      if (key.size() == 1) {
        switch (key[0]) {
          case kEscape:
            answer = "ESC（終了）\n"_sj;
            topic_ = "終了"_sj;
            return true;
          case kBackSpace:
            answer = "BS（前頁）\n"_sj;
            topic_ = "前頁"_sj;
            return true;
          case kTab:
            answer = "TAB（menu）\n"_sj;
            topic_ = kTopicMenu;
            return true;
          case kSpace:
            topic_ = AskSearchWord();
            answer = "検索語入力("_sj + topic_ + ") \n";
            return true;
          default:
            break;
        }
      }
      if (FindChoice(key, topic_)) {
        answer = "(" + topic_ + ")";
        return true;
      }
    }
  }

  std::string AskSearchWord() {
    std::string word;
    if (!ctx_.toolkit->InputBox("ZEMU HELP", "検索語を入力して下さい。"_sj, word) || word.empty()) {
      return std::string(kTopicMenu);
    }
    return word;
  }

  // The first choice "X:topic" of the selection line, from its third byte,
  // whose X is the key (letters in either case).
  bool FindChoice(const std::string& key, std::string& topic) const {
    const std::string& line = selection_;
    std::size_t previous = std::string::npos;
    for (std::size_t i = 0; i < line.size(); i += IsLead(line[i]) ? 2 : 1) {
      if (line[i] == ':' && i >= 2 && previous != std::string::npos &&
          SameKey(std::string_view(line).substr(previous, i - previous), key)) {
        const char* cursor = line.c_str() + i + 1;
        topic = ReadWord(cursor);
        return true;
      }
      previous = i;
    }
    return false;
  }

  static bool SameKey(std::string_view written, std::string_view key) {
    if (written.size() != key.size()) return false;
    if (written.size() == 1) {
      return (written[0] & 0x80) == 0 ? AsciiLower(written[0]) == AsciiLower(key[0])
                                      : written == key;
    }
    return written == key;
  }

  Context& ctx_;
  std::string fileName_;
  std::string topic_;
  FileHandle file_;
  long indexStart_ = 0;
  std::string selection_;  // the last selection line shown; empty: no choices
};

}  // namespace

void RecordPage(PageHistory& history, long offset) {
  const int last = static_cast<int>(kPageHistorySize) - 1;
  history.count = std::clamp(history.count, 0, last);
  history.offsets[static_cast<std::size_t>(history.count)] = offset;
  if (history.count < last) {
    ++history.count;
  } else {
    for (std::size_t i = 0; i + 1 < kPageHistorySize; ++i)
      history.offsets[i] = history.offsets[i + 1];
  }
  history.offsets[static_cast<std::size_t>(history.count)] = 0;
}

void ShowHelp(Context& ctx, std::string_view fileName, std::string_view topic) {
  if (ctx.runState == RunState::Idle) {
    ctx.toolkit->SetStatusLine(1, "ZEMUの取り扱い説明を表示します。"_sj);
    ctx.toolkit->SetStatusLine(2, "> .help [[ファイル名@]表示項目];"_sj);
    ctx.toolkit->SetStatusLine(3, "");
    return;
  }
  if (ctx.pageHistory.count == 0) ctx.pageHistory.offsets[0] = 0;
  HelpViewer(ctx, fileName, topic).Run();
}

int ReadIndexLine(std::FILE* file, long& offset, std::string& keyword) {
  int c = std::fgetc(file);
  while (c == ' ') c = std::fgetc(file);
  long number = 0;
  keyword.clear();
  for (; c != ' '; c = std::fgetc(file)) {
    if (c == EOF) return -1;
    if (c == '\n') {
      offset = number;
      return 0;
    }
    if (c >= '0' && c <= '9' && number <= (LONG_MAX - 9) / 10) number = number * 10 + (c - '0');
  }
  offset = number;
  while ((c = std::fgetc(file)) != EOF && c != '\n') {
    if (keyword.size() < kKeywordMax) keyword.push_back(static_cast<char>(c));
  }
  return 0;
}

std::string WordAt(std::string_view line, std::size_t caret) {
  const std::string text(line);
  const char* const begin = text.c_str();
  const char* cursor = begin;
  while (*cursor != '\0' && static_cast<std::size_t>(cursor - begin) <= caret) {
    if (IsBlank(static_cast<unsigned char>(*cursor))) {
      ++cursor;
      continue;
    }
    const char* start = cursor;
    std::string word = ReadWord(cursor);
    if (cursor == start) {
      StepChar(cursor);  // a byte that begins no word
    } else if (caret <= static_cast<std::size_t>(cursor - begin) && !word.empty()) {
      return word;
    }
  }
  return {};
}

std::string NameAt(std::string_view line, std::size_t caret) {
  std::size_t start = 0;  // where the run of name characters at `at` began
  for (std::size_t at = 0;;) {
    const bool end = at >= line.size();
    const std::size_t step = !end && IsLead(line[at]) && at + 1 < line.size() ? 2 : 1;
    if (!end && IsNameChar(static_cast<unsigned char>(line[at]))) {
      at += step;
      continue;
    }
    if (start < at && start <= caret && caret <= at)
      return std::string(line.substr(start, at - start));
    if (end || at >= caret) return {};
    at += step;
    start = at;
  }
}

bool HelpHasTopic(Context& ctx, std::string_view fileName, std::string_view topic) {
  if (fileName.empty() || topic.empty() || fileName.find_first_of("*?") != std::string::npos) {
    return false;
  }
  const FileHandle file(std::fopen(DiskName(ctx.files, fileName).c_str(), "rb"));
  if (!file) return false;
  const long size = FileSize(file.get());
  long offset = 0;
  if (const long start = IndexStart(file.get(), size); start > 0) {
    return LookUpTopic(file.get(), start, topic, offset);
  }
  // Not indexed yet: the headers the index would be built from.
  const std::string lines = size > 0 ? BuildIndexLines(file.get(), size) : std::string();
  for (std::string_view rest = lines; !rest.empty();) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    const std::size_t blank = line.find(' ', line.find_first_not_of(' '));
    if (blank != std::string_view::npos && line.substr(blank + 1, kKeywordMax) == topic)
      return true;
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return false;
}

std::vector<std::string> HeaderKeywords(std::string_view header) {
  std::vector<std::string> keywords;
  std::string text(header);
  const char* cursor = text.c_str();
  for (;;) {
    SkipBlanks(cursor);
    if (*cursor == '\0') break;
    const char* start = cursor;
    std::string word = ReadWord(cursor);
    if (cursor == start) {
      StepChar(cursor);  // a byte that begins no keyword
      continue;
    }
    if (!word.empty() && word != "【"_sj && word != "】"_sj) keywords.push_back(std::move(word));
  }
  return keywords;
}

std::string BuildIndexLines(std::FILE* file, long textEnd) {
  std::string lines;
  HelpReader reader(file, textEnd);
  reader.Seek(0);
  std::string piece;
  while (reader.ReadPiece(piece)) {
    if (!reader.StartsLine() || piece.compare(0, 2, "@@") != 0) continue;
    for (const std::string& keyword : HeaderKeywords(std::string_view(piece).substr(2))) {
      lines += FormatIndexLine(reader.PieceOffset() + 2, keyword);
    }
  }
  return lines;
}

bool WriteHelpIndex(Context& ctx, std::FILE* file, const std::string& lines, long& indexStart) {
  // The stream hands over to its descriptor (positioned, nothing pending)
  // and takes over again after the write.
  const long size = FileSize(file);
  if (size < 0 || std::fflush(file) != 0) return false;
  const int fd = fileno(file);
  if (lseek(fd, size, SEEK_SET) != size) return false;
  indexStart = size + static_cast<long>(kIndexSeparator.size());
  std::string index(kIndexSeparator);
  index += lines;
  index += FormatIndexLine(indexStart, kIndexMarker);
  const bool written = WriteBytes(ctx.files, fd, index);
  if (!written) {
    const int error = errno;
    static_cast<void>(ftruncate(fd, size));
    errno = error;
  }
  std::fseek(file, 0, SEEK_SET);
  return written;
}

bool IndexHelpFile(Context& ctx, std::FILE* file, long& indexStart) {
  long size = FileSize(file);
  if (size < 0) return false;
  return WriteHelpIndex(ctx, file, BuildIndexLines(file, size), indexStart);
}

}  // namespace zemu
