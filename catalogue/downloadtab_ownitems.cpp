// Items built one at a time rather than from a list of offers: the
// customer's user file, the WinRIK program version and this client's own
// update.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguecolumns.h"
#include "catalogue/cataloguerow.h"
#include "catalogue/cataloguetable.h"
#include "catalogue/itemclass.h"
#include "catalogue/itemstatus.h"
#include "catalogue/versiontext.h"
#include "service/serviceexchange.h"
#include "service/statements.h"
#include "settings/settingkeys.h"

#include <QTableWidget>

void DownloadTab::addUserUpdateRik(int key)
{
    const QString& colour = zv::itemclass::rikColour;
    zv::CatalogueRow builder(*m_table, m_settings);
    const int row =
        builder.appendTitled(QStringLiteral("Обновление файла пользователя user.rik"), colour);
    zv::cells::showStatus(*m_table, row, zv::status::available, colour);
    const QString url = QStringLiteral("update/userszip/") + QString::number(key) +
                        QStringLiteral(".zip");
    builder.writeIdAndUrl(row, QString::number(key), url);

    const bool isNew = isNewUser();
    zv::cells::writeIsNew(*m_table, row, isNew);
    // Unlike every other item, an up-to-date user file keeps its base colour.
    if (!isNew)
        zv::cells::showStatus(*m_table, row, zv::status::installed, colour);
    builder.hideIfInstalled(row);
    // A downloaded user file waits for installation even when the installed
    // one is current: the user asked for it.
    if (zv::archiveInCache(url))
        zv::cells::showStatus(*m_table, row, zv::status::waiting, zv::status::doneStyle);
    else if (isNew)
        builder.markWaitingIfCached(row, url, colour);
    builder.writeClass(row, zv::itemclass::rikUserFile);
}

void DownloadTab::addVersionUpdateRik()
{
    if (!m_useRik)
        return;
    const auto& rows = m_answers.rikOffer;
    if (!rows)
        return;
    const QJsonObject offer = zv::firstRow(*rows);
    const QString version = zv::columnText(offer, QStringLiteral("Версия"));
    const QString versionNumber = zv::columnText(offer, QStringLiteral("VNum"));

    const QString& colour = zv::itemclass::rikColour;
    zv::CatalogueRow builder(*m_table, m_settings);
    const int row = builder.appendTitled(
        QStringLiteral("РИК версия ") + version + QLatin1Char(' ') + versionNumber, colour);
    zv::cells::showStatus(*m_table, row, zv::status::available, colour);
    const QString url = QStringLiteral("update/winrik_") + version + QStringLiteral(".zip");
    builder.writeIdAndUrl(row, version, url);

    const QMap<QString, float> current =
        m_answers.rikCurrentVersion
            ? zv::versiontext::parse(zv::columnText(zv::firstRow(*m_answers.rikCurrentVersion),
                                                    QStringLiteral("Version")))
            : QMap<QString, float>();
    if (isNewVersion(installedRikVersion(), current)) {
        zv::cells::writeIsNew(*m_table, row, true);
        builder.markWaitingIfCached(row, url, colour);
    } else {
        zv::cells::writeIsNew(*m_table, row, false);
        zv::cells::showStatus(*m_table, row, zv::status::installed, zv::status::doneStyle);
        builder.hideIfInstalled(row);
    }
    builder.writeClass(row, zv::itemclass::rikProgram);
}

void DownloadTab::addClientUpdate()
{
    const int row = zv::cells::appendRow(*m_table);
    const QMap<QString, float>& current = m_answers.clientVersion;
    const QString& colour = zv::itemclass::rikColour;
    zv::cells::putTitle(*m_table, row,
                        QStringLiteral("Личный кабинет Зелвинора ") +
                            zv::versiontext::display(current),
                        colour);
    if (!zv::itemclass::clientInstallsItsUpdate) {
        // Only information: the rest of the catalogue is listed below it.
        zv::cells::putTitle(*m_table, row, zv::cells::titleAt(*m_table, row) +
                                               QStringLiteral(": обновите пакет zelvinorapa"),
                            colour);
        zv::cells::showStatus(*m_table, row, zv::status::newerPackage, zv::status::neutralStyle,
                              zv::status::newerPackageTip);
        zv::cells::writeText(*m_table, row, zv::column::Id, zv::itemclass::client);
        zv::cells::writeText(*m_table, row, zv::column::Class, zv::itemclass::client);
        zv::cells::setTickable(*m_table, row, false);
        return;
    }
    zv::cells::showStatus(*m_table, row, zv::status::available, colour);
    // Never hidden and never "waiting": a setup program lying in the cache
    // is only started by the combined download-and-install action.
    zv::cells::writeIsNew(*m_table, row, true);
    zv::cells::writeText(*m_table, row, zv::column::Id, zv::itemclass::client);
    zv::cells::writeText(*m_table, row, zv::column::Url, zv::itemclass::clientSetupPath);
    zv::cells::writeText(*m_table, row, zv::column::Class, zv::itemclass::client);
}
