// The calls that go up the layers. The language is recursive: a brace group
// in a formula runs statements, and the statement `.new` opens a sheet
// window, though the evaluator and the dispatcher stand below the commands
// and the sheets. They call through this table, which the maker of the
// context (at the top of the core) fills in.
#pragma once

#include <string>

namespace zemu {

struct Context;

struct Upcalls {
  // Runs the statements at the cursor up to the "}" that ends a brace group
  // or the end of the text, as the dispatcher does; the cursor stays on
  // that "}".
  void (*runStatements)(Context& ctx, const char*& cursor) = nullptr;
  // Opens a new, empty sheet and shows it (.new).
  void (*openNewSheet)(Context& ctx) = nullptr;
  // Opens the definition file `name` (Shift-JIS) as a sheet of its own
  // (.open); an empty name is reported.
  void (*openSheetFile)(Context& ctx, const std::string& name) = nullptr;
};

}  // namespace zemu
