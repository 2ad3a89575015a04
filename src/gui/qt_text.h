// The core's Shift-JIS texts in Qt's strings and back, through the core's
// conversion, so that a QString position is a character of the core's own
// rule (see base/encoding.h).
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "base/encoding.h"

namespace zemu::gui {

inline QString ToQString(std::string_view sjis) {
  const std::u16string units = SjisToUtf16(sjis);
  return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()));
}

inline std::string ToSjis(const QString& text) {
  return Utf16ToSjis(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                         static_cast<std::size_t>(text.size())));
}

}  // namespace zemu::gui
