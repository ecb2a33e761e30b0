#include "tests/catalogue/cataloguefixture.h"

#include "catalogue/downloadtab.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace zv::test {

QList<CatalogueRowView> rowsOf(DownloadTab& tab)
{
    auto* table = tab.findChild<QTableWidget*>(QStringLiteral("table"));
    QList<CatalogueRowView> rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        CatalogueRowView view;
        if (auto* box = qobject_cast<QCheckBox*>(table->cellWidget(row, 0)))
            view = {box->text(), box->styleSheet(), {}, {}, {}, {}, {}, box->isChecked()};
        if (auto* label = qobject_cast<QLabel*>(table->cellWidget(row, 1))) {
            view.status = label->text();
            view.statusStyle = label->styleSheet();
        }
        const auto cell = [table, row](int column) { return table->model()->index(row, column).data(); };
        view.id = cell(2).toString();
        view.url = cell(3).toString();
        view.itemClass = cell(4).toString();
        view.isNew = cell(5).toBool();
        view.hidden = table->isRowHidden(row);
        rows.append(view);
    }
    return rows;
}

CatalogueRowView rowTitled(DownloadTab& tab, const QString& title)
{
    for (const CatalogueRowView& row : rowsOf(tab)) {
        if (row.title == title)
            return row;
    }
    return {};
}

QStringList titlesOf(DownloadTab& tab, bool visibleOnly)
{
    QStringList titles;
    for (const CatalogueRowView& row : rowsOf(tab)) {
        if (!visibleOnly || !row.hidden)
            titles << row.title;
    }
    return titles;
}

void tick(DownloadTab& tab, const QString& title)
{
    const int row = titlesOf(tab).indexOf(title);
    auto* table = tab.findChild<QTableWidget*>(QStringLiteral("table"));
    if (auto* box = qobject_cast<QCheckBox*>(table->cellWidget(row, 0)))
        box->setChecked(true);
}

QPushButton* buttonOf(DownloadTab& tab, const QString& objectName)
{
    return tab.findChild<QPushButton*>(objectName);
}

ActionOutcome::ActionOutcome(DownloadTab& tab) : m_tab(tab)
{
    tab.findChild<QTableWidget*>(QStringLiteral("table"))->installEventFilter(this);
}

CatalogueRowView ActionOutcome::row(const QString& title) const
{
    for (const CatalogueRowView& row : m_rows) {
        if (row.title == title)
            return row;
    }
    return {};
}

bool ActionOutcome::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_taken && event->type() == QEvent::EnabledChange &&
        static_cast<QWidget*>(watched)->isEnabled()) {
        m_rows = rowsOf(m_tab);
        m_taken = true;
    }
    return false;
}

} // namespace zv::test
