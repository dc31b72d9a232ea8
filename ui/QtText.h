#pragma once

// Conversions between the model's Text and QString: both are UTF-16 code
// units, so nothing is lost either way.

#include <QString>

#include "codec/Text.h"

namespace vantrel {

// Unit for unit. (QString::fromUtf16 would read a leading U+FEFF or U+FFFE as
// a byte-order mark: drop it, or swap the bytes of everything after it.)
inline QString ToQString(const Text& text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline Text FromQString(const QString& text) {
  return Text(reinterpret_cast<const char16_t*>(text.utf16()),
              static_cast<std::size_t>(text.size()));
}

}  // namespace vantrel
