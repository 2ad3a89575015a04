// Completion at the prompt: the word being typed and what may follow it.
#include "console/completion.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/scan.h"
#include "commands/dispatcher.h"
#include "commands/set_command.h"
#include "definitions/store.h"
#include "engine/builtins.h"
#include "host/context.h"
#include "platform/files.h"

namespace zemu {

namespace {

// The statement that holds the caret: what follows the last ';' or '{'
// outside quotes, without its leading blanks. `openBracket` tells whether a
// "[" is still open at the caret.
std::string_view CurrentStatement(std::string_view text, bool& openBracket) {
  std::size_t start = 0;
  bool quoted = false;
  openBracket = false;
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (IsLeadByte(c)) {
      ++pos;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && (c == ';' || c == '{')) {
      start = pos + 1;
      openBracket = false;
    } else if (!quoted && (c == '[' || c == ']')) {
      openBracket = c == '[';
    }
  }
  std::string_view statement = text.substr(start);
  while (!statement.empty() && (statement.front() == ' ' || statement.front() == '\t')) {
    statement.remove_prefix(1);
  }
  return statement;
}

// The name being typed at the end of `text`: the last run of name
// characters, read from the start so that trail bytes stay with their lead.
std::string_view TrailingName(std::string_view text) {
  std::size_t start = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const auto c = static_cast<unsigned char>(text[pos]);
    const std::size_t length = IsLeadByte(c) && pos + 1 < text.size() ? 2 : 1;
    pos += length;
    if (!IsNameChar(c)) start = pos;
  }
  return text.substr(start);
}

template <typename Wanted>
std::vector<std::string> DefinitionNames(Context& ctx, Wanted wanted) {
  std::vector<std::string> names;
  for (auto sheet = ctx.defines.sheets.rbegin(); sheet != ctx.defines.sheets.rend(); ++sheet) {
    for (const SheetRow& row : (*sheet)->rows) {
      if (row.definition && wanted(row.definition->kind)) names.push_back(row.definition->Name());
    }
  }
  return names;
}

// The unit texts of the conversions ("[km][m]" gives km and m), without
// their brackets; prefixes ("[k]]") are not units.
std::vector<std::string> UnitTexts(Context& ctx) {
  std::vector<std::string> units;
  for (const std::string& name :
       DefinitionNames(ctx, [](int kind) { return kind == ConversionKind; })) {
    if (name.ends_with("]]")) continue;
    for (std::size_t open = name.find('['); open != std::string::npos;
         open = name.find('[', open + 1)) {
      const std::size_t close = name.find(']', open);
      if (close == std::string::npos) break;
      units.push_back(name.substr(open + 1, close - open - 1));
    }
  }
  return units;
}

