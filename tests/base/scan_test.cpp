// Tests of the text scanners: byte classes, skippers, readers, the two name
// matchers, the line reader, argument expansion and width folding. Every text
// is handed over in a heap block of exactly its size, so that a sanitizer
// build catches any read past the terminator.
#include "base/scan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/sjis_literal.h"

namespace zemu {
namespace {

// A zero-terminated copy of `text` in a block of exactly its size.
std::unique_ptr<char[]> Exact(std::string_view text) {
  auto block = std::make_unique<char[]>(text.size() + 1);
  std::memcpy(block.get(), text.data(), text.size());
  block[text.size()] = '\0';
  return block;
}

// Blank and letter overlap at 0xA0; the lead-byte ranges end at 0x9F and
// 0xFC, with the half-width range between them.
TEST(ScanClasses, ByteTable) {
  struct Case {
    unsigned char c;
    bool blank, letter, digit, lead;
  };
  const Case cases[] = {
      {'&', true, false, false, false},  {0xA0, true, true, false, false},
      {'_', false, false, false, false}, {'5', false, false, true, false},
      {0x80, false, true, false, false}, {0x81, false, true, false, true},
      {0x9F, false, true, false, true},  {0xA1, false, true, false, false},
      {0xDF, false, true, false, false}, {0xE0, false, true, false, true},
      {0xFC, false, true, false, true},  {0xFD, false, true, false, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(static_cast<int>(k.c));
    EXPECT_EQ(IsBlank(k.c), k.blank);
    EXPECT_EQ(IsLetter(k.c), k.letter);
    EXPECT_EQ(IsDigit(k.c), k.digit);
    EXPECT_EQ(IsNameChar(k.c), k.letter || k.digit);
    EXPECT_EQ(IsLeadByte(k.c), k.lead);
  }
}

enum class Op { Blanks, StatementEnd, Statement, CloseBrace, Group, FindComma, FindCommaFlat, Arg };

struct SkipCase {
  Op op;
  const char* text;
  long end;    // cursor offset afterwards
  int result;  // bool result, or the byte SkipToCloseBrace returns
};

int RunSkip(Op op, const char*& p) {
  switch (op) {
    case Op::Blanks:
      SkipBlanks(p);
      return 0;
    case Op::StatementEnd:
      SkipToStatementEnd(p);
      return 0;
    case Op::Statement:
      SkipStatement(p);
      return 0;
    case Op::CloseBrace:
      return static_cast<unsigned char>(SkipToCloseBrace(p));
    case Op::Group:
      return SkipGroup(p);
    case Op::FindComma:
      return FindChar(p, ',', true);
    case Op::FindCommaFlat:
      return FindChar(p, ',', false);
    case Op::Arg:
      return NextArgument(p);
  }
  return -1;
}

TEST(ScanSkip, Table) {
  const SkipCase cases[] = {
      {Op::Blanks, "& \r\n\t\xA0x", 6, 0},
      {Op::Blanks, "", 0, 0},
      {Op::StatementEnd, "a(b;c)", 3, 0},
      {Op::StatementEnd, "ab'c;", 2, 0},
      {Op::StatementEnd, "\x95\x5C", 2, 0},
      {Op::Statement, "f(x;y);z", 3, 0},  // a group stops at its ';'
      {Op::Statement, "f(x)}y", 4, 0},
      {Op::Statement, "\x81\x7D;", 2, 0},  // trail byte '}'
      {Op::Statement, "'(a)}", 4, 0},
      {Op::CloseBrace, "a;b}c", 3, '}'},
      {Op::CloseBrace, "a{b}c", 5, 0},
      {Op::CloseBrace, "(a;b}c)}", 4, '}'},
      {Op::CloseBrace, "\x81\x7D}", 2, '}'},
      {Op::CloseBrace, "\x9F\x7D}", 2, '}'},
      {Op::CloseBrace, "\xE0\x7D}", 2, '}'},
      {Op::CloseBrace, "\xFC\x7D}", 2, '}'},
      {Op::CloseBrace, "\xDF}", 1, '}'},  // half-width: one byte
      {Op::CloseBrace, "ab\x81", 3, 0},   // lead byte before the terminator
      {Op::Group, "(a(b)e)f", 7, true},
      {Op::Group, "(a;b)", 2, true},
      {Op::Group, "(a'b)", 2, true},
      {Op::Group, "(abc", 4, true},
      {Op::Group, "(\x95", 2, true},
      {Op::Group, "(a[b)c]", 5, true},      // only its own pair counts
      {Op::Group, "[\x83\x5D]x", 4, true},  // trail byte ']'
      {Op::Group, "\xA2m\xA2n\xA3\xA3x", 6, true},
      {Op::Group, "\xA2\x82\xA3\xA3x", 4, true},  // trail byte 0xA3
      {Op::Group, "x(a)", 0, false},
      {Op::FindComma, "ab,c", 3, true},
      {Op::FindComma, "a;b,c", 0, false},
      {Op::FindComma, "(a,b),c", 6, true},
      {Op::FindComma, "(a;b),c", 0, false},
      {Op::FindComma, "(a'b),c", 6, true},
      {Op::FindCommaFlat, "(a,b),c", 3, true},
      {Op::Arg, "1,(2,3)),4", 2, true},
      {Op::Arg, "(2,3)),4", 0, false},
      {Op::Arg, "a],b", 0, false},
      {Op::Arg, "\x83\x5D,x", 3, true},  // trail byte ']' does not stop
  };
  for (const SkipCase& k : cases) {
    SCOPED_TRACE(k.text);
    auto text = Exact(k.text);
    const char* p = text.get();
    EXPECT_EQ(RunSkip(k.op, p), k.result);
    EXPECT_EQ(p - text.get(), k.end);
  }
}

TEST(ScanSkip, StepChar) {
  const std::pair<const char*, long> cases[] = {
      {"\x95\x5C", 2}, {"\x83\x5C", 2}, {"\x95", 1}, {"a", 1}, {"\xA1", 1}, {"", 0},
  };
  for (const auto& [text, step] : cases) {
    auto block = Exact(text);
    const char* p = block.get();
    StepChar(p);
    EXPECT_EQ(p - block.get(), step) << text;
  }
}

enum class Reader { Name, Word, FileName, Unit };

struct ReadCase {
  Reader reader;
  const char* text;
  const char* result;
  long end;
};

TEST(ScanRead, Table) {
  const ReadCase cases[] = {
      {Reader::Name, "長さ2+1"_sj, "長さ2"_sj, 5},
      {Reader::Name, "_x", "", 0},
      {Reader::Name, "  abc def", "abc", 5},
      {Reader::Name, "表x=1"_sj, "表x"_sj, 3},
      {Reader::Name, "ソ1"_sj, "ソ1"_sj, 3},
      {Reader::Name, "\xB6+1", "\xB6", 1},
      {Reader::Name, "x\x95", "x\x95", 2},
      {Reader::Name, "\"a b\"c", "a b", 5},
      {Reader::Name, "\"abc", "", 1},
      {Reader::Name, "\"a;b\"", "", 1},
      {Reader::Word, "D:\\work\\sheet1.ZDF x", "D:\\work\\sheet1.ZDF", 18},
      {Reader::Word, " ../x/y;", "../x/y", 7},
      {Reader::Word, "a/1b", "a/", 2},
      {Reader::Word, "表1"_sj, "表1"_sj, 3},  // its trail byte '\' is no separator
      {Reader::Word, "'ab c' d", "ab c", 6},
      {Reader::Word, "\"a;b\"", "a;b", 5},
      {Reader::Word, "\"abc", "abc", 4},
      {Reader::Word, "123", "", 0},
      {Reader::Word, "  ", "", 2},
      {Reader::FileName, "a-b.log x", "a-b.log", 7},
      {Reader::FileName, " x+1.log;", "x+1.log", 8},
      {Reader::FileName, "\"my log.txt\" y", "my log.txt", 12},
      {Reader::FileName, "'it s'", "it s", 6},
      {Reader::FileName, "a.log'note", "a.log", 5},
      {Reader::FileName, "\x83\x7D.log}", "\x83\x7D.log", 6},  // the trail byte '}' ends nothing
      {Reader::FileName, "a\tb", "a", 1},
      {Reader::FileName, "x\x83", "x\x83", 2},
      {Reader::FileName, "  ", "", 2},
      {Reader::Unit, "[km]/2", "[km]", 4},
      {Reader::Unit, " [m]", "[m]", 4},
      {Reader::Unit, "[km", "", 0},
      {Reader::Unit, "[k;m]", "", 0},
      {Reader::Unit, " m", "", 1},
      {Reader::Unit, "[\x83\x5D]x", "[\x83\x5D]", 4},
  };
  for (const ReadCase& k : cases) {
    SCOPED_TRACE(k.text);
    auto text = Exact(k.text);
    const char* p = text.get();
    const std::string got = k.reader == Reader::Name       ? ReadName(p)
                            : k.reader == Reader::Word     ? ReadWord(p)
                            : k.reader == Reader::FileName ? ReadFileName(p)
                                                           : ReadUnit(p);
    EXPECT_EQ(got, k.result);
    EXPECT_EQ(p - text.get(), k.end);
  }
}

struct MatchCase {
  const char* a;
  const char* b;
  bool match;
};

TEST(ScanMatch, CommandWord) {
  const MatchCase cases[] = {
      {"bl", "bl.ockend", true},
      {"blo", "bl.ockend", true},
      {"blockend", "bl.ockend", true},
      {"b", "bl.ockend", false},
      {"blockends", "bl.ockend", false},
      {"blx", "bl.ockend", false},
      {"else", "el.se", true},
      {"e", "el.se", false},
      {"elseif", "elsei.f", true},
      {"elsei", "elsei.f", true},
      {"els", "elsei.f", false},
      {"list", "list", true},
      {"lis", "list", false},
      {"", "list", false},
      {"b#", "bl.ockend", true},
      {"b?o", "bl.ockend", true},
      {"bl", "b?.ockend", true},
      {"Bl", "bl.ockend", false},
      {"bl-", "bl.ockend", false},
      {"表"_sj, "表"_sj, true},
      {"?", "表"_sj, true},
      {"\x95", "表"_sj, false},
  };
  for (const MatchCase& k : cases) {
    auto typed = Exact(k.a);
    auto pattern = Exact(k.b);
    EXPECT_EQ(MatchCommandWord(typed.get(), pattern.get()), k.match) << k.a << " / " << k.b;
  }
}

TEST(ScanMatch, Name) {
  const MatchCase cases[] = {
      {"abc+1", "abc", true},
      {"abcd", "abc", false},
      {"abc", "abcd", false},
      {"abc;", "abc", true},
      {"ab+b", "a?+?", true},
      {"ab+d", "a?+?", false},
      {"a#", "abc", true},
      {"x", "#", true},
      {"a?c", "abbbc", true},
      {"a?", "abc", true},
      {"a?c?", "abcb", true},
      {"a?c?", "abcd", false},
      {"ab+1", "a?", true},
      {"ab_", "a?", true},
      {"a+1", "a?", false},
      {"長さ=1"_sj, "長さ"_sj, true},
      {"長さ2"_sj, "長さ"_sj, false},
      {"表"_sj, "\x95", false},
      {"x?表"_sj, "xab表"_sj, true},
      {"?x", "ソx"_sj, true},
      {"ソ?"_sj, "ソソ"_sj, true},
  };
  for (const MatchCase& k : cases) {
    auto probe = Exact(k.a);
    auto stored = Exact(k.b);
    EXPECT_EQ(MatchName(probe.get(), stored.get()), k.match) << k.a << " / " << k.b;
  }
}

TEST(ScanMatch, NameCaptureHoldsAtMostHundredBytes) {
  auto probe = Exact("a?");
  EXPECT_TRUE(MatchName(probe.get(), Exact("a" + std::string(100, 'x')).get()));
  EXPECT_FALSE(MatchName(probe.get(), Exact("a" + std::string(101, 'x')).get()));
  auto stored = Exact("a?");
  EXPECT_TRUE(MatchName(Exact("a" + std::string(100, 'x') + "+").get(), stored.get()));
  EXPECT_FALSE(MatchName(Exact("a" + std::string(101, 'x') + "+").get(), stored.get()));
}

// Reads `content` with buffers of `size` bytes; each line read, "<EOF>" for
// nullptr (reading stops there).
std::vector<std::string> ReadAllLines(const std::string& content, std::size_t size) {
  std::FILE* f = std::tmpfile();
  std::fwrite(content.data(), 1, content.size(), f);
  std::rewind(f);
  std::vector<std::string> lines;
  auto buffer = std::make_unique<char[]>(size);
  for (int i = 0; i < 20; ++i) {
    char* end = ReadLine(f, buffer.get(), size);
    if (end == nullptr) {
      lines.push_back("<EOF>");
      break;
    }
    EXPECT_EQ(end, buffer.get() + std::strlen(buffer.get()));
    lines.emplace_back(buffer.get());
  }
  std::fclose(f);
  return lines;
}

TEST(ScanReadLine, Table) {
  using Lines = std::vector<std::string>;
  const struct {
    std::string content;
    std::size_t size;
    Lines lines;
  } cases[] = {
      {"a\nb", 80, {"a", "b", "<EOF>"}},
      {"a\nb\n", 80, {"a", "b", "<EOF>"}},
      {"a\r\nb&\r\nc\r\n", 80, {"a", "b&", "c", "<EOF>"}},
      {"\n\n", 80, {"", "", "<EOF>"}},
      {"", 80, {"<EOF>"}},
      {"a\rb\n", 80, {"a\rb", "<EOF>"}},
      {"abcdefg\n", 4, {"abc", "def", "g", "<EOF>"}},
      {"abc\ndef\n", 4, {"abc", "def", "<EOF>"}},
      {"ab&\r\nd", 4, {"ab&", "d", "<EOF>"}},
      {"abc", 4, {"abc", "<EOF>"}},
      {"abc\rd\n", 4, {"abc", "d", "<EOF>"}},
      {"\x95\x5C\n", 80, {"\x95\x5C", "<EOF>"}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.content);
    EXPECT_EQ(ReadAllLines(k.content, k.size), k.lines);
  }
}

// Expands into a block with guard bytes after `size`, which must stay intact.
std::string Expand(const char* tmpl, std::size_t size, const std::string* args) {
  constexpr std::size_t kGuard = 8;
  std::vector<char> out(size + kGuard, '#');
  auto t = Exact(tmpl);
  ExpandArguments(t.get(), out.data(), size, args);
  EXPECT_EQ(std::string(out.end() - kGuard, out.end()), std::string(kGuard, '#'));
  EXPECT_LT(std::strlen(out.data()), size);
  return out.data();
}

TEST(ScanExpand, Table) {
  std::string args[10];
  args[0] = "proc";
  args[1] = "AB";
  args[3] = "XYZ";
  args[4] = "XYZW";
  const struct {
    const char* tmpl;
    std::size_t size;
    const char* result;
  } cases[] = {
      {"x%1y%%z", 100, "xABy%z"},
      {"%0(%2)", 100, "proc()"},
      {"a%", 100, "a%"},
      {"%x%", 100, "%x%"},
      {"5%表"_sj, 100, "5%表"_sj},
      {"ab%4cd", 8, "abcd"},   // limit 5: XYZW does not fit and is left out
      {"ab%3cd", 8, "abXYZ"},  // XYZ fits exactly
      {"abcdefgh", 8, "abcde"},
      {"abcd表x"_sj, 8, "abcd表"_sj},
      {"abcd%表"_sj, 8, "abcd%表"_sj},
      {"abc", 3, ""},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.tmpl);
    EXPECT_EQ(Expand(k.tmpl, k.size, args), k.result);
  }
}

TEST(ScanExpand, ProcedureBufferLimit) {
  std::string args[10];
  args[1] = std::string(1997, 'a');
  EXPECT_EQ(Expand("%1", 2000, args), args[1]);
  args[1] += 'a';
  EXPECT_EQ(Expand("%1.", 2000, args), ".");
  EXPECT_EQ(Expand("x%1", 2000, nullptr), "x");
}

TEST(ScanFold, Table) {
  const std::pair<std::string, std::string> cases[] = {
      {"ＡＢ＝１２"_sj, "AB= 12"},
      {"　、。・"_sj, "  \xA4 \xA1 \xA5 "},
      {"「x」"_sj, "\xA2 x\xA3 "},
      {"／＋－×÷"_sj, " / + - * /"},
      {"＜＞"_sj, "< > "},
      {"０９ＡＺａｚ"_sj, "09AZaz"},
      {"a\xA0z", "a z"},
      {"表ソ"_sj, "表ソ"_sj},
      {"\x88\x81\x40", "\x88\x81\x40"},  // a kanji then '@', not an ideographic space
      {"a\x82", "a\x82"},
      {"\x82\x9B", "\x82\x9B"},
      {"\xB6", "\xB6"},
  };
  for (const auto& [source, folded] : cases) {
    EXPECT_EQ(FoldWidth(source), folded) << source;
  }
}

TEST(ScanFold, AsciiLowerTextKeepsDoubleByteCharacters) {
  // ソ is 0x83 0x5C, Ａ is 0x82 0x60: neither trail byte is changed.
  EXPECT_EQ(AsciiLowerText("AbC"), "abc");
  EXPECT_EQ(AsciiLowerText("\x83\x5CX\x82\x60"), "\x83\x5Cx\x82\x60");
  EXPECT_EQ(AsciiLowerText("\x81\x41"), "\x81\x41");
  EXPECT_EQ(AsciiLowerText("Z\x81"), "z\x81");
}

// Texts of every length up to past the inline limit, the same and with one
// byte changed anywhere (the word compares overlap in the middle).
TEST(ScanCompare, SameTextAtEveryLengthAndPosition) {
  const std::string base = "abcdefghijklmnopqrst";
  for (std::size_t n = 0; n <= base.size(); ++n) {
    const std::string a = base.substr(0, n);
    std::string b = a;
    EXPECT_TRUE(SameText(a, b)) << n;
    EXPECT_FALSE(SameText(a, a + "u")) << n;
    for (std::size_t i = 0; i < n; ++i) {
      b[i] = 'X';
      EXPECT_FALSE(SameText(a, b)) << n << " at " << i;
      b[i] = a[i];
    }
  }
}

}  // namespace
}  // namespace zemu
