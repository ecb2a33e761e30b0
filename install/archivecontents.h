#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What an archive holds, read from 7-Zip's technical listing ("l -slt")
// before anything of it reaches a program folder.
namespace zv {

struct ArchiveContents
{
    // Entry paths as the archive names them (files and folders).
    QStringList paths;
    // The sum of the entries' unpacked sizes.
    qint64 unpackedSize = 0;
    // The first entry that could land outside the target folder or plant a
    // link there; empty when every entry is harmless.
    QString unsafeEntry;
};

// Parses the listing: the blocks after the "----------" line, one per entry,
// "Path = ", "Size = ", "Attributes = " and the link fields of the formats
// that have them.
ArchiveContents parseTechnicalListing(const QByteArray& listing);

// One line for the log: "3000 entries, 12345 bytes unpacked, first \"a\",
// last \"z\"" ("no entries" for none).
QString listingSummary(const ArchiveContents& contents);

// An entry path that climbs out with ".." (or a name Windows reads as "..",
// as ".. " or "..."), starts at a root ("/", "\", a drive letter), holds ":"
// (a drive or, on NTFS, another stream of a file) or a control character (a
// newline), or lies in an installation's work folder in any letter case.
// Both separators count: 7za.exe on Windows takes "\" as one.
bool isUnsafeEntryPath(const QString& path);

// The path as a message can show it: control characters become "?".
QString printableEntryPath(QString path);

} // namespace zv
