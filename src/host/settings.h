// The settings record: one for the program, read by every part and changed
// by .set and the options dialog through the operations of set_command.h.
// Every run starts with the defaults below.
#pragma once

#include <cstdint>
#include <string>

namespace zemu {

// Which channels reach the log file while File is on.
enum class LogMode : std::uint8_t { All = 0, WatchData = 1, Data = 2 };

// A tracing part writes its lines when the level is at least its own.
enum class TraceLevel : std::uint8_t { Off = 0, Command = 1, Formula = 2, Calc = 3, System = 4 };

struct Settings {
  bool epower = true;  // "e" in a number literal starts an exponent
  bool name = true;    // results print with their formula text
  bool echo = true;    // ChannelEcho lines are shown
  bool file = false;   // console output is logged; the log is open exactly while this is on
  std::string logFileName = "Zemu.log";
  LogMode logMode = LogMode::All;
  bool watch = true;  // shown and changed only
  bool talk = true;   // a variable assignment prints the new value
  std::string format = "%.8G%S  ";
  TraceLevel trace = TraceLevel::Off;
  std::string helpFileName;  // the program's path with ".ZHP", set at start-up

  // True while .set is changing settings: the change operations then write
  // none of the "M .Set ..." lines that record a change made in the dialog.
  bool setCommandRunning = false;
};

}  // namespace zemu
