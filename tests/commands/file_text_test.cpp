// The Shift-JIS check of a file that .do reads: skipped only for the very
// bytes the sheet loader has just found to be Shift-JIS.
#include "commands/file_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "context.h"
#include "console/output.h"

namespace zemu {
namespace {

TEST(ShiftJisStreamTest, TrustsOnlyTheCheckedBytes) {
  const std::string notText = "> a<1 '\x81\x20\xFF\r\n";  // neither Shift-JIS nor UTF-8
  struct Case {
    std::string checked, file;
    bool readAsItIs;
  };
  const Case cases[] = {
      {"", notText, false},
      {notText, notText, true},
      {notText + " ", notText, false},
      {notText.substr(1), notText, false},
      {"> a<1\r\n", "> a<1\r\n", true},
  };
  for (const Case& c : cases) {
    Context ctx;
    ctx.checkedShiftJisText = c.checked;
    std::FILE* file = std::tmpfile();
    std::fwrite(c.file.data(), 1, c.file.size(), file);
    std::rewind(file);
    std::FILE* stream = ShiftJisStream(ctx, "t.ZDF", file);
    EXPECT_EQ(stream == file, c.readAsItIs) << c.checked;
    EXPECT_EQ(ScreenText(ctx).find("ERROR") == std::string::npos, c.readAsItIs) << ScreenText(ctx);
    if (stream == file) EXPECT_EQ(std::ftell(file), 0);
    std::fclose(file);
  }
}

// The rest of a file from where it was left, whatever its size against the
// chunk it is read in, for a regular file and for a stream without one.
TEST(ReadRestOfFileTest, ReadsToTheEndFromAnyPlace) {
  for (std::size_t size : {0, 1, 65535, 65536, 65537, 200001}) {
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>('a' + i % 23);
    for (std::size_t from : {std::size_t{0}, std::size_t{3}}) {
      if (from > size) continue;
      std::FILE* regular = std::tmpfile();
      std::fwrite(content.data(), 1, size, regular);
      // (fmemopen takes no empty buffer.)
      std::FILE* memory = size > 0 ? fmemopen(content.data(), size, "r") : std::tmpfile();
      for (std::FILE* file : {regular, memory}) {
        std::fseek(file, static_cast<long>(from), SEEK_SET);
        std::string bytes = "kept";
        ReadRestOfFile(file, bytes);
        EXPECT_EQ(bytes, "kept" + content.substr(from)) << size << " from " << from;
        EXPECT_TRUE(std::feof(file));
      }
      std::fclose(regular);
      std::fclose(memory);
    }
  }
}

}  // namespace
}  // namespace zemu
