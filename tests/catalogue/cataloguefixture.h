#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class DownloadTab;
class QPushButton;

namespace zv::test {

// What a user sees of one catalogue row, plus its hidden columns.
struct CatalogueRowView
{
    QString title, titleStyle, status, statusStyle, id, url, itemClass;
    bool ticked = false, isNew = false, hidden = false;
};

QList<CatalogueRowView> rowsOf(DownloadTab& tab);
// The row with exactly this title; an empty view when there is none.
CatalogueRowView rowTitled(DownloadTab& tab, const QString& title);
QStringList titlesOf(DownloadTab& tab, bool visibleOnly = false);
inline QStringList visibleTitlesOf(DownloadTab& tab) { return titlesOf(tab, true); }
void tick(DownloadTab& tab, const QString& title);
QPushButton* buttonOf(DownloadTab& tab, const QString& objectName);

// The rows as an action left them: taken when the action enables the table
// again, just before its closing rebuild starts over.
class ActionOutcome : public QObject
{
public:
    explicit ActionOutcome(DownloadTab& tab);
    bool taken() const { return m_taken; }
    CatalogueRowView row(const QString& title) const;
    QList<CatalogueRowView> rows() const { return m_rows; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DownloadTab& m_tab;
    QList<CatalogueRowView> m_rows;
    bool m_taken = false;
};

} // namespace zv::test
