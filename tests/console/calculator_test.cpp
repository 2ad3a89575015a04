// The calculator's events: each entered line's echo, outcome and errors,
// errors counted where they are raised and never read from the text.
#include "console/calculator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/startup.h"
#include "definitions/store.h"
#include "host/output.h"
#include "support/scratch_folder.h"
#include "support/scripted_toolkit.h"

namespace zemu {
namespace {

struct Heard : CalculatorListener {
  void Output(const ScreenWrite& write) override {
    if (write.channel == ChannelInput)
      echoes.push_back(std::string(write.piece.substr(write.textStart)));
    if (write.error) errors.push_back(std::string(write.piece.substr(write.textStart)));
  }
  void LineEnded(const LineReport& report) override { reports.push_back(report); }
  std::vector<std::string> echoes;
  std::vector<std::string> errors;
  std::vector<LineReport> reports;
};

TEST(CalculatorTest, LinesReportTheirOutcomeAndTheErrorsRaised) {
  const struct {
    std::string line;
    LineOutcome outcome;
    int errors;
  } cases[] = {
      {"\"ERROR: just a text\";", LineOutcome::Done, 0},  // a string, not an error
      {"1/0; 2/0;", LineOutcome::Done, 2},                // error results
      {"nosuch;", LineOutcome::Done, 1},
      {".xyz; 1;", LineOutcome::Stopped, 1},
      {".set format \"%q\";", LineOutcome::Done, 1},
      {std::string(kInputLineMax, '1'), LineOutcome::Refused, 1},
  };
  for (const auto& c : cases) {
    ScriptedToolkit toolkit;
    Calculator calc(&toolkit);
    Heard heard;
    calc.SetListener(&heard);
    calc.Start({});
    heard.errors.clear();  // a start-up without files has its own
    calc.EnterLine(c.line);
    ASSERT_EQ(heard.reports.size(), 1u) << c.line;
    EXPECT_EQ(heard.reports[0].outcome, c.outcome) << c.line;
    EXPECT_EQ(heard.reports[0].errors, c.errors) << c.line;
    EXPECT_EQ(heard.errors.size(), static_cast<std::size_t>(c.errors)) << c.line;
    if (c.outcome != LineOutcome::Refused) {
      EXPECT_EQ(heard.echoes, std::vector{"> " + c.line + "\r\n"}) << c.line;
    }
  }
}

TEST(CalculatorTest, FrontEndSwitchesAreSetWithoutARecord) {
  Calculator calc;
  calc.Start({});
  const std::string before = calc.TypedLine();
  calc.SetSwitch(Switch::Name, false);
  calc.SetSwitch(Switch::Echo, false);
  EXPECT_FALSE(calc.context().settings.name);
  EXPECT_FALSE(calc.context().settings.echo);
  EXPECT_EQ(ScreenText(calc.context()).find("M .Set"), std::string::npos);
  EXPECT_EQ(calc.TypedLine(), before);
}

// Settings changed since the start are offered for keeping through the
// initial sheet, once: not when they are back as they were or were saved.
TEST(CalculatorTest, ChangedSettingsAreOfferedThroughTheInitialSheet) {
  ScratchFolder dir;
  const std::string ini =
      dir.Write("zemu.INI", "=-=-=-= ZEMU Initial Define File =-=-=-=\r\n[Define]\r\n> a<1\r\n");
  ScriptedToolkit toolkit;
  Calculator calc(&toolkit);
  StartupOptions options;
  options.initialFile = ini;
  calc.Start(options);
  TDefine& initial = *calc.context().defines.sheets.front();
  const struct {
    const char* line;
    bool offered;
  } steps[] = {{"1+1;", false},
               {".set echo off;", true},
               {".set echo on;", false},
               {".set talk off;", true}};
  for (const auto& step : steps) {
    calc.EnterLine(step.line);
    initial.modified = false;
    EXPECT_EQ(calc.OfferChangedSettings(), step.offered) << step.line;
    EXPECT_EQ(initial.modified, step.offered) << step.line;
  }
  ASSERT_TRUE(calc.SaveSheet(initial));
  EXPECT_FALSE(calc.OfferChangedSettings());
}

}  // namespace
}  // namespace zemu
