#pragma once

#include <QString>

namespace zv {

// WinRIK keeps Cyrillic text in its dBASE tables as CP866 bytes, which the
// table layer hands over as the Windows-1252 characters of the same codes.
// decodeDosText turns each such byte character of a Cyrillic letter (А-Я, Ё,
// а-я, ё) or of "№" back into the letter; the five codes 1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) are the code points of the same
// value. Every other character passes unchanged.
QString decodeDosText(const QString& text);

// Turns each Cyrillic letter (А-Я, Ё, а-я, ё) and "№" into the Latin-1
// character whose code is the letter's Windows-1251 byte, as Qt reads a
// Windows-1251 file byte for byte. Every other character passes unchanged.
QString encodeWinText(const QString& text);

} // namespace zv
