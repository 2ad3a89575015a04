// The core's Shift-JIS texts in Qt's strings and back, through the core's
// conversion, so that a QString position is a character of the core's own
// rule (see base/encoding.h).
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "base/encoding.h"

namespace zemu::gui {

inline QString ToQString(const std::u16string& units) {
  return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()));
}

inline std::u16string_view Utf16Of(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

inline QString ToQString(std::string_view sjis) { return ToQString(SjisToUtf16(sjis)); }

inline std::string ToSjis(const QString& text) { return Utf16ToSjis(Utf16Of(text)); }

// The same through a codec kept open, for many texts in a row.
inline QString ToQString(WidgetTextCodec& codec, std::string_view sjis) {
  return ToQString(codec.ToUtf16(sjis));
}

inline std::string ToSjis(WidgetTextCodec& codec, const QString& text) {
  return codec.ToSjis(Utf16Of(text));
}

}  // namespace zemu::gui
