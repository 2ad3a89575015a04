// Tests of the help viewer: the index bytes it appends, the page transcripts
// it writes, key sequences through the scripted toolkit, its messages for
// files it cannot use, and the help file that ships with the program.
#include "commands/help.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/scan.h"
#include "base/sjis_literal.h"
#include "host/context.h"
#include "support/scratch_folder.h"
#include "support/scripted_toolkit.h"

namespace zemu {
namespace {

const std::string kSeparator = "=========================================================\r\n";
const std::string kGuide = "  ESC:終了 BS:前頁 TAB:目次 SPACE:検索語 \r\n==Select==>? "_sj;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Lines(std::initializer_list<const char*> lines, const char* end = "\n") {
  std::string text;
  for (const char* line : lines) text += std::string(line) + end;
  return text;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string IndexLine(long offset, const std::string& keyword) {
  char number[32];
  std::snprintf(number, sizeof number, "%12ld ", offset);
  return number + keyword + "\n";
}

// A small help file: a contents page and two topics.
const std::string kSample = Lines({
    "@@menu 目次"_sj,
    "sample help",
    "@ A:abs B:acos",
    "& Q:quit",
    "@@abs 絶対値"_sj,
    "abs page",
    "@ M:menu B:acos",
    "@@acos",
    "acos page",
    "@ M:menu A:abs",
});

class HelpTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return scratch_ / name; }

  // Writes a help file with its index already appended.
  std::string IndexedFile(const std::string& name, const std::string& text) {
    std::string path = Path(name);
    WriteFile(path, text);
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    long start = 0;
    EXPECT_TRUE(IndexHelpFile(ctx_, file, start));
    std::fclose(file);
    return path;
  }

  void ClearConsole() {
    ctx_.output = OutputState{};
    ctx_.console.screen->SetText("");
  }

  void Keys(std::initializer_list<int> keys) { toolkit_.keys.assign(keys); }

  std::string Show(const std::string& file, const std::string& topic = "") {
    ShowHelp(ctx_, file, topic);
    return ScreenText(ctx_);
  }

