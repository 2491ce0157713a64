// Text at the edge between the core and Qt.
#include "uikit/Latin1.h"

QString FromLatin1(std::string_view text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

std::string Latin1Line(const QString &text) {
    std::string line;
    line.reserve(std::size_t(text.size()));
    for (QChar c : text) line += c.unicode() <= 0xFF ? char(c.unicode()) : '?';
    return line;
}

QString ErrorText(const std::exception &error) { return QString::fromLocal8Bit(error.what()); }
