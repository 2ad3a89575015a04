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

}  // namespace
}  // namespace zemu
