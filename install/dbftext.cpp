#include "install/dbftext.h"

namespace zv::dbftext {

namespace {

// Windows-1252 at 0x80-0x9F; 0 marks the five undefined codes.
const char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

QChar charOfByte(uchar byte)
{
    if (byte >= 0x80 && byte <= 0x9F) {
        const char16_t c = kWindows1252High[byte - 0x80];
        return c ? QChar(c) : QChar(ushort(byte));
    }
    return QChar(ushort(byte));
}

QString decode(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char b : bytes)
        text.append(charOfByte(uchar(b)));
    return text;
}

int cp866ByteOf(QChar c)
{
    const ushort u = c.unicode();
    if (u >= 0x0410 && u <= 0x043F)
        return 0x80 + (u - 0x0410); // А-Я, а-п
    if (u >= 0x0440 && u <= 0x044F)
        return 0xE0 + (u - 0x0440); // р-я
    switch (u) {
    case 0x0401: return 0xF0; // Ё
    case 0x0451: return 0xF1; // ё
    case 0x0404: return 0xF2; // Є
    case 0x0454: return 0xF3; // є
    case 0x0407: return 0xF4; // Ї
    case 0x0457: return 0xF5; // ї
    case 0x040E: return 0xF6; // Ў
    case 0x045E: return 0xF7; // ў
    case 0x2116: return 0xFC; // №
    default: return -1;
    }
}

int windows1251ByteOf(QChar c)
{
    const ushort u = c.unicode();
    if (u >= 0x0410 && u <= 0x044F)
        return 0xC0 + (u - 0x0410);
    switch (u) {
    case 0x0401: return 0xA8; // Ё
    case 0x0451: return 0xB8; // ё
    case 0x2116: return 0xB9; // №
    default: return -1;
    }
}

int byteOfChar(QChar c)
{
    const ushort u = c.unicode();
    if (u <= 0xFF)
        return u;
    for (int i = 0; i < 32; ++i) {
        if (kWindows1252High[i] != 0 && kWindows1252High[i] == u)
            return 0x80 + i;
    }
    return cp866ByteOf(c);
}

} // namespace zv::dbftext
