#include "install/archivecontents.h"

#include "install/installtransaction.h"

#include <QRegularExpression>

namespace zv {

namespace {

struct Entry
{
    QString path;
    qint64 size = 0;
    bool isLink = false;
};

// The attributes end with the Unix mode where the archive keeps one
// ("A lrwxrwxrwx"); a mode starting with "l" is a symbolic link.
bool attributesNameALink(const QString& attributes)
{
    static const QRegularExpression linkMode(QStringLiteral("(^|\\s)l[rwxsStT-]{9}$"));
    return linkMode.match(attributes.trimmed()).hasMatch();
}

void finish(Entry& entry, ArchiveContents& contents)
{
    if (entry.path.isEmpty())
        return;
    contents.paths << entry.path;
    contents.unpackedSize += entry.size;
    if (contents.unsafeEntry.isEmpty() && (entry.isLink || isUnsafeEntryPath(entry.path)))
        contents.unsafeEntry = entry.path;
    entry = Entry();
}

} // namespace

ArchiveContents parseTechnicalListing(const QByteArray& listing)
{
    ArchiveContents contents;
    const QStringList lines = QString::fromUtf8(listing).split(QLatin1Char('\n'));
    bool inEntries = false;
    Entry entry;
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!inEntries) {
            inEntries = line == QLatin1String("----------");
            continue;
        }
        const int sign = line.indexOf(QLatin1String(" = "));
        const QString key = sign < 0 ? line.trimmed() : line.left(sign);
        const QString value = sign < 0 ? QString() : line.mid(sign + 3);
        if (key == QLatin1String("Path")) {
            finish(entry, contents);
            entry.path = value;
        } else if (key == QLatin1String("Size")) {
            entry.size = value.toLongLong();
        } else if (key == QLatin1String("Attributes")) {
            entry.isLink = entry.isLink || attributesNameALink(value);
        } else if (key == QLatin1String("Symbolic Link") || key == QLatin1String("Hard Link") ||
                   key == QLatin1String("Link")) {
            entry.isLink = entry.isLink || !value.trimmed().isEmpty();
        }
    }
    finish(entry, contents);
    return contents;
}

QString listingSummary(const ArchiveContents& contents)
{
    if (contents.paths.isEmpty())
        return QStringLiteral("no entries");
    return QStringLiteral("%1 entries, %2 bytes unpacked, first \"%3\", last \"%4\"")
        .arg(contents.paths.size())
        .arg(contents.unpackedSize)
        .arg(contents.paths.first(), contents.paths.last());
}

bool isUnsafeEntryPath(const QString& path)
{
    // A newline would split the installation's journal line that names the
    // file; no program folder needs such a name.
    for (const QChar c : path) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    QString normal = path;
    normal.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (normal.startsWith(QLatin1Char('/')) || normal.contains(QLatin1Char(':')))
        return true;
    QStringList pieces = normal.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    pieces.removeAll(QStringLiteral("."));
    for (QString& piece : pieces) {
        // Windows drops trailing dots and blanks from a name: ".. " and
        // "..." climb out as ".." does, ".zelvinora-install." is the work
        // folder.
        while (piece.endsWith(QLatin1Char('.')) || piece.endsWith(QLatin1Char(' ')))
            piece.chop(1);
        if (piece.isEmpty())
            return true;
    }
    // The installation's journal and originals lie there; letter case does
    // not tell names apart on Windows.
    return !pieces.isEmpty() &&
           pieces.first().compare(installWorkFolderName, Qt::CaseInsensitive) == 0;
}

QString printableEntryPath(QString path)
{
    for (QChar& c : path) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    }
    return path;
}

} // namespace zv
