#pragma once

#include <QString>

#include <functional>

class QSettings;
class QTableWidget;

namespace zv {

// One offered item as a builder reads it from the service's answer.
struct OfferedItem
{
    QString title;
    QString colour;
    QString id;
    QString url;
    QString itemClass;
};

// The steps every catalogue builder takes to turn an offered item into a row,
// in the order they run. Builders whose items interleave (a normative base
// and its НР и СП row) call the steps one by one; the others call build().
class CatalogueRow
{
public:
    CatalogueRow(QTableWidget& table, const QSettings& settings);

    // Appends a row with its title check box; answers the row.
    int appendTitled(const QString& title, const QString& colour);
    // Creates the status label, asks the installed-state check, and puts the
    // label into the row: "Доступно обновление" in the base colour when new,
    // "Установлено" otherwise.
    void completeStatus(int row, const QString& colour, const std::function<bool()>& isNewCheck);
    // With only new items wanted, an installed row is hidden right away.
    void hideIfInstalled(int row);
    void writeIdAndUrl(int row, const QString& id, const QString& url);
    // A new item whose archive already lies in the download cache waits for
    // installation; one with a part of it kept says how much is there.
    void markWaitingIfCached(int row, const QString& url, const QString& colour);
    // An item of no class the client can install says so and takes no tick.
    void writeClass(int row, const QString& itemClass);

    int build(const OfferedItem& item, const std::function<bool()>& isNewCheck);

private:
    QTableWidget& m_table;
    const QSettings& m_settings;
};

// Whether the archive of the item with this URL lies in the download cache,
// in a place the client can trust.
bool archiveInCache(const QString& url);
// "Загружено 12,3 из 287 МБ" for an item whose download broke off and will
// go on from there; empty without such a part.
QString partStatus(const QString& url);

} // namespace zv
