#include "catalogue/installedendings.h"

#include "install/dbftable.h"
#include "install/winrikfolder.h"

#include <QDebug>
#include <QFileInfo>

namespace zv {

InstalledEndings::InstalledEndings(const QString& rikFolder)
    : m_rikFolder(rikFolder), m_source(winrik::endingsSource(rikFolder))
{
}

const InstalledEndings::TableNumbers& InstalledEndings::numbersOf(const QString& type)
{
    const auto known = m_tables.constFind(type);
    if (known != m_tables.constEnd())
        return *known;
    TableNumbers numbers;
    DbfTable table;
    const QString name = winrik::endingsTable(type);
    if (!m_source.loadTable(name, table)) {
        numbers.error = m_source.lastError();
    } else if (const int column = table.fieldIndex(QStringLiteral("NUM")); column < 0) {
        numbers.error = QStringLiteral("table %1 has no column NUM").arg(name);
    } else {
        numbers.readable = true;
        const bool numeric = table.fields().at(column).type == 'N' ||
                             table.fields().at(column).type == 'F';
        for (int row = 0; row < table.rowCount(); ++row) {
            if (m_source.deletedRows() == DeletedRows::Hidden && table.isDeleted(row))
                continue;
            const QVariant value = table.record(row).value(column);
            if (numeric && !value.isNull())
                numbers.numbers.insert(value.toDouble());
            else if (!numeric)
                numbers.texts.insert(value.toString());
        }
    }
    return *m_tables.insert(type, numbers);
}

bool InstalledEndings::isNew(const VAR& var)
{
    if (!m_sourceOpen) {
        m_sourceOpen = m_source.open();
        if (!*m_sourceOpen)
            logOpenFailure(m_source);
    }
    if (!*m_sourceOpen)
        return false;
    const TableNumbers& table = numbersOf(var.type);
    if (!table.readable) {
        qDebug().noquote() << "isNew(VAR var, DataTypes type): " + table.error;
        return true;
    }
    if (!table.numbers.contains(double(var.number)) &&
        !table.texts.contains(QString::number(var.number)))
        return true;
    const QFileInfo recordFile(winrik::endingsRecordFile(m_rikFolder, var.type, var.number));
    if (!recordFile.exists())
        return true;
    return recordFile.lastModified() < var.lastChange;
}

} // namespace zv
