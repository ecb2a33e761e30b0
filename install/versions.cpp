#include "install/versions.h"

#include "service/logging.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

namespace zv {

namespace {

const QString versionKey = QStringLiteral("Version");
const QString yearKey = QStringLiteral("Year");
const QString monthKey = QStringLiteral("Month");
const QString dayKey = QStringLiteral("Day");

VersionMap zeroVersion()
{
    return {{versionKey, 0}, {yearKey, 0}, {monthKey, 0}, {dayKey, 0}};
}

} // namespace

VersionMap versionInLines(const QStringList& lines)
{
    static const QRegularExpression minorAndDate(QStringLiteral("\\d\\.\\d\\d\\d\\d\\d\\d"));
    for (const QString& line : lines) {
        const QRegularExpressionMatch match = minorAndDate.match(line);
        // The major digit and its point stand before the match; a match at
        // the very start of a line has no major version to read.
        if (!match.hasMatch() || match.capturedStart() < 2)
            continue;
        const QString text = line.mid(match.capturedStart() - 2, 10);
        return {{versionKey, text.mid(0, 3).toFloat()},
                {yearKey, text.mid(4, 2).toFloat()},
                {monthKey, text.mid(6, 2).toFloat()},
                {dayKey, text.mid(8, 2).toFloat()}};
    }
    return {};
}

VersionMap installedRikVersion(const QString& rikFolder)
{
    QFile file(rikFolder + QStringLiteral("/UTILS/Doc/LastChange.rtf"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        ZV_ERROR() << "installedRikVersion: " << file.errorString();
        return zeroVersion();
    }
    // The RTF is in the Windows code page; only the ASCII digits matter, so
    // each byte is taken as it stands.
    QStringList lines;
    while (!file.atEnd())
        lines << QString::fromLatin1(file.readLine());
    return versionInLines(lines);
}

VersionMap versionFromText(const QString& versionText)
{
    const int lastPoint = versionText.lastIndexOf(QLatin1Char('.'));
    const QString date = versionText.right(6);
    return {{versionKey, versionText.left(lastPoint).toFloat()},
            {yearKey, date.mid(0, 2).toFloat()},
            {monthKey, date.mid(2, 2).toFloat()},
            {dayKey, date.mid(4, 2).toFloat()}};
}

VersionMap ownVersion()
{
    return versionFromText(QCoreApplication::applicationVersion());
}

bool isNewVersion(const VersionMap& installed, const VersionMap& current)
{
    const float installedVersion = installed.value(versionKey);
    const float currentVersion = current.value(versionKey);
    if (static_cast<int>(installedVersion * 100) != static_cast<int>(currentVersion * 100))
        return installedVersion - currentVersion <= 0;
    for (const QString& key : {yearKey, monthKey, dayKey}) {
        const int installedPart = static_cast<int>(installed.value(key));
        const int currentPart = static_cast<int>(current.value(key));
        if (installedPart != currentPart)
            return installedPart < currentPart;
    }
    return false;
}

} // namespace zv
