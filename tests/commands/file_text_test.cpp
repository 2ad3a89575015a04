// Reading the files .do runs and sheets load: the rest of a file from where
// it was left, and each encoding a file may be written in.
#include "commands/file_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host/context.h"
#include "host/output.h"
#include "support/scratch_folder.h"

namespace zemu {
namespace {

// Each kind of file text, read strictly (a sheet's file) and as .do reads it.
TEST(ReadFileTextTest, ReadsEachEncodingOrSaysWhyNot) {
  const std::string sjis = "> a<1 '\x95\x5C\r\n";  // 表
  const struct {
    const char* name;
    std::string bytes;
    FileProblem strict;
    FileProblem lenient;
    std::string text;  // the Shift-JIS text when it was read
  } cases[] = {
      {"shift-jis", sjis, FileProblem::None, FileProblem::None, sjis},
      {"utf-8", "> a<1 '\xE8\xA1\xA8\r\n", FileProblem::None, FileProblem::None, sjis},
      {"utf-16le", std::string("\xFF\xFE>\0 \0a\0<\0001\0 \0'\0\x68\x88\r\0\n\0", 22),
       FileProblem::None, FileProblem::None, sjis},
      {"utf-16be", std::string("\xFE\xFF\0>\0 \0a\0<\0001\0 \0'\x88\x68\0\r\0\n", 22),
       FileProblem::None, FileProblem::None, sjis},
      {"neither", "> a<1 '\x81\x20\xFF\r\n", FileProblem::Neither, FileProblem::Neither, ""},
      {"emoji", "> a<1 '\xF0\x9F\x98\x80\r\n", FileProblem::Unconvertible,
       FileProblem::Unconvertible, ""},
      {"binary", std::string("> a<1\0\r\n", 8), FileProblem::Binary, FileProblem::None,
       std::string("> a<1\0\r\n", 8)},
      {"cr only", "> a<1\r> b<2\r", FileProblem::CrOnly, FileProblem::None, "> a<1\r> b<2\r"},
  };
  const ScratchFolder scratch;
  const std::string path = scratch / "file_text.ZDF";
  for (const auto& c : cases) {
    for (const bool strict : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (strict ? " strict" : " lenient"));
      std::FILE* file = std::fopen(path.c_str(), "wb");
      std::fwrite(c.bytes.data(), 1, c.bytes.size(), file);
      std::fclose(file);
      Context ctx;
      const FileRead read = ReadFileText(ctx, path, strict);
      EXPECT_EQ(read.problem, strict ? c.strict : c.lenient);
      if (read.problem == FileProblem::None) {
        EXPECT_EQ(read.text, c.text);
      }
      EXPECT_TRUE(read.stamp.exists);
    }
  }
  Context ctx;
  EXPECT_EQ(ReadFileText(ctx, path + ".none", true).problem, FileProblem::Missing);
  EXPECT_EQ(ReadFileText(ctx, scratch.path(), true).problem, FileProblem::Unopenable);
}

// The rest of a file from where it was left, whatever its size against the
// chunk it is read in, for a regular file and for a stream without one.
TEST(ReadRestOfFileTest, ReadsToTheEndFromAnyPlace) {
  for (std::size_t size : {0, 2, 65535, 65536, 65537, 200001}) {
    std::string content(size, 'x');
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>('a' + i % 23);
    std::FILE* regular = std::tmpfile();
    std::fwrite(content.data(), 1, size, regular);
    // (fmemopen takes no empty buffer.)
    std::FILE* memory = size > 0 ? fmemopen(content.data(), size, "r") : std::tmpfile();
    for (std::FILE* file : {regular, memory}) {
      const std::size_t from = size / 2;
      std::fseek(file, static_cast<long>(from), SEEK_SET);
      std::string bytes = "kept";
      ReadRestOfFile(file, bytes);
      EXPECT_EQ(bytes, "kept" + content.substr(from)) << size;
      EXPECT_TRUE(std::feof(file));
      std::fclose(file);
    }
  }
}

}  // namespace
}  // namespace zemu