  ScratchFolder scratch_;
  const std::string dir_ = scratch_.path();
  ScriptedToolkit toolkit_;
  Context ctx_{&toolkit_};
};

TEST(HelpIndex, HeaderKeywords) {
  struct Case {
    const char* header;
    std::vector<std::string> keywords;
  };
  const Case cases[] = {
      {"menu 目次"_sj, {"menu", "目次"_sj}},
      {"【 abs 】 絶対値"_sj, {"abs", "絶対値"_sj}},
      {"【abs】"_sj, {"【abs】"_sj}},
      {"\"a b\" 'c d' \"open", {"a b", "c d", "open"}},
      {"12abc x1 (y) .for set.echo a\\b", {"abc", "x1", "y", ".for", "set.echo", "a\\b"}},
      {"ソ表 ｶﾅ\r"_sj, {"ソ表"_sj, "ｶﾅ"_sj}},
      {"\"\" 123 + -", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    EXPECT_EQ(HeaderKeywords(c.header), c.keywords);
  }
}

TEST(HelpIndex, ReadIndexLine) {
  struct Case {
    std::string bytes;
    int result;
    long offset;
    std::string keyword;
    std::string rest;  // what the next read starts with
  };
  const Case cases[] = {
      {"         102 menu\nX", 0, 102, "menu", "X"},
      {"  12a3 key word\n", 0, 123, "key word", ""},
      {"1 x", 0, 1, "x", ""},
      {"abc\nX", 0, 0, "", "X"},
      {"  123", -1, 0, "", ""},
      {"", -1, 0, "", ""},
      {"5 " + std::string(100, 'k') + "\nX", 0, 5, std::string(kKeywordMax, 'k'), "X"},
      {"99999999999999999999999 big\n", 0, 999999999999999999, "big", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    std::FILE* file = std::tmpfile();
    std::fwrite(c.bytes.data(), 1, c.bytes.size(), file);
    std::rewind(file);
    long offset = 0;
    std::string keyword;
    EXPECT_EQ(ReadIndexLine(file, offset, keyword), c.result);
    if (c.result == 0) {
      EXPECT_EQ(offset, c.offset);
      EXPECT_EQ(keyword, c.keyword);
      char rest[8] = {};
      std::fread(rest, 1, sizeof rest - 1, file);
      EXPECT_EQ(std::string(rest), c.rest);
    }
    std::fclose(file);
  }
}

TEST(HelpIndex, HistoryDropsTheOldestPage) {
  PageHistory history;
  for (long page = 0; page < 25; ++page) RecordPage(history, 1000 + page);
  EXPECT_EQ(history.count, 19);
  for (int i = 0; i < 19; ++i) EXPECT_EQ(history.offsets[i], 1006 + i) << i;
  EXPECT_EQ(history.offsets[19], 0);
}

// The viewer remembers the pages before the current one in its 20 places:
// nineteen of them, and the next page drops the oldest.
TEST(HelpIndex, HistoryAtItsSizeAndOnePast) {
  const struct {
    long pages;
    long oldest, newest;
  } cases[] = {{kPageHistorySize - 1, 1000, 1018}, {kPageHistorySize, 1001, 1019}};
  for (const auto& c : cases) {
    PageHistory history;
    for (long page = 0; page < c.pages; ++page) RecordPage(history, 1000 + page);
    EXPECT_EQ(history.count, 19) << c.pages;
    EXPECT_EQ(history.offsets[0], c.oldest) << c.pages;
    EXPECT_EQ(history.offsets[18], c.newest) << c.pages;
    EXPECT_EQ(history.offsets[19], 0) << c.pages;
  }
}

TEST_F(HelpTest, FirstUseAppendsTheIndexAndSecondUseWritesNothing) {
  std::string text = std::string(99, 'x') + "\n@@menu 目次\n"_sj + "page\n@\n";
  std::string path = Path("a.ZHP");
  WriteFile(path, text);
  std::string screen = Show(path);
  EXPECT_NE(screen.find("  ヘルプファイル（"_sj + path +
                        "）の索引を自動作成します。\r\n  しばらくおまちください。\r\n"_sj),
            std::string::npos);
  long start = static_cast<long>(text.size()) + 2;
  std::string expected = text + "\x1A\n" + IndexLine(102, "menu") + IndexLine(102, "目次"_sj) +
                         IndexLine(start, "ZEMUHELPindexed");
  ASSERT_EQ(ReadFile(path), expected);
  EXPECT_EQ(IndexLine(start, "ZEMUHELPindexed").size(), static_cast<std::size_t>(kTrailerSize));
  EXPECT_NE(screen.find(kSeparator + "menu 目次\r\n\r\n\r\npage\r\n"_sj), std::string::npos);

  ClearConsole();
  screen = Show(path);
  EXPECT_EQ(screen.find("索引"_sj), std::string::npos);
  EXPECT_EQ(ReadFile(path), expected);
}

// The word under the caret, as a header names a topic; the caret inside
// the word or just after it, never past a blank or a bracket.
TEST(HelpWord, WordAtTheCaret) {
  const struct {
    std::string line;
    std::size_t caret;
    std::string word;
  } cases[] = {
      {"> x=sin(1);", 4, "sin"},     {"> x=sin(1);", 7, "sin"},  {"> x=sin(1);", 8, ""},
      {"> .set echo", 3, ".set"},    {"> .set echo", 7, "echo"}, {"> 1+2", 3, ""},
      {"> 表ｿ+abs"_sj, 4, "表ｿ"_sj}, {"> 表ｿ+abs"_sj, 9, "abs"}, {"  ", 1, ""},
      {"> a/b:c", 5, "a/b:c"},
  };
  for (const auto& c : cases) EXPECT_EQ(WordAt(c.line, c.caret), c.word) << c.line << c.caret;
  const struct {
    std::string line;
    std::size_t caret;
    std::string name;
  } names[] = {
      {"> x/sin(1)", 5, "sin"},
      {"> x/sin(1)", 4, "sin"},
      {"> x/sin(1)", 3, "x"},
      {"> .set", 6, "set"},
      {"1/単位"_sj, 6, "単位"_sj},
      {"> (表)"_sj, 5, "表"_sj},
      {"> ;", 3, ""},
      {"", 0, ""},
  };
  for (const auto& c : names) EXPECT_EQ(NameAt(c.line, c.caret), c.name) << c.line << c.caret;
}

// A topic is found in an indexed file and in one not indexed yet, which
// the look-up leaves as it was.
TEST_F(HelpTest, HasTopicReadsTheIndexOrTheHeaders) {
  const std::string indexed = IndexedFile("i.ZHP", kSample);
  const std::string plain = Path("p.ZHP");
  WriteFile(plain, kSample);
  for (const std::string& path : {indexed, plain}) {
    for (const std::string& topic :
         {std::string("abs"), std::string("絶対値"_sj), std::string("acos")}) {
      EXPECT_TRUE(HelpHasTopic(ctx_, path, topic)) << path << topic;
    }
    for (const char* topic : {"ab", "page", "sample", "quit"}) {
      EXPECT_FALSE(HelpHasTopic(ctx_, path, topic)) << path << topic;
    }
  }
  EXPECT_EQ(ReadFile(plain), kSample);
  EXPECT_FALSE(HelpHasTopic(ctx_, Path("missing.ZHP"), "abs"));
  EXPECT_FALSE(HelpHasTopic(ctx_, Path("*.ZHP"), "abs"));
}

TEST_F(HelpTest, PageTranscript) {
  std::string path = IndexedFile("s.ZHP", kSample);
  EXPECT_EQ(Show(path), kSeparator + "menu 目次\r\n\r\n\r\nsample help\r\n"_sj +
                            "  A:abs B:acos\r\n  Q:quit\r\n" + kGuide + "ESC（終了）\n"_sj);
}

TEST_F(HelpTest, KeySequences) {
  struct Case {
    const char* name;
    std::vector<int> keys;
    std::vector<std::optional<std::string>> inputs;
    std::vector<std::string> shown;  // in this order
    std::size_t keysLeft = 0;
  };
  const Case cases[] = {
      {"lower-case choice", {'a'}, {}, {"(abs)", "abs page"}},
      {"upper-case choice", {'A', 'B'}, {}, {"(abs)", "abs page", "(acos)", "acos page"}},
      {"unknown key ignored", {'D', 'b'}, {}, {"(acos)"}},
      {"quit ends the viewer", {'q', 'a'}, {}, {"(quit)"}, 1},
      {"full-width letter", {0x82, 0x60}, {}, {"(abs)", "abs page"}},
      {"full-width space", {0x81, 0x40}, {"acos"}, {"検索語入力(acos) \n"_sj, "acos page"}},
      {"tab to contents",
       {'a', '\t'},
       {},
       {"(abs)", "abs page", "TAB（menu）\n"_sj, "sample help"}},
      {"back", {'a', 8}, {}, {"abs page", "BS（前頁）\n"_sj, "sample help"}},
      {"search word", {' '}, {"abs"}, {"検索語入力(abs) \n"_sj, "abs page"}},
      {"search cancelled", {' '}, {std::nullopt}, {"検索語入力(menu) \n"_sj, "sample help"}},
      {"search empty", {' '}, {""}, {"検索語入力(menu) \n"_sj, "sample help"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    ClearConsole();
    ctx_.pageHistory = PageHistory{};
    std::string path = IndexedFile("s.ZHP", kSample);
    toolkit_.keys.assign(c.keys.begin(), c.keys.end());
    toolkit_.inputs.assign(c.inputs.begin(), c.inputs.end());
    std::string screen = Show(path);
    std::size_t at = 0;
    for (const std::string& text : c.shown) {
      at = screen.find(text, at);
      ASSERT_NE(at, std::string::npos) << text << "\n" << screen;
    }
    EXPECT_EQ(toolkit_.keys.size(), c.keysLeft);
  }
}

TEST_F(HelpTest, UnknownKeyLeavesTheSelection) {
  std::string path = IndexedFile("s.ZHP", kSample);
  Keys({'z', 'x', 'a'});
  std::string screen = Show(path);
  EXPECT_EQ(Count(screen, kSeparator), 2u);
  EXPECT_NE(screen.find("==Select==>? (abs)"), std::string::npos);
}

TEST_F(HelpTest, BackSpaceWalksTheHistory) {
  std::string path = IndexedFile("s.ZHP", kSample);
  // 25 pages: the contents page, then abs and acos in turn.
  std::vector<int> keys;
  for (int i = 0; i < 24; ++i) keys.push_back(i % 2 == 0 ? 'a' : 'b');
  keys.insert(keys.end(), 19, 8);
  toolkit_.keys.assign(keys.begin(), keys.end());
  std::string screen = Show(path);
  EXPECT_EQ(Count(screen, kSeparator), 25u + 18u + 1u);
  EXPECT_EQ(Count(screen, "  ##前頁はありません。##\r\n"_sj), 1u);
  // The last page shown is the contents page, after the message.
  EXPECT_NE(screen.rfind("sample help"), std::string::npos);
  EXPECT_GT(screen.rfind("sample help"), screen.find("前頁はありません"_sj));
}

TEST_F(HelpTest, BackSpaceOnTheFirstPage) {
  std::string path = IndexedFile("s.ZHP", kSample);
  Keys({8});
  std::string screen = Show(path);
  EXPECT_NE(
      screen.find("BS（前頁）\n\r\n  ##前頁はありません。##\r\n"_sj + kSeparator + "menu 目次"_sj),
      std::string::npos)
      << screen;
}

TEST_F(HelpTest, HistoryOutlivesTheCall) {
  std::string path = IndexedFile("s.ZHP", kSample);
  Keys({'a'});
  Show(path);
  ClearConsole();
  Keys({8});
  std::string screen = Show(path, "acos");
  EXPECT_NE(screen.find("acos page"), std::string::npos);
  EXPECT_GT(screen.rfind("abs page"), screen.find("acos page"));
}

TEST_F(HelpTest, ControlLines) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<int> keys;
    std::vector<std::string> shown;
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {"statement between lines",
       Lines({"@@menu", "before", "@>>1+2", "after", "@ "}),
       {},
       {"before\r\n  1+2=3  \r\nafter\r\n"},
       {"@>>"}},
      {"skipped lines",
       Lines({"@@menu", "one", "@* note", "@@next topic", "@x", "two", "@ "}),
       {},
       {"one\r\ntwo\r\n"},
       {"note", "next topic", "@x"}},
      {"bare @ with CR LF ends the page",
       Lines({"@@menu", "one", "@", "two"}, "\r\n"),
       {},
       {"one\r\n"},
       {"two"}},
      {"bare @", Lines({"@@menu", "one", "@", "two"}), {}, {"one\r\n  ESC"}, {"two"}},
      {"pause and go on",
       Lines({"@@menu", "one", "@P", "two", "@ A:x"}),
       {'k'},
       {"one\r\ntwo\r\n  A:x"},
       {}},
      {"pause and escape",
       Lines({"@@menu", "one", "@P", "two", "@ A:menu"}),
       {27, 'a'},
       {"one\r\n  ESC"},
       {"two", "(menu)"}},
      {"page running to the end of the file, index included",
       Lines({"@@menu", "one", "A:menu"}),
       {'a'},
       {"A:menu\r\n\x1A\r\n           2 menu\r\n", "ZEMUHELPindexed\r\n  ESC"},
       {"(menu)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearConsole();
    std::string path = IndexedFile(std::string("c") + std::to_string(&c - cases) + ".ZHP", c.text);
    toolkit_.keys.assign(c.keys.begin(), c.keys.end());
    std::string screen = Show(path);
    for (const std::string& text : c.shown)
      EXPECT_NE(screen.find(text), std::string::npos) << text << "\n" << screen;
    for (const std::string& text : c.absent)
      EXPECT_EQ(screen.find(text), std::string::npos) << text << "\n" << screen;
    EXPECT_TRUE(toolkit_.keys.empty());
  }
}

TEST_F(HelpTest, PauseShowsItsStatusLines) {
  std::string path = IndexedFile("p.ZHP", Lines({"@@menu", "@P", "@ "}));
  Keys({'x'});
  Show(path);
  EXPECT_EQ(toolkit_.statusLines[0], "ヘルプ表示が一時停止しています。"_sj);
  EXPECT_EQ(toolkit_.statusLines[1], "　　何かキーを押すと、続きを表示します。"_sj);
  EXPECT_EQ(toolkit_.statusLines[2], "　　ＥＳＣキーで、ヘルプ表示を終了します。"_sj);
}

TEST_F(HelpTest, LongLinesAreShownInPieces) {
  // 79 bytes and then 表 (whose second byte is "\"): the character moves whole
  // into the second piece.
  std::string longLine = std::string(79, 'a') + "\x95\x5c" + "tail";
  std::string path =
      IndexedFile("l.ZHP", "@@menu\n" + longLine + "\n" + std::string(80, 'b') + "\n@ A:x\n");
  std::string screen = Show(path);
  EXPECT_NE(screen.find("\r\n" + std::string(79, 'a') + "\r\n\x95\x5ctail\r\n" +
                        std::string(80, 'b') + "\r\n  A:x\r\n"),
            std::string::npos)
      << screen;
}

// A page's title is the first 80 bytes after its "@@"; the rest of the
// header line is not shown, and a double-byte character is not split.
TEST_F(HelpTest, TitleAtEightyBytesAndOnePast) {
  const std::string title = "menu " + std::string(75, 't');  // 80 bytes
  const struct {
    std::string header;
    std::string shown;
  } cases[] = {{title, title},
               {title + "u", title},
               {title.substr(0, 79) + "\x95\x5c", title.substr(0, 79)}};
  for (const auto& c : cases) {
    ClearConsole();
    const std::string screen = Show(IndexedFile("t.ZHP", "@@" + c.header + "\nbody\n@ \n"));
    EXPECT_NE(screen.find(kSeparator + c.shown + "\r\n\r\n\r\nbody\r\n"), std::string::npos)
        << screen;
  }
}

TEST_F(HelpTest, LineOfMegabytes) {
  std::string huge(80 * 13107 + 7, 'h');
  std::string path = IndexedFile("h.ZHP", "@@menu " + huge + "\n" + huge + "\n@ A:x\n");
  std::string screen = Show(path);
  EXPECT_NE(screen.find(std::string(80, 'h') + "\r\n" + std::string(80, 'h') + "\r\n"),
            std::string::npos);
  EXPECT_NE(screen.find("\r\nhhhhhhh\r\n  A:x\r\n" + kGuide), std::string::npos);
  EXPECT_LE(screen.size(), kScreenCap + 200);
}

TEST_F(HelpTest, Failures) {
  std::string path = IndexedFile("s.ZHP", kSample);
  std::string screen = Show(Path("none.ZHP"));
  EXPECT_EQ(
      screen.find("  ## HELP用のファイル "_sj + Path("none.ZHP") + " がありません。##\r\n"_sj), 0u);
  EXPECT_EQ(Count(screen, "\r\n"), 3u);  // the message and the two closing lines

  ClearConsole();
  Keys({' '});
  toolkit_.inputs = {std::string("Menu")};
  screen = Show(path);
  EXPECT_NE(screen.find("  ##  \"Menu\"についての解説はありません。##\r\n"_sj + kGuide),
            std::string::npos)
      << screen;
  EXPECT_EQ(Count(screen, kSeparator), 1u);
}

TEST_F(HelpTest, FileWithoutContentsPage) {
  std::string path = IndexedFile("n.ZHP", Lines({"first line", "@@abs", "abs page", "@ A:abs"}));
  Keys({'a'});
  std::string screen = Show(path);
  EXPECT_EQ(screen.find("  ##  \"menu\"についての解説はありません。##\r\n"_sj
                        "  ## ヘルプファイルには目次(menu)のページが必要です。 ##\r\n"_sj +
                        kSeparator + "first line\r\n\r\n\r\nabs page\r\n  A:abs"),
            0u)
      << screen;
  EXPECT_NE(screen.find("(abs)\r\n" + kSeparator + "abs\r\n"), std::string::npos) << screen;
}

TEST_F(HelpTest, FilesThatAreNoHelpFilesAreLeftAlone) {
  const std::string texts[] = {"", std::string("\0\x01\x02\xff\x1a\n", 6) + "@ A:x\n",
                               "just text\n@\n"};
  for (const std::string& text : texts) {
    ClearConsole();
    std::string path = Path("bin.ZHP");
    WriteFile(path, text);
    std::string screen = Show(path);
    EXPECT_EQ(ReadFile(path), text);
    EXPECT_EQ(screen.find("  ## ヘルプファイル（"_sj + path +
                          "）には項目(@@)の行がありません。##\r\n"_sj),
              0u)
        << screen;
  }
}

TEST_F(HelpTest, DamagedIndexes) {
  std::string text = Lines({"@@menu", "contents", "@ A:abs", "@@abs", "abs page", "@ "});
  struct Case {
    const char* name;
    std::string index;  // appended to the text
    bool reindexed;     // a new index is appended
  };
  const Case cases[] = {
      {"trailer points past the end", "\x1A\n" + IndexLine(999999, "ZEMUHELPindexed"), true},
      {"trailer points into the text", "\x1A\n" + IndexLine(3, "ZEMUHELPindexed"), true},
      {"marker damaged", "\x1A\n" + IndexLine(0, "ZEMUHELPindexes"), true},
      {"offsets past the end",
       "\x1A\n" + IndexLine(99999, "menu") + IndexLine(99999, "abs") +
           IndexLine(static_cast<long>(text.size()) + 2, "ZEMUHELPindexed"),
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearConsole();
    std::string path = Path("d.ZHP");
    WriteFile(path, text + c.index);
    Keys({'a'});
    std::string screen = Show(path);
    std::string after = ReadFile(path);
    if (c.reindexed) {
      EXPECT_NE(screen.find("索引を自動作成します"_sj), std::string::npos);
      EXPECT_TRUE(after.starts_with(text + c.index));
      EXPECT_NE(screen.find("contents"), std::string::npos);
      EXPECT_NE(screen.find("abs page"), std::string::npos);
    } else {
      EXPECT_EQ(after, text + c.index);
      EXPECT_NE(screen.find("\"menu\"についての解説はありません。"_sj), std::string::npos);
      EXPECT_NE(screen.find("\"abs\"についての解説はありません。"_sj), std::string::npos) << screen;
    }
  }
}

TEST_F(HelpTest, ReadOnlyFileCannotBeIndexed) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
  std::string path = Path("ro.ZHP");
  WriteFile(path, kSample);
  chmod(path.c_str(), 0444);
  std::string screen = Show(path);
  EXPECT_NE(screen.find("しばらくおまちください。\r\n"_sj
                        "  ### ＨＥＬＰファイル は書き込み禁止になっています。##\r\n"_sj),
            std::string::npos);
  EXPECT_EQ(ReadFile(path), kSample);
  EXPECT_EQ(screen.find(kSeparator), std::string::npos);
}

// A disk that runs full while the index is appended: the file is cut back
// to exactly what it was, every try, and the message gives the reason.
TEST_F(HelpTest, IndexThatCannotBeWrittenLeavesTheFileAsItWas) {
  const std::string path = Path("full.ZHP");
  WriteFile(path, kSample);
  const struct {
    std::size_t budget;
    int error;
    const char* reason;
  } cases[] = {{0, ENOSPC, "No space left on device"},
               {1, ENOSPC, "No space left on device"},
               {40, EDQUOT, "Disk quota exceeded"}};
  for (const auto& c : cases) {
    for (int attempt = 1; attempt <= 2; ++attempt) {
      SCOPED_TRACE(std::to_string(c.budget) + " bytes, try " + std::to_string(attempt));
      ClearConsole();
      ctx_.files.writeBudget = c.budget;
      ctx_.files.writeError = c.error;
      const std::string screen = Show(path);
      EXPECT_EQ(ReadFile(path), kSample);
      EXPECT_NE(screen.find("しばらくおまちください。\r\n  ### ヘルプファイル "_sj + path +
                            " に索引を書き込めません。("_sj + c.reason + ") ##\r\n" +
                            "  ZEMU 2002 for Windows"),
                std::string::npos)
          << screen;
      EXPECT_EQ(screen.find("書き込み禁止"_sj), std::string::npos);
      EXPECT_EQ(screen.find(kSeparator), std::string::npos);
    }
  }
  // With room on the disk the index is written after all.
  ClearConsole();
  ctx_.files.writeBudget = std::numeric_limits<std::size_t>::max();
  EXPECT_NE(Show(path).find("sample help"), std::string::npos);
  EXPECT_TRUE(ReadFile(path).starts_with(kSample + "\x1A\n"));
}

// The help file name is Shift-JIS, as every name in the settings; the disk
// spells it in UTF-8.
TEST_F(HelpTest, FileNamedInShiftJisIsFoundAndIndexedOnDisk) {
  ctx_.files.nameCodeset = "UTF-8";
  WriteFile(Path("\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97.ZHP"), kSample);  // ヘルプ.ZHP
  const std::string screen = Show(Path("ヘルプ.ZHP"_sj));
  EXPECT_NE(screen.find("sample help"), std::string::npos) << screen;
  EXPECT_NE(ReadFile(Path("\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97.ZHP")).find(kIndexMarker),
            std::string::npos);
}

TEST_F(HelpTest, OtherFileNamedInTheTopic) {
  std::string main = IndexedFile("s.ZHP", kSample);
  std::string other =
      IndexedFile("other.ZHP", Lines({"@@menu", "other menu", "@ ", "@@abs", "other abs", "@ "}));
  ctx_.settings.helpFileName = main;
  std::string screen = Show(main, other + "@abs");
  EXPECT_NE(screen.find("other abs"), std::string::npos);
  EXPECT_EQ(ctx_.settings.helpFileName, main);

  // A choice naming file@topic switches files; the new name stays for the call.
  ClearConsole();
  std::string jump = IndexedFile("j.ZHP", "@@menu\njump page\n@ A:\"" + other + "@abs\"\n");
  Keys({'a', '\t'});
  screen = Show(jump);
  EXPECT_NE(screen.find("(" + other + "@abs)"), std::string::npos) << screen;
  EXPECT_GT(screen.find("other menu"), screen.find("other abs"));
}

TEST_F(HelpTest, FileChosenInTheDialog) {
  std::string path = IndexedFile("s.ZHP", kSample);
  toolkit_.openFileNames = {path};
  std::string screen = Show("*.ZHP", "abs");
  EXPECT_EQ(screen.find("M .Help \"" + path + "@abs\"\r\n"), 0u) << screen;
  EXPECT_NE(screen.find("abs page"), std::string::npos);

  ClearConsole();
  screen = Show("", "abs");  // cancelled
  EXPECT_EQ(screen.find("  ## HELP用のファイル  がありません。##\r\n"_sj), 0u) << screen;

  ClearConsole();
  ctx_.settings.echo = false;
  std::string bare = path.substr(0, path.size() - 4);
  toolkit_.openFileNames = {bare};
  screen = Show("", "abs");
  EXPECT_EQ(screen.find("M .Help"), std::string::npos);
  EXPECT_NE(screen.find("abs page"), std::string::npos);  // ".ZHP" added
}

TEST_F(HelpTest, IdleShowsOnlyTheUsage) {
  std::string path = IndexedFile("s.ZHP", kSample);
  ctx_.runState = RunState::Idle;
  std::string before = ReadFile(path);
  ShowHelp(ctx_, path, "abs");
  EXPECT_EQ(toolkit_.statusLines[0], "ZEMUの取り扱い説明を表示します。"_sj);
  EXPECT_EQ(toolkit_.statusLines[1], "> .help [[ファイル名@]表示項目];"_sj);
  EXPECT_EQ(toolkit_.statusLines[2], "");
  EXPECT_EQ(ScreenText(ctx_), "");
  EXPECT_EQ(ctx_.pageHistory.count, 0);
}

// A toolkit whose user aborts the run while the viewer waits for a key.
class AbortingToolkit : public ScriptedToolkit {
 public:
  Context* ctx = nullptr;
  bool WaitForEvents() override {
    ctx->runState = RunState::Aborted;
    return true;
  }
};

TEST_F(HelpTest, AbortWhileWaitingForAKey) {
  std::string path = IndexedFile("s.ZHP", kSample);
  AbortingToolkit toolkit;
  Context ctx(&toolkit);
  toolkit.ctx = &ctx;
  ShowHelp(ctx, path, "");
  std::string screen = ScreenText(ctx);
  EXPECT_EQ(screen.find("(abs)"), std::string::npos);
  // The aborted wait says so below the page, as an aborted statement does.
  EXPECT_TRUE(screen.ends_with("==Select==>? \r\n  ABORT: Abort by user.\r\n")) << screen;
}

// The shipped help file: every page ends before the next topic, every
// choice leads to a topic of the index, and the text fits the viewer.
class ShippedHelpFile : public HelpTest {
 protected:
  void SetUp() override {
    HelpTest::SetUp();
    source_ = ReadFile(std::string(ZEMU_SOURCE_DIR) + "/data/zemu.ZHP");
    ASSERT_FALSE(source_.empty());
    std::istringstream in(source_);
    for (std::string line; std::getline(in, line);) lines_.push_back(line);
  }
  std::string source_;
  std::vector<std::string> lines_;  // each with its CR
};

TEST_F(ShippedHelpFile, IsShiftJisWithCrLfLinesThatFitThePieces) {
  std::string utf8;
  EXPECT_TRUE(SjisToUtf8(source_, utf8));
  EXPECT_TRUE(source_.ends_with("\r\n"));
  EXPECT_EQ(source_.find(kIndexMarker), std::string::npos);  // the source has no index
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    ASSERT_TRUE(line.ends_with("\r")) << "line " << i + 1;
    EXPECT_LE(line.size() - 1, 80u) << "line " << i + 1 << ": " << SjisToUtf8(line);
  }
}

TEST_F(ShippedHelpFile, EveryChoiceLeadsToATopic) {
  std::string path = IndexedFile("zemu.ZHP", source_);
  std::set<std::string> keywords;
  {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::string all = ReadFile(path);
    std::fseek(file, static_cast<long>(all.find("\x1A\n") + 2), SEEK_SET);
    long offset = 0;
    for (std::string keyword; ReadIndexLine(file, offset, keyword) == 0;) keywords.insert(keyword);
    std::fclose(file);
  }
  ASSERT_TRUE(keywords.count("menu"));
  const std::set<std::string> viewerTopics = {"終了"_sj, "quit", "前頁"_sj, "backpage"};
  int pages = 0;
  int choices = 0;
  std::string title;
  bool inPage = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    std::string line = lines_[i].substr(0, lines_[i].size() - 1);
    if (line.starts_with("@@")) {
      EXPECT_FALSE(inPage) << "page " << SjisToUtf8(title) << " runs into " << SjisToUtf8(line);
      title = line;
      inPage = true;
      ++pages;
      continue;
    }
    if (!line.starts_with("@ ") && line != "@") continue;
    ASSERT_TRUE(inPage) << "line " << i + 1;
    inPage = false;
    std::string selection = line;
    while (i + 1 < lines_.size() && lines_[i + 1].starts_with("&"))
      selection += "\r\n" + lines_[++i];
    EXPECT_LT(selection.size(), 2048u);
    std::set<std::string> keys;
    std::size_t previous = 0;
    for (std::size_t at = 0; at < selection.size();
         previous = at, at += IsLeadByte(static_cast<unsigned char>(selection[at])) ? 2 : 1) {
      if (selection[at] != ':' || at < 2) continue;
      std::string key = selection.substr(previous, at - previous);
      ASSERT_EQ(key.size(), 1u) << SjisToUtf8(selection);
      key[0] = AsciiLower(key[0]);
      EXPECT_TRUE(keys.insert(key).second) << "key " << key << " twice in " << SjisToUtf8(title);
      const char* cursor = selection.c_str() + at + 1;
      std::string topic = ReadWord(cursor);
      EXPECT_TRUE(keywords.count(topic) || viewerTopics.count(topic))
          << "choice " << SjisToUtf8(topic) << " of page " << SjisToUtf8(title);
      ++choices;
    }
  }
  EXPECT_FALSE(inPage) << "the last page has no end line";
  EXPECT_GT(pages, 50);
  EXPECT_GT(choices, pages);
}

TEST_F(ShippedHelpFile, InstalledCopyCarriesTheIndex) {
  std::string installed = ReadFile(std::string(ZEMU_PROGRAM) + ".ZHP");
  if (installed.empty()) GTEST_SKIP() << "the help file is not installed in this build";
  std::string path = Path("copy.ZHP");
  WriteFile(path, source_);
  std::FILE* file = std::fopen(path.c_str(), "r+b");
  long start = 0;
  ASSERT_TRUE(IndexHelpFile(ctx_, file, start));
  std::fclose(file);
  EXPECT_EQ(installed, ReadFile(path));
}

}  // namespace
}  // namespace zemu

namespace zemu {
namespace {

// The trailer is an index line too: its keyword shows the index itself.
TEST_F(HelpTest, TrailerTopicShowsTheIndex) {
  std::string path = IndexedFile("s.ZHP", kSample);
  std::string screen = Show(path, "ZEMUHELPindexed");
  EXPECT_NE(screen.find("           2 menu"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("についての解説はありません"_sj), std::string::npos) << screen;
}

}  // namespace
}  // namespace zemu
