// Text at the edge between the core and Qt: the core's text is Latin-1 bytes, one per character.
#pragma once

#include <QString>

#include <exception>
#include <string>
#include <string_view>

// The core's Latin-1 text as a QString.
QString FromLatin1(std::string_view text);

// A QString as the core's text: one Latin-1 byte per character, "?" for a character that Latin-1
// cannot hold, so positions in the two are the same.
std::string Latin1Line(const QString &text);

// The text of a failure the core threw; it names files by their bytes, in the locale's encoding.
QString ErrorText(const std::exception &error);
