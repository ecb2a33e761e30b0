// The normative bases the account may download, each followed by the row of
// its overhead and profit norms (НР и СП) when the service has them.
#include "catalogue/downloadtab.h"

#include "catalogue/answerfields.h"
#include "catalogue/cataloguerow.h"
#include "catalogue/itemclass.h"
#include "service/serviceexchange.h"
#include "service/statements.h"
#include "settings/settingkeys.h"

#include <QJsonObject>

namespace {

// When the service last changed a base's НР и СП. Seconds are left out: the
// installed side keeps this date to the minute only.
QDateTime serverNrspDate(const QString& text)
{
    if (text.isEmpty())
        return QDateTime(QDate(1, 1, 1), QTime(0, 0, 0), Qt::LocalTime);
    return zv::answer::dateTimeAt(text, zv::answer::Seconds::Ignore);
}

} // namespace

bool DownloadTab::isNewNrsp(const QString& nb, const QDateTime& serverDate) const
{
    // A base that is not installed has no НР и СП date at all, which is
    // earlier than any date the service gives.
    const QDateTime installed =
        m_installedBases.contains(nb) ? m_installedBases.value(nb).nrspDate : QDateTime();
    return installed < serverDate;
}

void DownloadTab::getLicNB()
{
    if (m_installedBases.isEmpty() || !m_useRik)
        return;
    const auto& rows = m_answers.bases;
    if (!rows)
        return;
    zv::CatalogueRow builder(*m_table, m_settings);
    const QString& colour = zv::itemclass::rikColour;
    for (const QJsonValue& value : *rows) {
        const QJsonObject object = value.toObject();
        const QString nb = zv::columnText(object, QStringLiteral("идНБ")).toLower();
        const QString baseName = zv::columnText(object, QStringLiteral("Название"));
        const QJsonValue nrspValue = object.value(QStringLiteral("NRSPLastChange"));
        const QDateTime serverNrsp = serverNrspDate(nrspValue.toString());

        const int baseRow = builder.appendTitled(baseName, colour);
        if (!nrspValue.isNull() && !nrspValue.isUndefined()) {
            const zv::OfferedItem nrsp{QStringLiteral("НР и СП к ") + baseName, colour,
                                       QStringLiteral("nrsp_") + nb,
                                       QStringLiteral("update/nrsp/nrsp_") + nb +
                                           QStringLiteral(".zip"),
                                       zv::itemclass::rikNrsp};
            builder.build(nrsp, [&] { return isNewNrsp(nb, serverNrsp); });
        }

        // The base's own check asks the service for its current version, so
        // it comes after the НР и СП row is complete.
        builder.completeStatus(baseRow, colour, [&] { return isNew(nb, DataTypes::Rik); });
        builder.hideIfInstalled(baseRow);
        const QString type = zv::columnText(object, QStringLiteral("type")).toLower();
        const QString baseId = zv::columnText(object, QStringLiteral("идНБ")).toLower();
        const QString url = QStringLiteral("downloads/nb/") + type + QLatin1Char('/') + baseId +
                            QStringLiteral(".zip");
        builder.writeIdAndUrl(baseRow, baseId, url);
        builder.markWaitingIfCached(baseRow, url, colour);
        builder.writeClass(baseRow, zv::itemclass::rikBase);
    }
}

bool DownloadTab::isNew(const QString& nb, DataTypes type)
{
    if (type != DataTypes::Rik)
        return true;
    if (!m_installedBases.contains(nb))
        return true;
    const float current = getCurrentVersionNB(nb);
    return current - m_installedBases.value(nb).version > 0;
}
