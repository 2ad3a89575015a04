// Texts of the console window that a front end shows as they are: the
// application's title, the status lines at start, the about box and the
// find dialog. Shift-JIS, like every text of the program.
#pragma once

#include "base/sjis_literal.h"

namespace zemu {

// The application's title (the main window's own title is kMainFormTitle).
inline constexpr const char* kApplicationTitle = "ZEMU 2002 for Windows";

// The status lines as the window opens; StatusLine2 starts empty.
inline constexpr const char* kWelcomeStatusLine = "ようこそ　ＺＥＭＵ　へ"_sj;
inline constexpr const char* kProductStatusLine =
    "  ZEMU 2002 for Windows  Personal Edition  Copyright (C) 2002 ZEMU開発グループ"_sj;

// The about box.
inline constexpr const char* kAboutTitle = "ﾊﾞｰｼﾞｮﾝ情報"_sj;
inline constexpr const char* kAboutProduct = "ZEMU 2002 for Windows";
inline constexpr const char* kAboutDescription = "単位つき数式電卓"_sj;
inline constexpr const char* kAboutVersion = "Version 0.1  Personal Edition";
inline constexpr const char* kAboutNotice =
    "Copyright (C) 2002 ZEMU開発グループ\r\n無断転載を禁じます。"_sj;
inline constexpr const char* kAboutOk = "OK";

// The find dialog.
inline constexpr const char* kFindTitle = "検索"_sj;
inline constexpr const char* kFindLabel = "検索する文字列(&N):"_sj;
inline constexpr const char* kFindNextButton = "次を検索(&F)"_sj;
inline constexpr const char* kFindCloseButton = "閉じる"_sj;

// The font dialog's title.
inline constexpr const char* kFontDialogTitle = "フォント設定"_sj;

// When the window's font and places could not be kept for the next session:
// the message, then the settings file's name and the reason.
inline constexpr const char* kWindowMemoryNotSaved = "ウィンドウの設定を保存できません: "_sj;
inline constexpr const char* kWindowMemoryUnwritable = "書き込めません"_sj;
inline constexpr const char* kWindowMemoryMalformed = "形式が正しくありません"_sj;

// The graph window: its title before the functions' names, its context
// menu, the export dialogs and the dialog that asks what to draw.
inline constexpr const char* kGraphTitlePrefix = "ZEMU グラフ -- "_sj;
inline constexpr const char* kGraphExportPng = "PNG で保存(&P)..."_sj;
inline constexpr const char* kGraphExportSvg = "SVG で保存(&S)..."_sj;
inline constexpr const char* kGraphAutoValues = "値の範囲を自動に戻す(&A)"_sj;
inline constexpr const char* kGraphPngFilter = "PNG 画像(*.png)|*.png"_sj;
inline constexpr const char* kGraphSvgFilter = "SVG 画像(*.svg)|*.svg"_sj;
inline constexpr const char* kGraphNotWritten = "グラフを書き出せません"_sj;
inline constexpr const char* kPlotDialogTitle = "グラフ表示"_sj;
inline constexpr const char* kPlotDialogFunctions = "関数 (コンマで区切って複数):"_sj;
inline constexpr const char* kPlotDialogRange = "x の範囲:"_sj;
inline constexpr const char* kPlotDialogValues = "値の範囲 (空欄は自動):"_sj;
inline constexpr const char* kPlotDialogTo = "～"_sj;

}  // namespace zemu
