#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

// What the installer finds on the disk and in an archive's name.
namespace zv {

// Appends the absolute path ("/" separators) of every file named nb.ini in
// dir and, depth first, in its sub-folders to nbIniPaths, leaving out paths
// already listed and an installation's work folder. Pending events are processed once per folder so the window
// repaints during a long scan; linked folders are not followed (a link back
// up would never end).
void scanNbIni(const QDir& dir, QStringList& nbIniPaths);

// The paths of the files matching patterns in dir and all its sub-folders,
// those of the sub-folders first.
QStringList findFiles(const QDir& dir, const QStringList& patterns);

// Deletes the dBASE index files ("*.mdx", "*.MDX") in folder and below, so
// WinRIK rebuilds them for the tables a reinstalled base brought. A file that
// cannot be deleted is left.
void removeIndexFiles(const QString& folder);

// The first listed nb.ini whose folder's name ends in folderEnd, letter case
// ignored; empty when none does. When folderEnd begins with a letter or
// digit, the name must not have another one just before it, so the base
// code 1234 finds Base_1234 or 1234 but never X_51234.
QString firstNbIniEndingIn(const QStringList& nbIniPaths, const QString& folderEnd);

// The file of a dBASE table in folder, its name in any letter case; empty
// when there is none.
QString tableFileIn(const QString& folder, const QString& table);

// The key of an НР и СП archive: its file name from the last "_" up to the
// last "." ("_abc" for nrsp_abc.zip); empty when the name has no such part.
QString nrspKeyOfArchive(const QString& archive);
// The base code of a normative-base archive: the four characters before
// ".zip" (fewer when the file name is shorter).
QString baseCodeOfArchive(const QString& archive);

// Table type and record number of an endings archive named
// <type>_<number>.dbf.zip (number in decimal, with or without leading zeros).
struct EndingsArchiveName
{
    bool valid = false;
    QString type;
    int number = 0;
};
EndingsArchiveName endingsArchiveName(const QString& archive);

} // namespace zv
