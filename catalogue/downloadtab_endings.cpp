// The WinRIK endings tables (концовки) the service currently offers.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguerow.h"
#include "catalogue/endingsanswer.h"
#include "catalogue/installedendings.h"
#include "catalogue/itemclass.h"
#include "service/serviceexchange.h"
#include "service/statements.h"
#include "settings/settingkeys.h"

#include <QJsonObject>

namespace {

QString endingsClass(const QString& type)
{
    if (type == QLatin1String("res"))
        return zv::itemclass::rikResourceEndings;
    if (type == QLatin1String("loc"))
        return zv::itemclass::rikLocalEndings;
    // No installer rule exists for other table types; the row shows under
    // "Мои файлы" only.
    return QString();
}

} // namespace

void DownloadTab::getVar(zv::InstalledEndings& installed)
{
    if (!m_useRik)
        return;
    const auto& rows = m_answers.endings;
    if (!rows)
        return;
    zv::CatalogueRow builder(*m_table, m_settings);
    const QString& colour = zv::itemclass::rikColour;
    for (const QJsonValue& value : *rows) {
        const QJsonObject object = value.toObject();
        // Kept for the installer, which merges the latest offer of a table.
        const zv::VAR record = zv::varFromJson(object);
        m_offeredEndings.push_back(record);

        const int row = builder.appendTitled(record.name, colour);
        builder.completeStatus(row, colour, [&] { return installed.isNew(record); });
        builder.hideIfInstalled(row);
        const QString id = record.type + QLatin1Char('_') + QString::number(record.number);
        const QString url = QStringLiteral("update/var/") + id + QStringLiteral(".dbf.zip");
        builder.writeIdAndUrl(row, id, url);
        builder.markWaitingIfCached(row, url, colour);
        builder.writeClass(row, endingsClass(zv::columnText(object, QStringLiteral("type"))));
    }
}
