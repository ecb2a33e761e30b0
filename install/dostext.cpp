#include "install/dostext.h"

#include "install/dbftext.h"

#include <QHash>

namespace zv {

namespace {

// The 33 capitals with Ё, the 33 small letters with ё, and "№": the letters
// both recoding tables are made of.
QString tableLetters()
{
    QString letters;
    for (ushort u = 0x0410; u <= 0x044F; ++u)
        letters.append(QChar(u));
    letters.append(QChar(0x0401));
    letters.append(QChar(0x0451));
    letters.append(QChar(0x2116));
    return letters;
}

const QString& letters()
{
    static const QString all = tableLetters();
    return all;
}

} // namespace

QString decodeDosText(const QString& text)
{
    // Table D: byte character of the letter's CP866 code -> letter. No letter
    // is a byte character, so one pass equals replacing pair by pair.
    static const QHash<QChar, QChar> table = [] {
        QHash<QChar, QChar> pairs;
        for (const QChar letter : letters())
            pairs.insert(dbftext::charOfByte(uchar(dbftext::cp866ByteOf(letter))), letter);
        return pairs;
    }();
    QString out = text;
    for (QChar& c : out) {
        const auto it = table.constFind(c);
        if (it != table.constEnd())
            c = it.value();
    }
    return out;
}

QString encodeWinText(const QString& text)
{
    // Table W: letter -> Latin-1 character of its Windows-1251 code.
    QString out = text;
    for (QChar& c : out) {
        if (!letters().contains(c))
            continue;
        c = QChar(ushort(dbftext::windows1251ByteOf(c)));
    }
    return out;
}

} // namespace zv
