// ZEMU's entry point: chooses the front end.
#include <cstdio>
#include <string>

#include "console/encoding.h"
#include "context.h"
#include "engine/eval.h"

int main(int argc, char** argv) {
  zemu::Context ctx;
  ctx.runState = zemu::RunState::Running;
  for (int i = 1; i < argc; ++i) {
    std::string formula = zemu::Utf8ToSjis(argv[i]);
    zemu::Value value = zemu::EvalText(ctx, formula);
    std::string line = formula + "=" + zemu::ValueText(ctx, value);
    std::printf("%s\n", zemu::SjisToUtf8(line).c_str());
  }
  return 0;
}
