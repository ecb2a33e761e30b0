// The catalogue build: the service's answers first, at most three of them one
// after another (the own-client check; everything else together; the
// versions of the installed bases on offer, asked as soon as the list of
// bases has come), then every row in its fixed order in one step, the tray
// image and the category filter.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguerow.h"
#include "catalogue/cataloguetable.h"
#include "catalogue/installedendings.h"
#include "catalogue/itemclass.h"
#include "catalogue/itemstatus.h"
#include "install/installtransaction.h"
#include "install/offthread.h"
#include "service/serviceexchange.h"
#include "service/statements.h"
#include "settings/settingkeys.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <optional>

namespace {
const QString trayIconNothingListed = QStringLiteral(":/zelvinoraPA2.ico");
const QString trayIconSomethingListed = QStringLiteral(":/zelvinoraPAisNew.ico");

struct PendingQuery
{
    zv::ServiceQuery query;
    zv::CatalogueAnswers::Answer* answer;
};
} // namespace

void DownloadTab::updateLicList()
{
    // Every wait for the service runs a nested event loop, so a second request
    // (the button again, a tab switch, the end of an action) can arrive while
    // a build or an action is under way. Running it there would replace the
    // table beneath them; it runs once they are done instead.
    if (m_buildRunning || m_actionRunning) {
        m_rebuildPending = true;
        return;
    }
    m_buildRunning = true;
    showBuildRunning(true);
    do {
        m_rebuildPending = false;
        buildCatalogue();
    } while (m_rebuildPending && !m_actionRunning);
    m_buildRunning = false;
    showBuildRunning(false);
    m_lastBuildFinished = QDateTime::currentDateTime();
    // The longest name on show is part of what the tab asks for.
    updateGeometry();
    emit catalogueBuilt(newItemCount());
}

