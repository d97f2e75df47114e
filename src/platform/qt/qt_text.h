// Script text to Qt and back: both are UTF-16, so nothing is re-encoded;
// line breaks become the single LF that Qt's widgets expect.
#pragma once

#include <QString>

#include "text/text.h"

namespace qel {

inline QString toQString(TextView text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

inline QString toQLines(TextView text) {
    QString s = toQString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

inline Text fromQString(const QString& s) {
    return Text(reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size()));
}

}  // namespace qel