// The entries of the folder that `word` names up to its last '/', as that
// folder and the entry's name; folders end in '/'. Hidden entries only when
// the word's last part begins with '.'. The word is Shift-JIS, as typed; the
// folder's names are the disk's, turned into Shift-JIS, and names that
// Shift-JIS cannot hold are left out.
std::vector<std::string> FileNames(const Context& ctx, const std::string& word) {
  const std::size_t slash = word.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : word.substr(0, slash + 1);
  const std::string part = word.substr(folder.size());
  const std::string diskFolder = DiskName(ctx.files, folder);
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.empty() ? "." : diskFolder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string diskName = entry->d_name;
    bool exact = true;
    const std::string name = StatementName(ctx.files, diskName, &exact);
    if (name == "." || name == ".." || (name[0] == '.' && !part.starts_with('.'))) continue;
    if (!exact || !name.starts_with(part) || !IsShiftJisText(name)) continue;
    struct stat info {};
    const bool isFolder =
        ::stat((diskFolder + diskName).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    names.push_back(folder + name + (isFolder ? "/" : ""));
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// Stored words without the period that marks their shortest abbreviation.
std::vector<std::string> InFull(std::vector<std::string> patterns) {
  for (std::string& word : patterns) std::erase(word, '.');
  return patterns;
}

// The stored word that `typed` stands for, in full; empty when none.
std::string WordTyped(const std::string& typed, const std::vector<std::string>& patterns) {
  const std::string lower = AsciiLowerText(typed);
  for (std::string pattern : patterns) {
    if (MatchCommandWord(lower.c_str(), pattern.c_str())) return InFull({pattern})[0];
  }
  return {};
}

// The words after ".set": its item, then the item's value.
CompletionOffer SetOffer(const Context& ctx, const std::vector<std::string>& words) {
  CompletionOffer offer{words.back(), {}, ' '};
  if (words.size() == 2) {
    AddCandidates(offer, "", InFull(SetItemWords()));
    return offer;
  }
  const std::string item = WordTyped(words[1], SetItemWords());
  const bool takesFile = item == "file" || item == "log" || item == "help";
  if (words.size() == 4 && takesFile && AsciiLowerText(words[2]) == "to")
    return FileOffer(ctx, words.back());
  if (words.size() != 3) return offer;
  if (item == "trace") {
    AddCandidates(offer, "", {"off", "command", "formula", "calc", "system", "on"});
  } else if (item == "help") {
    AddCandidates(offer, "", {"to"});
  } else if (takesFile) {
    AddCandidates(offer, "", {"on", "off", "to"});
  } else if (item == "echo" || item == "epower" || item == "name" || item == "talk" ||
             item == "watch") {
    AddCandidates(offer, "", {"on", "off"});
  }
  return offer;
}

bool IsProcedure(int kind) { return kind == ProcedureKind; }
bool IsFormulaName(int kind) { return kind == FunctionKind || kind == VariableKind; }

// A statement that begins with '.'.
CompletionOffer CommandOffer(Context& ctx, std::string_view statement) {
  const std::vector<std::string> words = CompletionWords(statement);
  if (words.size() == 1) {
    CompletionOffer offer{words[0], {}, ' '};
    AddCandidates(offer, ".", InFull(CommandWords()));
    AddCandidates(offer, ".", DefinitionNames(ctx, IsProcedure));
    return offer;
  }
  const std::string command = WordTyped(words[0].substr(1), CommandWords());
  if (command == "do" && words.size() == 2) {
    CompletionOffer offer = FileOffer(ctx, words.back());
    CompletionOffer procedures{words.back(), {}, ' '};
    AddCandidates(procedures, "", DefinitionNames(ctx, IsProcedure));
    procedures.candidates.insert(procedures.candidates.end(), offer.candidates.begin(),
                                 offer.candidates.end());
    if (procedures.candidates.size() > 1 || !offer.candidates.empty()) procedures.append = '\0';
    return procedures;
  }
  if (command == "set") return SetOffer(ctx, words);
  return {std::string(TrailingName(statement)), {}, '\0'};
}

}  // namespace

void AddCandidates(CompletionOffer& offer, const std::string& prefix,
                   const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    std::string candidate = prefix + word;
    if (!candidate.starts_with(offer.word)) continue;
    if (std::find(offer.candidates.begin(), offer.candidates.end(), candidate) ==
        offer.candidates.end()) {
      offer.candidates.push_back(std::move(candidate));
    }
  }
}

std::vector<std::string> CompletionWords(std::string_view statement) {
  std::vector<std::string> words(1);
  for (char c : statement) {
    if (c == ' ' || c == '\t' || c == ',') {
      if (!words.back().empty()) words.emplace_back();
    } else if (c != '"') {
      words.back() += c;
    }
  }
  return words;
}

CompletionOffer FileOffer(const Context& ctx, const std::string& word) {
  CompletionOffer offer{word, {}, '\0'};
  AddCandidates(offer, "", FileNames(ctx, word));
  return offer;
}

CompletionOffer CompleteAt(Context& ctx, std::string_view beforeCaret) {
  bool openBracket = false;
  const std::string_view statement = CurrentStatement(beforeCaret, openBracket);
  if (openBracket) {
    const std::string_view unit = statement.substr(statement.rfind('[') + 1);
    CompletionOffer offer{std::string(unit), {}, ']'};
    AddCandidates(offer, "", UnitTexts(ctx));
    return offer;
  }
  if (statement.starts_with('.')) return CommandOffer(ctx, statement);
  const std::string_view name = TrailingName(statement);
  CompletionOffer offer{std::string(name), {}, '\0'};
  if (!name.empty() && IsDigit(static_cast<unsigned char>(name[0]))) return offer;
  AddCandidates(offer, "", DefinitionNames(ctx, IsFormulaName));
  AddCandidates(offer, "", BuiltinNames());
  return offer;
}

}  // namespace zemu
