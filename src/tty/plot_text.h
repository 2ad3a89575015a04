// A graph drawn with characters for the terminal: Unicode braille (2 x 4
// dots in each character) where the terminal speaks UTF-8, plain ASCII
// (1 x 3 dots: ' - .) where it does not; tick labels on a frame, the
// captions and a legend.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "console/plot_command.h"

namespace zemu::tty {

struct TextCanvas {
  int columns = 80;  // the whole drawing's size in characters
  int rows = 24;
  bool braille = true;  // braille dots and box-drawing lines (UTF-8); ASCII otherwise
  bool colour = false;  // ANSI colours for the curves
};

// The lines of the drawing (without line ends), at most `canvas.rows - 1`
// of them so that a prompt fits below. `toTerminal` converts the Shift-JIS
// captions to the terminal's encoding.
std::vector<std::string> PlotText(const Plot& plot, const TextCanvas& canvas,
                                  const std::function<std::string(std::string_view)>& toTerminal);

// The size of the terminal on `fd` in characters; 80 x 24 when it has none.
void TerminalSize(int fd, int& columns, int& rows);

}  // namespace zemu::tty
