// The window's memory between sessions.
#include "gui/window_memory.h"

#include <QStandardPaths>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "gui/qt_text.h"
#include "host/window_texts.h"
#include "sheet/ini.h"

namespace zemu::gui {

namespace {

const QString kPlaces = QStringLiteral("places/");
const QString kBasis = QStringLiteral("/basis");
const QString kRect = QStringLiteral("/rect");
const QString kFont = QStringLiteral("console/font");
const QString kWatchHeight = QStringLiteral("console/watchHeight");

}  // namespace

WindowMemory::WindowMemory(const QString& fileName) : settings_(fileName, QSettings::IniFormat) {}

QString WindowMemory::DefaultFileName() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/zemu/window.ini");
}

QString WindowMemory::PlaceBasis(const std::string& fileName, const char* section) {
  const IniSection keys = ReadIniSection(fileName, section);
  QStringList values;
  for (const char* key : {"Top", "Left", "Height", "Width"}) {
    const std::string value = IniText(keys, key, "-");
    values << QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size()));
  }
  return values.join(QLatin1Char(','));
}

QString WindowMemory::SheetKey(const std::string& fileName) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(fileName, error);
  const std::string& bytes = error ? fileName : full.native();
  // Hex, as a file name may hold what a settings key cannot.
  return QString::fromLatin1(
      QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toHex());
}

std::optional<QRect> WindowMemory::Place(const QString& key, const QString& basis) const {
  const QString group = kPlaces + key;
  if (settings_.value(group + kBasis).toString() != basis) return std::nullopt;
  const QRect place = settings_.value(group + kRect).toRect();
  if (!place.isValid()) return std::nullopt;
  return place;
}

void WindowMemory::NotePlace(const QString& key, const QString& basis, const QRect& place) {
  settings_.setValue(kPlaces + key + kBasis, basis);
  settings_.setValue(kPlaces + key + kRect, place);
}

std::optional<QFont> WindowMemory::Font() const {
  QFont font;
  const QString text = settings_.value(kFont).toString();
  if (text.isEmpty() || !font.fromString(text)) return std::nullopt;
  return font;
}

void WindowMemory::NoteFont(const QFont& font) { settings_.setValue(kFont, font.toString()); }

int WindowMemory::WatchHeight() const { return std::max(settings_.value(kWatchHeight).toInt(), 0); }

void WindowMemory::NoteWatchHeight(int pixels) { settings_.setValue(kWatchHeight, pixels); }

bool WindowMemory::Save(QString& why) {
  settings_.sync();
  switch (settings_.status()) {
    case QSettings::NoError:
      return true;
    case QSettings::AccessError:
      why = ToQString(kWindowMemoryUnwritable);
      break;
    case QSettings::FormatError:
      why = ToQString(kWindowMemoryMalformed);
      break;
  }
  return false;
}

}  // namespace zemu::gui
