// What the window remembers from one session to the next: the console's
// font, the watch screen's height when the user dragged it, and the places
// of the console and of the sheet windows. It is kept in a settings file of
// its own, never in the definition files, which the user saves when he
// chooses.
//
// A file that names a window's place (the initial file's MainForm keys, a
// sheet's DefineForm keys) has the last word when it changed: a remembered
// place comes with the file's place keys as they stood when it was noted
// (its basis), and is used only while the file still says the same.
#pragma once

#include <QFont>
#include <QRect>
#include <QSettings>
#include <QString>
#include <optional>
#include <string>

namespace zemu::gui {

class WindowMemory {
 public:
  // The memory kept in the settings file `fileName` (QSettings' INI format).
  explicit WindowMemory(const QString& fileName);
  // The user's settings file for the window.
  static QString DefaultFileName();

  // The place keys ("Top", "Left", "Height", "Width") of the section `section`
  // of the file `fileName` as they stand, as one text: the basis of a place.
  static QString PlaceBasis(const std::string& fileName, const char* section);

  // The place remembered under `key` (window position and client size), when
  // it was noted with `basis`.
  std::optional<QRect> Place(const QString& key, const QString& basis) const;
  void NotePlace(const QString& key, const QString& basis, const QRect& place);
  // The key of a sheet's place: its file's full name.
  static QString SheetKey(const std::string& fileName);

  std::optional<QFont> Font() const;
  void NoteFont(const QFont& font);
  // The watch screen's height in pixels; 0 when it follows its lines.
  int WatchHeight() const;
  void NoteWatchHeight(int pixels);

  // Writes the memory out; false with the reason when it could not.
  bool Save(QString& why);
  QString fileName() const { return settings_.fileName(); }

 private:
  QSettings settings_;
};

}  // namespace zemu::gui
