// The menus: their tables, the run-state rule and the actions.
#include "console/menu.h"

#include <algorithm>
#include <array>

#include "base/sjis_literal.h"
#include "commands/dispatcher.h"
#include "commands/help.h"
#include "commands/procedures.h"
#include "console/console.h"
#include "definitions/store.h"
#include "host/context.h"
#include "host/output.h"
#include "sheet/sheet_ops.h"

namespace zemu {

namespace {

using enum MenuCommand;

constexpr MenuItem kSeparator{Separator, nullptr, "", ""};

constexpr std::array kFileItems = {
    MenuItem{FileNew, "新規作成(&N)..."_sj, "Ctrl+N", ""},
    MenuItem{FileOpen, "ﾌｧｲﾙを開く(&O)..."_sj, "Ctrl+O", ""},
    MenuItem{FileRun, "ﾌｧｲﾙを実行する(&D)..."_sj, "Ctrl+D", ""},
    MenuItem{FileSave, "上書き保存(&S)"_sj, "Ctrl+S", ""},
    MenuItem{FileSaveAs, "名前を付けて保存(&A)..."_sj, "", ""},
    kSeparator,
    MenuItem{FilePrint, "印刷(&P)..."_sj, "Ctrl+P", ""},
    MenuItem{FilePrintSetup, "印刷設定(&T)..."_sj, "", ""},
    kSeparator,
    MenuItem{FileExit, "プログラムの終了(&X)"_sj, "", ""},
};

constexpr std::array kEditItems = {
    MenuItem{EditUndo, "元に戻す(&U)"_sj, "Ctrl+Z", ""},
    MenuItem{EditRedo, "<ｺﾏﾝﾄﾞ> やり直し(&R)"_sj, "", ""},
    kSeparator,
    MenuItem{EditCut, "切り取り(&T)"_sj, "Ctrl+X", ""},
    MenuItem{EditCopy, "ｺﾋﾟｰ(&C)"_sj, "Ctrl+C", ""},
    MenuItem{EditCopyResult, "結果のｺﾋﾟｰ(&A)"_sj, "Ctrl+Shift+C",
             "最後の計算結果の値をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします"_sj},
    MenuItem{EditPaste, "貼り付け(&P)"_sj, "Ctrl+V", ""},
    MenuItem{EditDelete, "削除(&D)"_sj, "Shift+Del", ""},
    MenuItem{EditSelectAll, "全て選択(&L)"_sj, "", ""},
    kSeparator,
    MenuItem{EditFind, "検索(&F)..."_sj, "Ctrl+F", ""},
};

constexpr std::array kSettingsItems = {
    MenuItem{SettingsOptions, "オプション設定(&O)..."_sj, "", ""},
    MenuItem{SettingsFont, "フォント設定(&F)..."_sj, "", ""},
};

constexpr std::array kWindowItems = {
    MenuItem{WindowNew, "新規ｳｨﾝﾄﾞｳ(&N)"_sj, "", ""},
    MenuItem{WindowTile, "並べて表示(&T)"_sj, "", ""},
    MenuItem{WindowCascade, "重ねて表示(&C)"_sj, "", ""},
    MenuItem{WindowArrangeIcons, "ｱｲｺﾝの整列(&A)"_sj, "", ""},
    kSeparator,
    MenuItem{WindowGraph, "グラフ表示(&G)..."_sj, "", "関数のグラフを描きます"_sj},
};

constexpr std::array kHelpItems = {
    MenuItem{HelpHelp, ".help (&H)", "", ""},
    MenuItem{HelpAbout, "ﾊﾞｰｼﾞｮﾝ情報(&A)..."_sj, "", ""},
};

constexpr std::array kComputeItems = {
    MenuItem{ComputeRestart, "計算再開(&R)"_sj, "", ""},
    MenuItem{ComputeAbort, "計算中止(&A)"_sj, "", ""},
};

constexpr std::array kMainMenus = {
    Menu{Separator, "ﾌｧｲﾙ(&F)"_sj, kFileItems},
    Menu{Separator, "編集(&E)"_sj, kEditItems},
    Menu{Separator, "設定(&S)"_sj, kSettingsItems},
    Menu{Separator, "ｳｨﾝﾄﾞｳ(&W)"_sj, kWindowItems},
    Menu{Separator, "ﾍﾙﾌﾟ(&H)"_sj, kHelpItems},
    Menu{ComputeStop, "計算中断(&A)"_sj, kComputeItems},
};

constexpr std::array kScreenContextItems = {
    MenuItem{EditCut, "切り取り(&T)"_sj, "Ctrl+X", ""},
    MenuItem{EditCopy, "ｺﾋﾟｰ(&C)"_sj, "Ctrl+C", ""},
    MenuItem{EditPaste, "貼り付け(&P)"_sj, "Ctrl+V", ""},
    MenuItem{EditSelectAll, "全部選択(&L)"_sj, "", ""},
    kSeparator,
    MenuItem{EditFind, "検索(&F)..."_sj, "Ctrl+F", ""},
    MenuItem{SettingsFont, "フォント設定(&F)..."_sj, "", ""},
};

constexpr std::array kSheetContextItems = {
    MenuItem{SheetSave, "上書き保存(&S)"_sj, "", ""},
    MenuItem{SheetSaveAs, "名前を付けて保存(&A)"_sj, "", ""},
    MenuItem{SheetEdit, "定義式の修正(&E)"_sj, "", "定義式を書き換え修正します"_sj},
    MenuItem{SheetGraph, "グラフ表示(&G)..."_sj, "", "この行の関数のグラフを描きます"_sj},
    MenuItem{SheetForgetAll, "Forget all (&F)", "", ""},
    MenuItem{SheetClose, "閉じる(&C)"_sj, "", ""},
};

constexpr const char* kOpenDialogTitle = "ﾌｧｲﾙを開く"_sj;
constexpr const char* kOpenDialogFilter =
    "定義式(*.ZDF)|*.ZDF|記録(*.ZLG)|*.ZLG|手続き(*.ZPJ)|*.ZPJ|全て(*.*)|*.*"_sj;

bool Idle(const Context& ctx) { return ctx.runState == RunState::Idle; }

// The quoted form of a file name as .do reads it.
std::string QuotedFileName(const std::string& name) {
  const char quote = name.find('"') == std::string::npos ? '"' : '\'';
  return quote + name + quote;
}

}  // namespace

std::span<const Menu> MainMenus() { return kMainMenus; }
std::span<const MenuItem> ScreenContextMenu() { return kScreenContextItems; }
std::span<const MenuItem> SheetContextMenu() { return kSheetContextItems; }

bool IsIdleOnly(MenuCommand command) {
  switch (command) {
    case FileExit:
    case SettingsOptions:
    case SettingsFont:
    case WindowNew:
    case WindowTile:
    case WindowCascade:
    case WindowArrangeIcons:
    case HelpAbout:
    case ComputeStop:
    case ComputeRestart:
    case ComputeAbort:
      return false;
    default:
      return true;
  }
}

bool IsMenuCommandEnabled(const Context& ctx, MenuCommand command) {
  switch (command) {
    case Separator:
    case FilePrint:
    case FilePrintSetup:
    case EditUndo:
    case EditRedo:
    case WindowNew:
      return false;
    case ComputeStop:
    case ComputeRestart:
    case ComputeAbort:
      return ctx.runState == RunState::Running || ctx.runState == RunState::Paused;
    case EditCopyResult:
      return Idle(ctx) && !ctx.output.lastResult.empty();
    default:
      return !IsIdleOnly(command) || Idle(ctx);
  }
}

bool RunMenuAction(Context& ctx, const std::function<void()>& action) {
  if (!Idle(ctx)) return false;
  PromptLineAside aside(ctx, true);
  action();
  return true;
}

bool MenuNew(Context& ctx) {
  return RunMenuAction(ctx, [&ctx] {
    OpenSheet(ctx, "");
    ScreenOut(ctx, ChannelEcho, "M .New\r\n");
  });
}

bool MenuOpen(Context& ctx, const std::string& fileName) {
  return RunMenuAction(ctx, [&ctx, &fileName] {
    std::string file = fileName;
    if (file.empty()) {
      file = ctx.toolkit->OpenFileDialog({kOpenDialogTitle, kOpenDialogFilter, "ZDF", "*.ZDF"});
    }
    if (file.empty()) return;
    OpenSheet(ctx, file);
    ScreenOut(ctx, ChannelEcho, "M .Open \"" + file + "\"\r\n");
  });
}

bool MenuRunFile(Context& ctx, const std::string& fileName) {
  return RunMenuAction(ctx, [&ctx, &fileName] {
    // Without a name .do asks for the file and echoes the .do line itself.
    std::string parameter;
    if (!fileName.empty()) {
      parameter = QuotedFileName(fileName);
      ScreenOut(ctx, ChannelLine, "M .do " + parameter + "\r\n");
    }
    const char* cursor = parameter.c_str();
    DoCommand(ctx, cursor);
  });
}

bool MenuSave(Context& ctx) {
  return RunMenuAction(ctx, [&ctx] { SaveFromMenu(ctx, CurrentSheet(ctx), false); });
}

bool MenuSaveAs(Context& ctx, const std::string& fileName) {
  return SheetMenuSaveAs(ctx, CurrentSheet(ctx), fileName);
}

bool MenuHelp(Context& ctx) {
  return RunMenuAction(ctx, [&ctx] {
    const char* cursor = ".help";
    ExecuteStatements(ctx, cursor);
  });
}

bool MenuHelpOnWord(Context& ctx) {
  const TextControl& screen = *ctx.console.screen;
  const std::string text = screen.Text();
  const std::size_t caret = std::min(screen.SelectionStart(), text.size());
  const std::size_t lineStart = caret - screen.CaretColumn();
  const std::size_t lineEnd = std::min(text.find('\r', caret), text.size());
  const std::string_view line = std::string_view(text).substr(lineStart, lineEnd - lineStart);
  // The whole word (".set", "a/b"), else the name in it under the caret.
  for (const std::string& word :
       {WordAt(line, caret - lineStart), NameAt(line, caret - lineStart)}) {
    if (word.empty() || !HelpHasTopic(ctx, ctx.settings.helpFileName, word)) continue;
    return RunMenuAction(ctx, [&ctx, &word] { ShowHelp(ctx, ctx.settings.helpFileName, word); });
  }
  return MenuHelp(ctx);
}

bool MenuCopyResult(Context& ctx, std::string& text) {
  if (!IsMenuCommandEnabled(ctx, EditCopyResult)) return false;
  text = ctx.output.lastResult;
  return true;
}

bool MenuCopy(Context& ctx, std::string& text) {
  if (!Idle(ctx)) return false;
  const TextControl& screen = *ctx.console.screen;
  text = screen.Text().substr(screen.SelectionStart(), screen.SelectionLength());
  return true;
}

bool MenuCut(Context& ctx, std::string& text) {
  if (!MenuCopy(ctx, text)) return false;
  ctx.console.screen->ReplaceSelection("");
  return true;
}

bool MenuPaste(Context& ctx, std::string_view text) {
  if (!Idle(ctx)) return false;
  TypeText(ctx, text);
  return true;
}

bool MenuDelete(Context& ctx) {
  if (!Idle(ctx)) return false;
  ctx.console.screen->ReplaceSelection("");
  return true;
}

bool MenuSelectAll(Context& ctx) {
  if (!Idle(ctx)) return false;
  ctx.console.screen->Select(0, ctx.console.screen->Length());
  return true;
}

bool MenuFindNext(Context& ctx, std::string_view what) { return FindNext(ctx, what); }

bool MenuChooseSheet(Context& ctx, TDefine& sheet) {
  return RunMenuAction(ctx, [&ctx, &sheet] { ChooseSheetMenuEntry(ctx, sheet); });
}

bool SheetMenuSave(Context& ctx, TDefine& sheet) {
  return RunMenuAction(ctx, [&ctx, &sheet] { SaveFromMenu(ctx, sheet, false); });
}

bool SheetMenuSaveAs(Context& ctx, TDefine& sheet, const std::string& fileName) {
  return RunMenuAction(ctx, [&ctx, &sheet, &fileName] {
    if (fileName.empty()) {
      SaveFromMenu(ctx, sheet, true);
    } else {
      const std::string saved = SaveSheetAs(ctx, sheet, fileName);
      if (!saved.empty()) ScreenOut(ctx, ChannelEcho, "M .save \"" + saved + "\"\r\n");
    }
  });
}

bool SheetMenuForgetAll(Context& ctx, TDefine& sheet, bool confirmed) {
  return RunMenuAction(ctx, [&ctx, &sheet, confirmed] {
    if (confirmed) {
      ForgetValues(ctx, sheet, true);
    } else {
      ForgetAll(ctx, sheet);
    }
  });
}

bool SheetMenuClose(Context& ctx, TDefine& sheet) {
  bool closed = false;
  RunMenuAction(ctx, [&ctx, &sheet, &closed] { closed = CloseSheet(ctx, sheet); });
  return closed;
}

bool SheetActivated(Context& ctx, TDefine& sheet) {
  if (!Idle(ctx)) return false;
  PromptLineAside aside(ctx, false);
  ActivateSheet(ctx, sheet);
  return true;
}

bool SheetEditsDone(Context& ctx, TDefine& sheet) {
  if (!Idle(ctx)) return false;
  PromptLineAside aside(ctx, false);
  ApplySheetEdits(ctx, sheet);
  return true;
}

bool QueryEndProgram(Context& ctx) {
  PromptLineAside aside(ctx, false);
  return QueryEnd(ctx);
}

}  // namespace zemu
