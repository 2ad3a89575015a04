// The console's run state: one value for the program; how an entered line
// ended.
#pragma once

#include <cstdint>

namespace zemu {

enum class RunState : std::uint8_t { Idle = 0, Running = 1, Paused = 2, Aborted = 3 };

// How a line entered at the console ended: it ran to its end (a prompt
// follows), an error or .end stopped it (no prompt follows), it was aborted
// (a prompt follows), or it was refused unrun (too long; it stays typed).
enum class LineOutcome : std::uint8_t { Done, Stopped, Aborted, Refused };

}  // namespace zemu
