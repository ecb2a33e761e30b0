// What is decided and checked before an installation touches a program
// folder: where the archive goes, whether it may be trusted, and whether
// the disk and WinRIK let it in.
#include "install/installer.h"

#include "install/installerfiles.h"
#include "install/processcheck.h"
#include "install/winrikfolder.h"
#include "service/downloadcache.h"
#include "service/downloadroom.h"
#include "service/logging.h"

#include <QDir>
#include <QFileInfo>

namespace zv {

namespace {

QString nameOf(const QString& archive)
{
    return QFileInfo(archive).fileName();
}

// A URL holding ".." makes a cache path that leads out of the cache; such a
// path never installs, so never deletes, anything elsewhere.
bool liesInCache(const QString& archive)
{
    const QString path = QDir::cleanPath(QFileInfo(archive).absoluteFilePath());
    return path.startsWith(QDir::cleanPath(downloadCacheFolder()) + QLatin1Char('/'));
}

} // namespace

bool Installer::planFor(const QString& archive, const QString& itemClass, Plan& plan)
{
    if (!liesInCache(archive) || !isTrustedCacheFile(archive))
        return refuse(QStringLiteral("Архив не из папки загрузок, установка отменена: ") +
                          nameOf(archive),
                      QStringLiteral("installFile: the archive is not the user's own file in the "
                                     "download cache and is not installed: ") +
                          archive);
    plan.itemClass = itemClass;
    plan.root = m_rikFolder;
    QString program = QStringLiteral("WinRIK");
    const QString notNamed = QStringLiteral("Имя архива не говорит, что в нём: ") + nameOf(archive);
    if (itemClass == QLatin1String("rikUser")) {
        // user.rik belongs in the WinRIK folder itself, whatever folder the
        // archive keeps it in.
        plan.command = QStringLiteral("e");
    } else if (itemClass == QLatin1String("rikNRSP")) {
        plan.baseKey = nrspKeyOfArchive(archive);
        if (plan.baseKey.isEmpty())
            return refuse(notNamed, QStringLiteral("installFile: the archive name names no "
                                                   "normative base (") + archive + QLatin1Char(')'));
    } else if (itemClass == QLatin1String("rikNB")) {
        const QString code = baseCodeOfArchive(archive);
        plan.baseKey = code.mid(code.lastIndexOf(QLatin1Char('/')) + 1);
        if (plan.baseKey.isEmpty())
            return refuse(notNamed, QStringLiteral("installFile: the archive name names no "
                                                   "normative base (") + archive + QLatin1Char(')'));
    } else if (itemClass.contains(QLatin1String("rikVar"))) {
        const EndingsArchiveName name = endingsArchiveName(archive);
        const VAR* const record = name.valid ? newestOfferedRecord(name.type, name.number) : nullptr;
        if (!record)
            return refuse(QStringLiteral("Концовка не найдена среди предложенных: ") +
                              nameOf(archive),
                          QStringLiteral("installFile: no offered endings record (") + archive +
                              QLatin1Char(')'));
        plan.record = *record;
        plan.prefix = QStringLiteral("sm_r/var");
    } else if (itemClass == QLatin1String("grandInd")) {
        plan.root = m_grandFolder;
        program = QStringLiteral("Гранд-Смета");
    } else if (itemClass != QLatin1String("rik") && itemClass != QLatin1String("rikInd")) {
        // An unnamed kind would leave the user a sentence ending in a colon.
        return refuse(itemClass.isEmpty()
                          ? QStringLiteral("Клиент не устанавливает этот вид обновления: ") +
                                nameOf(archive)
                          : QStringLiteral("Неизвестный вид обновления: ") + itemClass,
                      QStringLiteral("installFile: no rule for the class ") + itemClass + " (" +
                          archive + QLatin1Char(')'));
    }
    // 7-Zip creates a missing target, so a folder setting that is empty or
    // mistyped would scatter the data into the current or a new folder.
    if (plan.root.isEmpty() || !QFileInfo(plan.root).isDir())
        return refuse(QStringLiteral("Не найдена папка ") + program + QStringLiteral(": ") +
                          QDir::toNativeSeparators(plan.root),
                      QStringLiteral("installFile: the ") + program + " folder \"" +
                          QDir::toNativeSeparators(plan.root) + "\" does not exist (" + archive +
                          QLatin1Char(')'));
    plan.root = QDir::cleanPath(plan.root);
    return true;
}

bool Installer::checkArchive(const QString& archive, Plan& plan)
{
    // WinRIK keeps its tables open and would work on with a half-changed
    // folder; it may have been started after the client.
    if (plan.root != QDir::cleanPath(m_grandFolder) && probeProcess(winrikImageName))
        return refuse(QStringLiteral("Закройте программу WinRIK и повторите установку."),
                      QStringLiteral("installFile: WinRIK is running (") + archive +
                          QLatin1Char(')'));
    QProcess process;
    SevenZipRun run = m_sevenZip;
    if (m_progress)
        run.progress = [this](int percent) { m_progress(percent / 2); };
    SevenZipEnd end = SevenZipEnd::Done;
    const QString damaged = QStringLiteral("Архив повреждён: ") + nameOf(archive);
    if (!testArchive(process, archive, run, &end)) {
        m_archiveDamaged = end == SevenZipEnd::Failed;
        return sevenZipFailed(archive, end, damaged);
    }
    ArchiveContents contents;
    if (!listArchive(process, archive, m_sevenZip, &contents)) {
        m_archiveDamaged = true;
        return sevenZipFailed(archive, SevenZipEnd::Failed, damaged);
    }
    if (!contents.unsafeEntry.isEmpty())
        return refuse(QStringLiteral("Архив содержит недопустимый путь «") +
                          printableEntryPath(contents.unsafeEntry) +
                          QStringLiteral("», установка отменена: ") + nameOf(archive),
                      QStringLiteral("installFile: entry leads out of the folder or is a link: ") +
                          contents.unsafeEntry + " (" + archive + QLatin1Char(')'));
    if (!baseFolderKnown(plan, contents.paths))
        return refuse(QStringLiteral("Не найдена папка нормативной базы для архива: ") +
                          nameOf(archive),
                      QStringLiteral("installFile: no normative base folder ending in ") +
                          plan.baseKey + " (" + archive + QLatin1Char(')'));
    return enoughSpace(archive, plan, contents.unpackedSize) && !stopped(archive);
}

// The base an НР и СП or base archive is for must be found: brought by the
// archive itself (then that nb.ini is the base's, whatever copies of the base
// the folder keeps elsewhere), or already in the folder.
bool Installer::baseFolderKnown(Plan& plan, const QStringList& entries) const
{
    if (plan.baseKey.isEmpty())
        return true;
    QStringList brought;
    for (QString entry : entries) {
        entry.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (entry.endsWith(QLatin1String("/nb.ini"), Qt::CaseInsensitive))
            brought << QDir::cleanPath(plan.root + QLatin1Char('/') + entry);
    }
    plan.broughtNbIni = firstNbIniEndingIn(brought, plan.baseKey);
    if (!plan.broughtNbIni.isEmpty())
        return true;
    QStringList found = m_nbIniPaths;
    scanNbIni(QDir(plan.root), found);
    return !firstNbIniEndingIn(found, plan.baseKey).isEmpty();
}

// Room for the unpacked files (the replaced ones are only moved aside) and
// for the copies of the tables the follow-up work changes.
bool Installer::enoughSpace(const QString& archive, const Plan& plan, qint64 unpacked)
{
    qint64 copies = 0;
    if (plan.itemClass == QLatin1String("rikNB"))
        copies = QFileInfo(tableFileIn(winrik::instalFolder(plan.root), winrik::instalTable)).size();
    else if (!plan.record.type.isEmpty())
        copies = QFileInfo(tableFileIn(winrik::endingsFolder(plan.root),
                                       winrik::endingsTable(plan.record.type)))
                     .size();
    const qint64 needed = unpacked + copies;
    const QString shortfall = roomShortfall(plan.root, needed);
    if (shortfall.isEmpty())
        return true;
    return refuse(shortfall, QStringLiteral("installFile: ") + QString::number(needed) +
                                 " bytes needed, " + QString::number(freeSpaceAt(plan.root)) +
                                 " free in " + QDir::toNativeSeparators(plan.root) + " (" + archive +
                                 QLatin1Char(')'));
}

} // namespace zv
