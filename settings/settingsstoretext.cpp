#include "settings/settingsstoretext.h"

#include <QStringList>

namespace zv {
namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString blankEscape(QChar c)
{
    return c == QLatin1Char(' ') ? QStringLiteral("\\s") : QStringLiteral("\\t");
}

// Escapes a backslash and line breaks everywhere, blanks only at the ends.
QString escaped(const QString& text, bool isKey)
{
    int first = 0;
    while (first < text.size() && isBlank(text.at(first)))
        ++first;
    int last = text.size();
    while (last > first && isBlank(text.at(last - 1)))
        --last;

    QString out;
    out.reserve(text.size() + 8);
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (isBlank(c) && (i < first || i >= last))
            out += blankEscape(c);
        else if (isKey && c == QLatin1Char('='))
            out += QStringLiteral("\\=");
        else if (isKey && i == 0 && c == QLatin1Char('['))
            out += QStringLiteral("\\[");
        else
            out += c;
    }
    return out;
}

QString unescaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(++i);
        switch (next.unicode()) {
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case 's':
            out += QLatin1Char(' ');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        default:
            out += next;
            break; // \\ \= \[ and anything unknown: the character itself
        }
    }
    return out;
}

// The first "=" that is not escaped, or -1.
int separatorAt(const QString& line)
{
    for (int i = 0; i < line.size(); ++i) {
        if (line.at(i) == QLatin1Char('\\'))
            ++i;
        else if (line.at(i) == QLatin1Char('='))
            return i;
    }
    return -1;
}

QString valueText(const QVariant& value)
{
    if (value.type() == QVariant::Bool)
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.type() == QVariant::StringList)
        return value.toStringList().join(QLatin1Char('\n'));
    return value.toString();
}

} // namespace

QByteArray storeText(const QSettings::SettingsMap& map)
{
    // Keys without a group come first, before any section header.
    QString top;
    QString sections;
    QString currentGroup;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QString& key = it.key();
        const int slash = key.indexOf(QLatin1Char('/'));
        const QString line = escaped(slash < 0 ? key : key.mid(slash + 1), true) +
                             QLatin1Char('=') + escaped(valueText(it.value()), false) +
                             QLatin1Char('\n');
        if (slash < 0) {
            top += line;
            continue;
        }
        const QString group = key.left(slash);
        if (sections.isEmpty() || group != currentGroup) {
            if (!sections.isEmpty())
                sections += QLatin1Char('\n');
            sections += QLatin1Char('[') + escaped(group, true) + QStringLiteral("]\n");
            currentGroup = group;
        }
        sections += line;
    }
    if (!top.isEmpty() && !sections.isEmpty())
        top += QLatin1Char('\n');
    return (top + sections).toUtf8();
}

bool readStoreText(const QByteArray& text, QSettings::SettingsMap& map)
{
    bool wellFormed = true;
    QString group;
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = unescaped(line.mid(1, line.size() - 2));
            continue;
        }
        const int separator = separatorAt(line);
        if (separator <= 0) {
            wellFormed = false;
            continue;
        }
        const QString key = unescaped(line.left(separator));
        const QString value = unescaped(line.mid(separator + 1));
        map.insert(group.isEmpty() ? key : group + QLatin1Char('/') + key, value);
    }
    return wellFormed;
}

} // namespace zv
