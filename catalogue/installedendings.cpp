#include "catalogue/installedendings.h"

#include "install/dbftable.h"
#include "install/winrikfolder.h"
#include "service/logging.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <utility>

namespace zv {

namespace {
const QString tableSuffix = QStringLiteral("_all.dbf");
}

InstalledEndings::InstalledEndings(const QString& rikFolder)
    : m_rikFolder(rikFolder), m_source(winrik::endingsSource(rikFolder))
{
}

bool InstalledEndings::openSource()
{
    if (!m_sourceOpen)
        m_sourceOpen = m_source.open();
    return *m_sourceOpen;
}

void InstalledEndings::readTables()
{
    if (!openSource())
        return;
    const QStringList files = QDir(m_source.folder())
                                  .entryList({QLatin1Char('*') + tableSuffix},
                                             QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& file : files)
        numbersOf(file.left(file.size() - tableSuffix.size()));
}

const InstalledEndings::TableNumbers& InstalledEndings::numbersOf(const QString& type)
{
    const QString key = type.toLower();
    const auto known = m_tables.constFind(key);
    if (known != m_tables.constEnd())
        return *known;
    QElapsedTimer timer;
    timer.start();
    TableNumbers numbers;
    DbfTable table;
    const QString name = winrik::endingsTable(key);
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
        m_readsToLog.append(QStringLiteral("getVar: endings table %1 read, %2 records in %3 ms")
                                .arg(name)
                                .arg(table.rowCount())
                                .arg(timer.elapsed()));
    }
    return *m_tables.insert(key, numbers);
}

bool InstalledEndings::isNew(const VAR& var)
{
    if (!openSource()) {
        if (!std::exchange(m_openFailureLogged, true))
            logOpenFailure(m_source);
        return false;
    }
    const TableNumbers& table = numbersOf(var.type);
    for (const QString& line : std::exchange(m_readsToLog, {}))
        ZV_INFO() << line;
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
