// The console's run state: one value for the program.
#pragma once

#include <cstdint>

namespace zemu {

enum class RunState : std::uint8_t { Idle = 0, Running = 1, Paused = 2, Aborted = 3 };

}  // namespace zemu
