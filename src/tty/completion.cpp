#include "tty/completion.h"

#include <memory>
#include <string>
#include <vector>

#include "base/scan.h"
#include "definitions/store.h"
#include "host/context.h"
#include "tty/terminal_commands.h"

namespace zemu::tty {

namespace {

// A terminal command: its word, then a file or a sheet.
CompletionOffer TerminalCommandOffer(Context& ctx, std::string_view line) {
  const std::vector<std::string> words = CompletionWords(line);
  if (words.size() == 1) {
    CompletionOffer offer{words[0], {}, ' '};
    AddCandidates(offer, ":", TerminalCommandWords());
    return offer;
  }
  const std::string command = AsciiLowerText(words[0].substr(1));
  if (command == "open" || command == "run" || command == "saveas")
    return FileOffer(ctx, words.back());
  CompletionOffer offer{words.back(), {}, '\0'};
  std::vector<std::string> sheets;
  for (const auto& sheet : ctx.defines.sheets) sheets.push_back(sheet->name);
  AddCandidates(offer, "", sheets);
  return offer;
}

}  // namespace

CompletionOffer CompleteTerminalLine(Context& ctx, std::string_view beforeCaret) {
  if (beforeCaret.starts_with(':')) return TerminalCommandOffer(ctx, beforeCaret);
  return zemu::CompleteAt(ctx, beforeCaret);
}

}  // namespace zemu::tty
