// What completion offers at the prompt, for both front ends. From the text
// before the caret (Shift-JIS) it finds the word being typed and what kind
// of word it is:
//   a command after a period (".se" -> ".set", also stored procedures), an
//   item or value of .set;
//   a unit text inside "[" (from the conversions of every open sheet);
//   a file name after .do, .set file to, .set help to;
//   otherwise a name: the definitions of every open sheet, then built-ins.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zemu {

struct Context;

// The candidates for the word at the end of the text before the caret, in
// Shift-JIS. They all begin with `word` (a line editor keeps what they
// share), in order of relevance, each once.
struct CompletionOffer {
  std::string word;
  std::vector<std::string> candidates;
  char append = ' ';  // written after a single candidate; 0 for nothing
};

CompletionOffer CompleteAt(Context& ctx, std::string_view beforeCaret);

// For front ends that complete words of their own.
// Adds `prefix` + each of `words` that goes on from the offer's word, each once.
void AddCandidates(CompletionOffer& offer, const std::string& prefix,
                   const std::vector<std::string>& words);
// The words of a statement, split at blanks and commas; the last is the one
// being typed (empty after a blank). Quotes are dropped.
std::vector<std::string> CompletionWords(std::string_view statement);
// The files and folders (ending in '/') whose names go on from `word`, a
// path as typed; hidden ones only when its last part begins with '.'.
CompletionOffer FileOffer(const Context& ctx, const std::string& word);

}  // namespace zemu
