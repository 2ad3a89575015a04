// Window layout kept in the model: where the main window and each sheet
// window stand, how wide a sheet's grid columns are and which font it uses.
// Definition files store these values; a front end only applies them and
// reports the user's moves and resizes back.
#pragma once

#include <array>
#include <string>

namespace zemu {

// A top-level window's position and outer size in pixels.
struct WindowPlace {
  int top = 0;
  int left = 0;
  int height = 0;
  int width = 0;
};

// The main window's place when the initial definition file gives none (the
// height and width are its client area).
inline constexpr WindowPlace kMainFormDesignPlace{101, 368, 260, 604};
// A sheet window's place when its file gives none. The width leaves the
// definition column its default width beside the three narrow columns.
inline constexpr WindowPlace kSheetDesignPlace{140, 40, 240, 480};
// A new unnamed sheet opens this much lower than the design place, so that it
// does not cover the sheet of the initial definition file exactly.
inline constexpr int kUnnamedSheetDrop = 32;

// Default widths of the grid columns type, name, value and definition.
inline constexpr std::array<int, 4> kDefaultColumnWidths = {64, 64, 64, 256};
// The definition column never gets narrower than this when the window shrinks.
inline constexpr int kMinDefinitionColumnWidth = 64;
// Room beside the columns for the grid's frame and its vertical scroll bar.
inline constexpr int kGridFrameWidth = 32;

// The main window's title before any sheet is opened.
inline constexpr const char* kMainFormTitle = " ZEMU 2002 for Windows";

// Which parts of a window's place its file named (Top or Left, Height or
// Width, with an integer value): what a file leaves open is the front end's
// to choose.
struct PlaceGiven {
  bool position = false;
  bool size = false;
};

// The main window as the model knows it.
struct MainFormState {
  WindowPlace place = kMainFormDesignPlace;
  PlaceGiven given;  // by the initial definition file
  std::string title = kMainFormTitle;
};

// A sheet window as the model knows it.
struct SheetLayout {
  WindowPlace place = kSheetDesignPlace;
  PlaceGiven given;  // by the sheet's file, at its last loading
  std::array<int, 4> columnWidths = kDefaultColumnWidths;
  std::string fontName;  // empty: the front end's default font
  int fontSize = 0;      // in points; 0: the front end's default size
  bool shown = false;    // the window is visible (its window-menu entry is checked)
};

}  // namespace zemu