void DownloadTab::showBuildRunning(bool running)
{
    m_busySign->setVisible(running);
    // The rows on show are about to be replaced: acting on them, or ticking
    // them, now would act on what the user no longer sees.
    toggleControls();
    emit activityChanged(running ? zv::status::building : QString());
    if (running)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void DownloadTab::showServiceGone(bool gone)
{
    m_notice->setText(zv::status::serviceGone);
    m_notice->setVisible(gone);
}

void DownloadTab::showUnrestoredFolders()
{
    // An installation a crash cut short, and that could not be undone, still
    // lies in a folder: nothing is installed there until it is put right,
    // and the user reads why above the rows that wait.
    QStringList notes;
    for (const QString& key : {zv::keys::rikPath, zv::keys::grandPath}) {
        const QString folder = m_settings.value(key).toString();
        if (!folder.isEmpty() && zv::interruptedInstallRemains(folder))
            notes << zv::interruptedInstallMessage(folder);
    }
    if (notes.isEmpty())
        return;
    m_notice->setText(notes.join(QLatin1Char('\n')));
    m_notice->show();
}

void DownloadTab::buildCatalogue()
{
    m_answers = zv::CatalogueAnswers();
    m_lastBuildWaits = 1;
    // A newer client comes first: where the client installs it, it is the
    // only thing offered until the user has; where the package manager does,
    // a line above the usual catalogue says so.
    bool reached = false;
    const QMap<QString, float> currentClient =
        getCurVersion(zv::statements::productClient, &reached);
    // Without the service nothing can be compared: the rows on show stay,
    // and the user is told why nothing changed rather than left with an
    // empty table that reads as "nothing to update".
    showServiceGone(!reached);
    if (!reached)
        return;
    showUnrestoredFolders();
    const bool newerClient = isNewVersion(ownVersion(), currentClient);
    m_answers.clientVersion = currentClient;
    if (newerClient && zv::itemclass::clientInstallsItsUpdate) {
        const QStringList ticked = tickedUrls();
        clearTable();
        addClientUpdate();
        restoreTicks(ticked);
        return;
    }

    const bool rikInUse = m_settings.value(zv::keys::generalUseRik).toBool();
    if (rikInUse)
        m_installedBases = getInstalledBazeList(DataTypes::Rik);
    // The endings tables are read once for all the records on offer, while
    // the service answers: a table of thousands of records would otherwise
    // hold the window up for a good part of a second.
    zv::InstalledEndings installedEndings(m_settings.value(zv::keys::rikPath).toString());
    std::optional<zv::OffThreadWork> endingsRead;
    if (m_useRik)
        endingsRead.emplace([&installedEndings] { installedEndings.readTables(); });
    askCatalogueQueries(rikInUse);
    if (endingsRead)
        endingsRead->wait();

    // Nothing below waits for anything, so the user never sees a table half
    // empty or half filled.
    m_answers.prepared = true;
    m_table->setUpdatesEnabled(false);
    const QStringList ticked = tickedUrls();
    clearTable();
    if (newerClient)
        addClientUpdate();
    if (rikInUse) {
        addUserUpdateRik(m_settings.value(zv::keys::rikKey).toInt());
        addVersionUpdateRik();
    }
    getLicIndRik();
    getLicIndGrand();
    getLicNB();
    getVar(installedEndings);
    markFailedRows();
    restoreTicks(ticked);
    m_table->setUpdatesEnabled(true);
    m_answers = zv::CatalogueAnswers();

    bool anythingListed = false;
    for (int row = 0; row < m_table->rowCount() && !anythingListed; ++row)
        anythingListed = !m_table->isRowHidden(row);
    emit trayIconImageChanged(anythingListed ? trayIconSomethingListed : trayIconNothingListed);

    setDataTabHidden(m_myFilesNode);
}

void DownloadTab::askCatalogueQueries(bool rikInUse)
{
    const QString key = m_settings.value(zv::keys::rikKey).toString();
    QVector<PendingQuery> pending;
    if (rikInUse)
        pending.append({{zv::statements::userFileChange(key), QStringLiteral("isNewUser:")},
                        &m_answers.userFile});
    if (rikInUse && m_useRik) {
        pending.append({{zv::statements::rikVersionOffer(key), QStringLiteral("addVersionUpdateRik:")},
                        &m_answers.rikOffer});
        pending.append({{zv::statements::productVersion(zv::statements::productRik),
                         QStringLiteral("getCurVersion:")},
                        &m_answers.rikCurrentVersion});
    }
    if (m_useRik)
        pending.append({{zv::statements::rikIndices(key), QStringLiteral("getLicIndRik: ")},
                        &m_answers.rikIndices});
    if (m_useGrand)
        pending.append({{zv::statements::grandIndices(
                             m_settings.value(zv::keys::grandKeySerial).toString(),
                             m_settings.value(zv::keys::grandKeyNumber).toString()),
                         QStringLiteral("getLicIndGrand: ")},
                        &m_answers.grandIndices});
    if (m_useRik && !m_installedBases.isEmpty())
        pending.append({{zv::statements::normativeBases(key), QStringLiteral("getLicNB: ")},
                        &m_answers.bases});
    if (m_useRik)
        pending.append({{zv::statements::endings(), QStringLiteral("getVar:")}, &m_answers.endings});
    if (pending.isEmpty())
        return;

    QVector<zv::ServiceQuery> queries;
    for (const PendingQuery& query : pending)
        queries.append(query.query);
    // The versions of the installed bases on offer are asked as soon as the
    // list of bases has come, in the places the other answers free: a third
    // wait of its own would leave them empty meanwhile.
    QStringList versionsAsked;
    const auto askVersions = [&](int index, const std::optional<QJsonArray>& answer) {
        QVector<zv::ServiceQuery> versions;
        if (pending.at(index).answer != &m_answers.bases || !answer)
            return versions;
        versionsAsked = installedOnOffer(*answer);
        for (const QString& nb : versionsAsked)
            versions.append({zv::statements::baseVersion(nb), QStringLiteral("getCurrentVersionNB:")});
        return versions;
    };
    const auto answers = zv::sendServiceQueries(this, queries, zv::maxQueriesInFlight, askVersions);
    m_lastBuildWaits += versionsAsked.isEmpty() ? 1 : 2;
    for (int index = 0; index < pending.size(); ++index)
        *pending.at(index).answer = answers.at(index);
    for (int index = 0; index < versionsAsked.size(); ++index)
        m_answers.baseVersions.insert(versionsAsked.at(index), answers.value(pending.size() + index));
}

QStringList DownloadTab::installedOnOffer(const QJsonArray& bases) const
{
    // Only an installed base is compared by version; one question per base
    // however often the answer lists it.
    QStringList installed;
    for (const QJsonValue& value : bases) {
        const QString nb = zv::columnText(value.toObject(), QStringLiteral("идНБ")).toLower();
        if (m_installedBases.contains(nb) && !installed.contains(nb))
            installed.append(nb);
    }
    return installed;
}

void DownloadTab::clearTable()
{
    while (m_table->rowCount() > 0)
        m_table->removeRow(0);
}

int DownloadTab::newItemCount() const
{
    int count = 0;
    for (int row = 0; row < m_table->rowCount(); ++row)
        count += zv::cells::isNewAt(*m_table, row) ? 1 : 0;
    return count;
}

QStringList DownloadTab::tickedUrls() const
{
    QStringList urls;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (zv::cells::isTicked(*m_table, row))
            urls.append(zv::cells::urlAt(*m_table, row));
    }
    return urls;
}

void DownloadTab::restoreTicks(const QStringList& urls)
{
    for (int row = 0; row < m_table->rowCount() && !urls.isEmpty(); ++row) {
        if (urls.contains(zv::cells::urlAt(*m_table, row)))
            zv::cells::setTicked(*m_table, row, true);
    }
}

bool DownloadTab::hasTickedRows() const
{
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (zv::cells::isTicked(*m_table, row))
            return true;
    }
    return false;
}
