// Reading the files .do runs: the rest of a file from where it was left, and
// the Shift-JIS check, skipped only for the very bytes the sheet loader has
// just found to be Shift-JIS.
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
  const std::pair<std::string, bool> cases[] = {
      {"", false}, {notText, true}, {notText + " ", false}, {notText.substr(1), false}};
  for (const auto& [checked, trusted] : cases) {
    Context ctx;
    ctx.checkedShiftJisText = checked;
    std::FILE* file = std::tmpfile();
    std::fputs(notText.c_str(), file);
    std::rewind(file);
    EXPECT_EQ(ShiftJisStream(ctx, "t.ZDF", file) == file, trusted) << checked;
    EXPECT_EQ(ScreenText(ctx).find("ERROR") == std::string::npos, trusted) << ScreenText(ctx);
    std::fclose(file);
  }
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
