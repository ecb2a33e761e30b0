#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

// How text crosses between the bytes of a dBASE character field and QString.
namespace zv::dbftext {

// The character a stored byte is read as: its Windows-1252 character, and
// for the five codes 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// the code point of the same value.
QChar charOfByte(uchar byte);
// The bytes of a field read as text (no trimming here).
QString decode(const QByteArray& bytes);

// The byte a character is stored as, or -1 when it has none: U+0000-U+00FF
// as the byte of the same value, the 27 Windows-1252 characters of 0x80-0x9F
// as their 1252 byte, Cyrillic letters and "№" as their CP866 byte. The sets
// do not overlap, so every byte read is written back as the same byte.
int byteOfChar(QChar c);
// CP866 byte of a Cyrillic letter or "№"; -1 for anything else.
int cp866ByteOf(QChar c);
// Windows-1251 byte of a Cyrillic letter or "№"; -1 for anything else.
int windows1251ByteOf(QChar c);

} // namespace zv::dbftext
