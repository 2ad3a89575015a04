// What the core tells a front end about changes, so that it redraws what
// changed instead of polling the model. Each call is made on the program's
// one thread, right after the change. A call can come millions of times in a
// long loop (a variable's row is replaced on every pass): a front end notes
// what to redraw and draws when the loop lets events through, it does not
// repaint inside the call. Every method does nothing by default.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/run_state.h"

namespace zemu {

struct TDefine;

// One text that ScreenOut put on the Screen.
struct ScreenWrite {
  std::uint8_t channel;    // a Channel (console/output.h)
  std::string_view piece;  // what was added at the Screen's end: the text as placed
  // Where the text given to ScreenOut begins in `piece`; the bytes before it
  // are its placement (a line break that ends an open line, a data line's
  // indent, a trace prefix). After the text, a line break may end `piece`
  // while the console is Idle.
  std::size_t textStart;
  bool error;  // the text reports an error (an error line, an error result)
};

class Observer {
 public:
  virtual ~Observer() = default;

  // A sheet joined the store (it is the last one and the CurrentSheet), or is
  // about to leave it (it is still valid during the call).
  virtual void SheetAdded(TDefine& /*sheet*/) {}
  virtual void SheetRemoved(TDefine& /*sheet*/) {}
  // The sheet's name, title or window-menu caption changed.
  virtual void SheetRenamed(TDefine& /*sheet*/) {}
  // layout.shown changed: show or hide the sheet's window.
  virtual void SheetShownChanged(TDefine& /*sheet*/) {}
  // The model set the sheet's place, column widths or font (a load read its
  // layout keys, a resize widened the window).
  virtual void SheetLayoutChanged(TDefine& /*sheet*/) {}
  // Rows of a sheet: `count` rows opened at `row` (the rows from there moved
  // down), `count` rows taken out at `row` (the rows below moved up), or the
  // cells of rows first..last changed (texts, values, "再計算").
  virtual void RowsInserted(TDefine& /*sheet*/, int /*row*/, int /*count*/) {}
  virtual void RowsRemoved(TDefine& /*sheet*/, int /*row*/, int /*count*/) {}
  virtual void RowsChanged(TDefine& /*sheet*/, int /*first*/, int /*last*/) {}
  // ForgetValues ran on the sheet: value cells may read "再計算" now. Which
  // ones the store tells when asked (ValueCellForgottenSince), so that a
  // front end looks only at the rows it shows; this call costs the same
  // however many rows the sheet has.
  virtual void ValuesForgotten(TDefine& /*sheet*/) {}
  // Another sheet became the CurrentSheet.
  virtual void CurrentSheetChanged(TDefine& /*sheet*/) {}

  // The main window's title (ctx.mainForm.title) changed.
  virtual void MainTitleChanged(const std::string& /*title*/) {}
  // RunState changed (Stop is enabled only while Running).
  virtual void RunStateChanged(RunState /*state*/) {}
  // A setting changed, by .set, the options dialog or the program.
  virtual void SettingsChanged() {}
  // ShowPrompt ran: show the main window and give the Screen the focus.
  virtual void PromptShown() {}
  // ScreenOut wrote on the Screen; called after the piece was added, before
  // the line being typed (while Idle) is put back below it. Valid during the
  // call only; the Screen must not be changed in it.
  virtual void ScreenWritten(const ScreenWrite& /*write*/) {}
  // A line was entered at the console and is about to run: `typed` is the
  // logical line as the user typed it, without the prompt and with the
  // continuation breaks taken out.
  virtual void LineEntered(const std::string& /*typed*/) {}
  // A line entered at the console ended (its echo came as ChannelInput),
  // having reported `errors` errors on the Screen.
  virtual void LineEnded(LineOutcome /*outcome*/, int /*errors*/) {}
};

// Hands every call on to the observers added, in the order they were added,
// so that the parts of a front end (the main window, the sheet windows, the
// options dialog) each observe what concerns them.
class ObserverList : public Observer {
 public:
  // `observer` must stay alive until it is removed or the list is gone.
  void Add(Observer* observer) { observers_.push_back(observer); }
  void Remove(Observer* observer) { std::erase(observers_, observer); }

  void SheetAdded(TDefine& sheet) override { ForEach(&Observer::SheetAdded, sheet); }
  void SheetRemoved(TDefine& sheet) override { ForEach(&Observer::SheetRemoved, sheet); }
  void SheetRenamed(TDefine& sheet) override { ForEach(&Observer::SheetRenamed, sheet); }
  void SheetShownChanged(TDefine& sheet) override { ForEach(&Observer::SheetShownChanged, sheet); }
  void SheetLayoutChanged(TDefine& sheet) override {
    ForEach(&Observer::SheetLayoutChanged, sheet);
  }
  void RowsInserted(TDefine& sheet, int row, int count) override {
    ForEach(&Observer::RowsInserted, sheet, row, count);
  }
  void RowsRemoved(TDefine& sheet, int row, int count) override {
    ForEach(&Observer::RowsRemoved, sheet, row, count);
  }
  void RowsChanged(TDefine& sheet, int first, int last) override {
    ForEach(&Observer::RowsChanged, sheet, first, last);
  }
  void ValuesForgotten(TDefine& sheet) override { ForEach(&Observer::ValuesForgotten, sheet); }
  void CurrentSheetChanged(TDefine& sheet) override {
    ForEach(&Observer::CurrentSheetChanged, sheet);
  }
  void MainTitleChanged(const std::string& title) override {
    ForEach(&Observer::MainTitleChanged, title);
  }
  void RunStateChanged(RunState state) override { ForEach(&Observer::RunStateChanged, state); }
  void SettingsChanged() override { ForEach(&Observer::SettingsChanged); }
  void PromptShown() override { ForEach(&Observer::PromptShown); }
  void ScreenWritten(const ScreenWrite& write) override {
    ForEach(&Observer::ScreenWritten, write);
  }
  void LineEntered(const std::string& typed) override { ForEach(&Observer::LineEntered, typed); }
  void LineEnded(LineOutcome outcome, int errors) override {
    ForEach(&Observer::LineEnded, outcome, errors);
  }

 private:
  template <typename Method, typename... Args>
  void ForEach(Method method, Args&... args) {
    for (Observer* observer : observers_) (observer->*method)(args...);
  }

  std::vector<Observer*> observers_;
};

}  // namespace zemu
