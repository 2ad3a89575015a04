// The entry points of the fuzz targets. Each takes one input, runs it in a
// fresh Context with a scripted toolkit, checks what must hold afterwards and
// returns 0; a fault shows as a crash, a sanitizer report or an abort with a
// line on stderr. libFuzzer calls them from LLVMFuzzerTestOneInput
// (fuzz_target.cpp); the corpus replay of the normal build calls them too
// (replay.cpp).
//
// The three targets:
//   statements  lines typed at the console, one after another as the terminal
//               enters them, after a preload of functions, variables,
//               procedures, units and loops
//   sheet       a definition file's bytes opened as a sheet (its lines run),
//               saved, and the saved file opened again in a fresh program
//   help        a help file's bytes shown by the help viewer, with keys typed
//               in it; the input's first line holds the keys
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace zemu::fuzz {

using Entry = int (*)(const std::uint8_t* data, std::size_t size);

struct Target {
  const char* name;
  Entry run;
};

int RunStatements(const std::uint8_t* data, std::size_t size);
int RunSheet(const std::uint8_t* data, std::size_t size);
int RunHelp(const std::uint8_t* data, std::size_t size);

// The targets by name, for the replay.
std::span<const Target> Targets();

// An endless program is ended as a user ends it: after this many deliveries
// of window events (the guard delivers them at most every few milliseconds)
// the run is aborted through the computation menu.
inline constexpr int kEventBudget = 4;

}  // namespace zemu::fuzz
