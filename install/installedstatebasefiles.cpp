#include "install/installedstatebasefiles.h"

#include "service/logging.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>

namespace zv {

namespace {

const QString versionSection = QStringLiteral("[Version]");
const QString nrspDateKey = QStringLiteral("nrspDate");

// Calls lineAction(line) for each line of the "[Version]" group until it
// answers true. Bytes are kept as Latin-1 characters; the caller decodes.
// False when the file cannot be opened (errorText says why).
template <typename LineAction>
bool forEachVersionLine(const QString& path, QString& errorText, LineAction lineAction)
{
    // WinRIK's own test for a group header: a bracketed word anywhere in the line.
    static const QRegularExpression sectionHeader(QStringLiteral("\\[{1}[A-Za-z]{1,}\\]"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        errorText = file.errorString();
        return false;
    }
    QString section;
    while (!file.atEnd()) {
        const QString line = QString::fromLatin1(file.readLine());
        if (sectionHeader.match(line).hasMatch()) {
            section = line.simplified();
            continue;
        }
        if (section == versionSection && lineAction(line))
            break;
    }
    return true;
}

// Only ASCII blanks and the line end go: the byte 0xA0, which Latin-1 calls
// a no-break space, is a letter in WinRIK's DOS code page.
QString withoutAsciiBlanks(const QString& text)
{
    const auto blank = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
               c == QLatin1Char('\n');
    };
    int from = 0;
    int to = text.size();
    while (from < to && blank(text.at(from)))
        ++from;
    while (to > from && blank(text.at(to - 1)))
        --to;
    return text.mid(from, to - from);
}

QString withTrailingSeparator(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ||
        folder.endsWith(QDir::separator()))
        return folder;
    return folder + QLatin1Char('/');
}

} // namespace

QString baseFolderOnDisk(const QString& storedDir, const QString& rikFolder)
{
    QString folder = storedDir;
    if (QDir::separator() == QLatin1Char('/'))
        folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!rikFolder.isEmpty() && !folder.isEmpty() && QDir::isRelativePath(folder))
        folder = rikFolder + QLatin1Char('/') + folder;
    return folder;
}

float nbIniVersion(const QString& dir)
{
    float version = 0;
    QString errorText;
    const bool read = forEachVersionLine(
        withTrailingSeparator(dir) + QStringLiteral("nb.ini"), errorText,
        [&version](const QString& line) {
            if (!line.contains(QLatin1String("Number")))
                return false;
            // Only "Number=<value>" reads: blanks around the sign leave "="
            // in the text, which is no number, as WinRIK reads it too.
            version = line.mid(7).simplified().toFloat();
            return true;
        });
    if (!read)
        ZV_ERROR() << "nbIniVersion: " << errorText;
    return version;
}

QString nbIniName(const QString& nbIniPath)
{
    QString name;
    QString errorText;
    const bool read = forEachVersionLine(nbIniPath, errorText, [&](const QString& line) {
        const int sign = line.indexOf(QLatin1Char('='));
        if (sign < 0 || line.left(sign).trimmed() != QLatin1String("Name"))
            return false;
        name = withoutAsciiBlanks(line.mid(sign + 1));
        return true;
    });
    if (!read)
        ZV_ERROR() << "nbIniName: " << errorText;
    return name;
}

QDateTime dealerNrspDate(NORMBASE& base, const QString& rikFolder)
{
    composeNormBaseDir(base);
    const QSettings dealerIni(baseFolderOnDisk(base.dir, rikFolder) +
                                  QStringLiteral("/dealer.ini"),
                              QSettings::IniFormat);
    const QString text = dealerIni.value(nrspDateKey).toString();
    if (text.isEmpty())
        return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::LocalTime);
    return nrspDateFromText(text);
}

QString nrspDateText(const QDateTime& time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QDateTime nrspDateFromText(const QString& text)
{
    const auto number = [&text](int from, int length) { return text.mid(from, length).toInt(); };
    return QDateTime(QDate(number(0, 4), number(5, 2), number(8, 2)),
                     QTime(number(11, 2), number(14, 2)), Qt::LocalTime);
}

} // namespace zv
