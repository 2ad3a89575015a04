// Build tool: copies a help file and appends its keyword index to the copy,
// in the form the help viewer writes, so that the help file installed beside
// the program needs no writing at run time.
//
//   zemu_helpindex <help file> <indexed copy>
#include <cstdio>
#include <memory>
#include <vector>

#include "commands/help.h"
#include "host/context.h"
#include "platform/files.h"

namespace {

using zemu::FileHandle;

bool ReadAll(const char* name, std::vector<char>& bytes) {
  FileHandle in(std::fopen(name, "rb"));
  if (!in) return false;
  char block[65536];
  std::size_t got;
  while ((got = std::fread(block, 1, sizeof block, in.get())) > 0) {
    bytes.insert(bytes.end(), block, block + got);
  }
  return std::ferror(in.get()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zemu_helpindex <help file> <indexed copy>\n");
    return 2;
  }
  std::vector<char> text;
  if (!ReadAll(argv[1], text)) {
    std::fprintf(stderr, "zemu_helpindex: cannot read %s\n", argv[1]);
    return 1;
  }
  FileHandle out(std::fopen(argv[2], "w+b"));
  zemu::Context ctx;
  long indexStart = 0;
  bool written = out && std::fwrite(text.data(), 1, text.size(), out.get()) == text.size() &&
                 zemu::IndexHelpFile(ctx, out.get(), indexStart);
  if (!written || std::fclose(out.release()) != 0) {
    std::fprintf(stderr, "zemu_helpindex: cannot write %s\n", argv[2]);
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
