// The catalogue build: every query in its fixed order, then the tray image
// and the category filter.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguerow.h"
#include "service/statements.h"
#include "settings/settingkeys.h"

#include <QTableWidget>

namespace {
const QString trayIconNothingListed = QStringLiteral(":/zelvinoraPA2.ico");
const QString trayIconSomethingListed = QStringLiteral(":/zelvinoraPAisNew.ico");
} // namespace

void DownloadTab::updateLicList()
{
    // Every query waits in a nested event loop, so a second request (the
    // button again, a tab switch, the end of an action) can arrive while a
    // build or an action is under way. Running it there would empty the
    // table beneath them; it runs once they are done instead.
    if (m_buildRunning || m_actionRunning) {
        m_rebuildPending = true;
        return;
    }
    m_buildRunning = true;
    do {
        m_rebuildPending = false;
        buildCatalogue();
    } while (m_rebuildPending && !m_actionRunning);
    m_buildRunning = false;
}

void DownloadTab::buildCatalogue()
{
    // A newer client comes first: it is the only thing offered until the
    // user has installed it.
    const QMap<QString, float> currentClient = getCurVersion(zv::statements::productClient);
    if (isNewVersion(ownVersion(), currentClient)) {
        clearTable();
        addClientUpdate();
        return;
    }

    clearTable();
    if (m_settings.value(zv::keys::generalUseRik).toBool()) {
        addUserUpdateRik(m_settings.value(zv::keys::rikKey).toInt());
        addVersionUpdateRik();
        if (m_settings.value(zv::keys::generalUseRik).toBool())
            m_installedBases = getInstalledBazeList(DataTypes::Rik);
    }
    getLicIndRik();
    getLicIndGrand();
    getLicNB();
    getVar();

    bool anythingListed = false;
    for (int row = 0; row < m_table->rowCount() && !anythingListed; ++row)
        anythingListed = !m_table->isRowHidden(row);
    emit trayIconImageChanged(anythingListed ? trayIconSomethingListed : trayIconNothingListed);

    setDataTabHidden(m_myFilesNode);
}

void DownloadTab::clearTable()
{
    while (m_table->rowCount() > 0)
        m_table->removeRow(0);
}
