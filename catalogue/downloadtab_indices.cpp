// The quarterly price indices the account may download, for WinRIK and for
// Гранд-Смета.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguerow.h"
#include "catalogue/itemclass.h"
#include "service/serviceexchange.h"
#include "service/statements.h"
#include "settings/settingkeys.h"

#include <QJsonObject>

namespace {

int wholeNumber(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

QDateTime serviceChangeTime(const QString& text)
{
    return QDateTime::fromString(text, Qt::ISODate);
}

} // namespace

void DownloadTab::getLicIndRik()
{
    if (!m_useRik)
        return;
    const auto& rows = m_answers.rikIndices;
    if (!rows)
        return;
    zv::CatalogueRow builder(*m_table, m_settings);
    for (const QJsonValue& value : *rows) {
        const QJsonObject object = value.toObject();
        const QString quarter = zv::columnText(object, QStringLiteral("Квартал"));
        const QString year = zv::columnText(object, QStringLiteral("Год"));
        const QString baseName = zv::columnText(object, QStringLiteral("Название"));
        const QString nb = zv::columnText(object, QStringLiteral("идНБ")).toLower();
        const QString dir = zv::columnText(object, QStringLiteral("dir"));
        const QString type = zv::columnText(object, QStringLiteral("type")).toLower();
        const QDateTime lastChange =
            serviceChangeTime(zv::columnText(object, QStringLiteral("lastChangeRik")));
        const zv::OfferedItem item{
            QStringLiteral("Индексы и ТЦ (") + quarter + QStringLiteral(" квартал ") + year +
                QStringLiteral(" год к ") + baseName + QLatin1Char(')'),
            zv::itemclass::rikColour,
            zv::columnText(object, QStringLiteral("идИндекс")),
            QStringLiteral("update/") + type + QStringLiteral("/rik_") + nb + QLatin1Char('_') +
                year + QLatin1Char('_') + quarter + QStringLiteral(".zip"),
            zv::itemclass::rikIndices};
        // WinRIK names its index files by the last two digits of the year.
        builder.build(item, [&] {
            return isNew(nb, dir, wholeNumber(year.right(2)), wholeNumber(quarter), lastChange,
                         DataTypes::Rik);
        });
    }
}

void DownloadTab::getLicIndGrand()
{
    if (!m_useGrand)
        return;
    const auto& rows = m_answers.grandIndices;
    if (!rows)
        return;
    zv::CatalogueRow builder(*m_table, m_settings);
    for (const QJsonValue& value : *rows) {
        const QJsonObject object = value.toObject();
        if (object.isEmpty())
            continue;
        const QString quarter = zv::columnText(object, QStringLiteral("Квартал"));
        const QString year = zv::columnText(object, QStringLiteral("Год"));
        const QString baseName = zv::columnText(object, QStringLiteral("Название"));
        const QString nb = zv::columnText(object, QStringLiteral("идНБ")).toLower();
        const QString dir = zv::columnText(object, QStringLiteral("dir_grand"));
        // The statement does not select a change time; the folder check
        // does not need one.
        const QDateTime lastChange =
            serviceChangeTime(zv::columnText(object, QStringLiteral("lastChangeRik")));
        const zv::OfferedItem item{
            QStringLiteral("Индексы и ценники (") + quarter + QStringLiteral(" квартал ") + year +
                QStringLiteral(" год к ") + baseName + QLatin1Char(')'),
            zv::itemclass::grandColour,
            zv::columnText(object, QStringLiteral("идИндекс")),
            QStringLiteral("update_grand/grand_") + nb + QLatin1Char('_') + year +
                QLatin1Char('_') + quarter + QStringLiteral(".zip"),
            zv::itemclass::grandIndices};
        builder.build(item, [&] {
            return isNew(nb, dir, wholeNumber(year), wholeNumber(quarter), lastChange,
                         DataTypes::Grand);
        });
    }
}
