#include "install/installer.h"

#include "install/installtransaction.h"
#include "install/processcheck.h"
#include "service/downloadroom.h"
#include "service/logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace zv {

namespace {

// The setup program replaces the client's files, so the client leaves at
// once instead of going back to its event loop.
void exitClientNow()
{
    std::fflush(nullptr);
    std::exit(0);
}

// The archive is the mark of an unfinished installation: once it is gone the
// catalogue no longer offers the item as waiting.
void removeArchive(const QString& archive)
{
    if (!QFile::remove(archive))
        ZV_WARNING() << "installFile: the installed archive could not be removed from the cache: "
                     << archive;
}

QString nameOf(const QString& archive)
{
    return QFileInfo(archive).fileName();
}

QString logPath()
{
    return QDir::toNativeSeparators(supportLogFilePath());
}

} // namespace

Installer::Installer(const QString& rikFolder, const QString& grandFolder)
    : m_rikFolder(rikFolder), m_grandFolder(grandFolder), m_exitClient(exitClientNow)
{
}

void Installer::setInstalledBases(const QMap<QString, NORMBASE>& bases)
{
    m_installedBases = bases;
}

void Installer::setOfferedEndings(const QVector<VAR>& endings)
{
    m_offeredEndings = endings;
}

void Installer::setNbIniPaths(const QStringList& paths)
{
    m_nbIniPaths = paths;
}

void Installer::setSevenZipRun(const SevenZipRun& run)
{
    m_sevenZip = run;
}

void Installer::setProgress(std::function<void(int)> progress)
{
    m_progress = std::move(progress);
}

void Installer::setStopRequested(std::function<bool()> stopRequested)
{
    m_sevenZip.stopRequested = std::move(stopRequested);
}

void Installer::setClientExit(std::function<void()> exitClient)
{
    m_exitClient = std::move(exitClient);
}

bool Installer::installFile(const QString& archive, const QString& itemClass)
{
    m_failureReason.clear();
    m_archiveDamaged = false;
    if (installAllOrNothing(archive, itemClass))
        return true;
    // Steps that know better say so themselves; every other failure still
    // names the archive, and the log has the details.
    if (m_failureReason.isEmpty())
        m_failureReason = QStringLiteral("Не удалось установить %1, подробности в журнале: %2")
                              .arg(nameOf(archive), logPath());
    return false;
}

bool Installer::installAllOrNothing(const QString& archive, const QString& itemClass)
{
    if (!QFileInfo(archive).isFile())
        return refuse(QStringLiteral("Архив не найден в папке загрузок: ") + nameOf(archive),
                      QStringLiteral("installFile: no archive ") + archive);
    if (itemClass == QLatin1String("zelvinoraPA"))
        return startOwnSetup(archive);
    Plan plan;
    if (!planFor(archive, itemClass, plan) || !checkArchive(archive, plan))
        return false;
    InstallTransaction transaction(plan.root);
    if (!transaction.begin())
        return refuse(transaction.failureReason().isEmpty()
                          ? QStringLiteral("Не удалось подготовить установку в папке %1, "
                                           "подробности в журнале: %2")
                                .arg(QDir::toNativeSeparators(plan.root), logPath())
                          : transaction.failureReason(),
                      QStringLiteral("installFile: no work folder (") + archive + QLatin1Char(')'));
    if (!unpackAndPlace(archive, plan, transaction) || !followUp(archive, plan, transaction) ||
        !transaction.commit()) {
        // A full disk or a forbidden name says more than the step it hit.
        if (!transaction.failureReason().isEmpty())
            m_failureReason = QStringLiteral("Установка %1 отменена. ").arg(nameOf(archive)) +
                              transaction.failureReason();
        if (!transaction.rollback())
            m_failureReason += QStringLiteral(" Папку %1 не удалось вернуть в прежний вид, "
                                              "при следующем запуске будет ещё одна попытка; "
                                              "подробности в журнале: %2")
                                   .arg(QDir::toNativeSeparators(plan.root), logPath());
        return false;
    }
    removeArchive(archive);
    if (m_progress)
        m_progress(100);
    return true;
}

bool Installer::unpackAndPlace(const QString& archive, const Plan& plan,
                               InstallTransaction& transaction)
{
    QProcess process;
    SevenZipRun run = m_sevenZip;
    if (m_progress)
        run.progress = [this](int percent) { m_progress(50 + percent / 2); };
    SevenZipEnd end = SevenZipEnd::Done;
    if (!extractArchive(process, plan.command, archive, transaction.stagingFolder(), run, &end))
        return sevenZipFailed(archive, end,
                              QStringLiteral("Не удалось распаковать архив %1 в папку %2: нет "
                                             "места на диске %3 или нет доступа к папке")
                                  .arg(nameOf(archive), QDir::toNativeSeparators(plan.root),
                                       volumeNameOf(plan.root)));
    // WinRIK may have been started while 7-Zip worked.
    if (plan.root == m_rikFolder && probeProcess(winrikImageName))
        return refuse(QStringLiteral("Закройте программу WinRIK и повторите установку."),
                      QStringLiteral("installFile: WinRIK is running (") + archive +
                          QLatin1Char(')'));
    if (stopped(archive))
        return false;
    if (!transaction.placeStaged(plan.prefix))
        return refuse(QStringLiteral("Не удалось заменить файл ") +
                          QDir::toNativeSeparators(transaction.failedPath()) +
                          QStringLiteral(": ") + nameOf(archive),
                      QStringLiteral("installFile: files not placed (") + archive +
                          QLatin1Char(')'));
    return true;
}

bool Installer::startOwnSetup(const QString& archive)
{
    if (!QProcess::startDetached(archive, {}, QCoreApplication::applicationDirPath()))
        return refuse(QStringLiteral("Не удалось запустить программу установки: ") +
                          nameOf(archive),
                      QStringLiteral("installFile: the setup program could not be started: ") +
                          archive);
    ZV_INFO() << "installFile: setup program started, the client ends: " << archive;
    m_exitClient();
    return true;
}

bool Installer::stopped(const QString& archive)
{
    if (!m_sevenZip.stopRequested || !m_sevenZip.stopRequested())
        return false;
    return !refuse(QStringLiteral("Установка прервана: ") + nameOf(archive),
                   QStringLiteral("installFile: stopped by the user (") + archive +
                       QLatin1Char(')'));
}

bool Installer::sevenZipFailed(const QString& archive, SevenZipEnd end, const QString& reason)
{
    if (end == SevenZipEnd::Stopped)
        m_failureReason = QStringLiteral("Установка прервана: ") + nameOf(archive);
    else if (end == SevenZipEnd::Stalled)
        m_failureReason =
            QStringLiteral("Программа 7-Zip перестала отвечать, установка отменена: ") +
            nameOf(archive);
    else if (end == SevenZipEnd::NotStarted)
        m_failureReason = QStringLiteral("Не удалось запустить программу 7-Zip");
    else
        m_failureReason = reason;
    return false;
}

bool Installer::refuse(const QString& reason, const QString& logged)
{
    m_failureReason = reason;
    ZV_ERROR() << logged;
    return false;
}

const VAR* Installer::newestOfferedRecord(const QString& type, int number) const
{
    for (auto it = m_offeredEndings.crbegin(); it != m_offeredEndings.crend(); ++it) {
        if (it->type == type && it->number == number)
            return &*it;
    }
    return nullptr;
}

} // namespace zv
