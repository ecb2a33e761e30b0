#include "catalogue/cataloguerow.h"

#include "catalogue/cataloguecolumns.h"
#include "catalogue/cataloguetable.h"
#include "catalogue/itemstatus.h"
#include "service/downloadcache.h"
#include "service/downloadroom.h"
#include "service/partialdownload.h"
#include "settings/settingkeys.h"

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
    const bool isNew = isNewCheck();
    cells::writeIsNew(m_table, row, isNew);
    if (isNew)
        cells::showStatus(m_table, row, status::available, colour);
    else
        cells::showStatus(m_table, row, status::installed, status::doneStyle);
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

void CatalogueRow::markWaitingIfCached(int row, const QString& url, const QString& colour)
{
    if (cells::statusText(m_table, row) == status::installed)
        return;
    if (archiveInCache(url)) {
        cells::showStatus(m_table, row, status::waiting, status::doneStyle);
        return;
    }
    const QString part = partStatus(url);
    if (!part.isEmpty())
        cells::showStatus(m_table, row, part, colour, status::partTip);
}

void CatalogueRow::writeClass(int row, const QString& itemClass)
{
    cells::writeText(m_table, row, column::Class, itemClass);
    if (!itemClass.isEmpty())
        return;
    // Nothing could install it: it is no update to count, and a tick on it
    // would only end in an error.
    cells::writeIsNew(m_table, row, false);
    cells::showStatus(m_table, row, status::unsupported, status::neutralStyle);
    cells::setTickable(m_table, row, false);
}

int CatalogueRow::build(const OfferedItem& item, const std::function<bool()>& isNewCheck)
{
    const int row = appendTitled(item.title, item.colour);
    completeStatus(row, item.colour, isNewCheck);
    hideIfInstalled(row);
    writeIdAndUrl(row, item.id, item.url);
    markWaitingIfCached(row, item.url, item.colour);
    writeClass(row, item.itemClass);
    return row;
}

bool archiveInCache(const QString& url)
{
    return isCachedFile(cachePathOf(url));
}

QString partStatus(const QString& url)
{
    const PartialDownload part(cachePathOf(url));
    const qint64 kept = part.keptBytes();
    if (kept <= 0 || !isTrustedCacheFile(part.partPath()))
        return QString();
    return status::received + QLatin1Char(' ') + sizeOfText(kept, part.expectedTotal());
}

} // namespace zv
