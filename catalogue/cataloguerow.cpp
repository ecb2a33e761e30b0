#include "catalogue/cataloguerow.h"

#include "catalogue/cataloguecolumns.h"
#include "catalogue/cataloguetable.h"
#include "catalogue/itemstatus.h"
#include "service/downloadcache.h"
#include "settings/settingkeys.h"

#include <QLabel>
#include <QSettings>
#include <QTableWidget>

namespace zv {

CatalogueRow::CatalogueRow(QTableWidget& table, const QSettings& settings)
    : m_table(table), m_settings(settings)
{
}

int CatalogueRow::appendTitled(const QString& title, const QString& colour)
{
    const int row = cells::appendRow(m_table);
    cells::putTitle(m_table, row, title, colour);
    return row;
}

void CatalogueRow::completeStatus(int row, const QString& colour,
                                  const std::function<bool()>& isNewCheck)
{
    QLabel* label = cells::newStatusLabel(status::available, colour);
    const bool isNew = isNewCheck();
    cells::writeIsNew(m_table, row, isNew);
    if (!isNew)
        cells::setStatus(*label, status::installed, status::doneStyle);
    cells::putStatusWidget(m_table, row, label);
}

void CatalogueRow::hideIfInstalled(int row)
{
    if (m_settings.value(keys::generalOnlyNew).toBool() &&
        cells::statusText(m_table, row) == status::installed)
        m_table.setRowHidden(row, true);
}

void CatalogueRow::writeIdAndUrl(int row, const QString& id, const QString& url)
{
    cells::writeText(m_table, row, column::Id, id);
    cells::writeText(m_table, row, column::Url, url);
}

void CatalogueRow::markWaitingIfCached(int row, const QString& url)
{
    if (cells::statusText(m_table, row) == status::installed || !archiveInCache(url))
        return;
    if (QLabel* label = cells::statusLabel(m_table, row))
        cells::setStatus(*label, status::waiting, status::doneStyle);
}

void CatalogueRow::writeClass(int row, const QString& itemClass)
{
    cells::writeText(m_table, row, column::Class, itemClass);
}

int CatalogueRow::build(const OfferedItem& item, const std::function<bool()>& isNewCheck)
{
    const int row = appendTitled(item.title, item.colour);
    completeStatus(row, item.colour, isNewCheck);
    hideIfInstalled(row);
    writeIdAndUrl(row, item.id, item.url);
    markWaitingIfCached(row, item.url);
    writeClass(row, item.itemClass);
    return row;
}

bool archiveInCache(const QString& url)
{
    return isCachedFile(cachePathOf(url));
}

} // namespace zv
