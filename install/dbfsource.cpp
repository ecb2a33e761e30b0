#include "install/dbfsource.h"

#include "service/logging.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>

namespace zv {

namespace {

bool sameValue(const DbfField& field, const QVariant& stored, const QVariant& wanted)
{
    switch (field.type) {
    case 'N':
    case 'F': {
        if (stored.isNull())
            return wanted.isNull() || wanted.toString().trimmed().isEmpty();
        bool ok = false;
        const double w = wanted.type() == QVariant::String ? wanted.toString().trimmed().toDouble(&ok)
                                                           : wanted.toDouble(&ok);
        return ok && stored.toDouble() == w;
    }
    case 'L':
        if (stored.isNull() || wanted.isNull())
            return stored.isNull() == wanted.isNull();
        return stored.toBool() == wanted.toBool();
    case 'D':
        return stored.toDate() == (wanted.type() == QVariant::Date
                                       ? wanted.toDate()
                                       : QDate::fromString(wanted.toString(), QStringLiteral("yyyyMMdd")));
    default: {
        QString w = wanted.toString();
        while (w.endsWith(QLatin1Char(' ')))
            w.chop(1);
        return stored.toString() == w;
    }
    }
}

} // namespace

DbfDataSource::DbfDataSource(const QString& folder, DeletedRows deletedRows,
                             const QString& connectionName)
    : m_folder(folder), m_deletedRows(deletedRows), m_connectionName(connectionName)
{
}

bool DbfDataSource::fail(const QString& message)
{
    m_error = message;
    return false;
}

bool DbfDataSource::open()
{
    m_open = false;
    m_error.clear();
    if (m_folder.isEmpty())
        return fail(QStringLiteral("no data folder given"));
    const QFileInfo info(m_folder);
    if (!info.exists())
        return fail(QStringLiteral("the data folder does not exist"));
    if (!info.isDir())
        return fail(QStringLiteral("the data folder is not a folder"));
    m_open = true;
    return true;
}

bool DbfDataSource::ready()
{
    if (!m_open)
        return fail(QStringLiteral("the data source is not open"));
    return true;
}

QString DbfDataSource::tablePath(const QString& table)
{
    if (!ready())
        return QString();
    if (table.isEmpty() || table.contains(QLatin1Char('/')) || table.contains(QLatin1Char('\\')))
        return fail(QStringLiteral("\"%1\" is not a table name").arg(table)), QString();
    const QString wanted = table + QStringLiteral(".dbf");
    const QDir dir(m_folder);
    QStringList found;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            found.append(name);
    }
    if (found.isEmpty())
        return fail(QStringLiteral("table %1 not found in %2").arg(table, m_folder)), QString();
    if (found.size() > 1)
        return fail(QStringLiteral("table %1 is ambiguous in %2: %3")
                        .arg(table, m_folder, found.join(QStringLiteral(", ")))), QString();
    return dir.filePath(found.first());
}

bool DbfDataSource::loadTable(const QString& table, DbfTable& into)
{
    const QString path = tablePath(table);
    if (path.isEmpty())
        return false;
    if (!into.load(path))
        return fail(into.errorString());
    return true;
}

std::optional<QVector<DbfRecord>> DbfDataSource::readAll(const QString& table)
{
    DbfTable t;
    if (!loadTable(table, t))
        return std::nullopt;
    m_error.clear();
    return t.records(m_deletedRows == DeletedRows::Shown);
}

std::optional<QVector<DbfRecord>> DbfDataSource::select(const QString& table, const QString& column,
                                                        const QVariant& value)
{
    DbfTable t;
    if (!loadTable(table, t))
        return std::nullopt;
    const int index = t.fieldIndex(column);
    if (index < 0)
        return fail(QStringLiteral("table %1 has no column %2").arg(table, column)), std::nullopt;
    QVector<DbfRecord> out;
    for (int row = 0; row < t.rowCount(); ++row) {
        if (m_deletedRows == DeletedRows::Hidden && t.isDeleted(row))
            continue;
        const DbfRecord r = t.record(row);
        if (sameValue(t.fields().at(index), r.value(index), value))
            out.append(r);
    }
    m_error.clear();
    return out;
}

int DbfDataSource::update(const QString& table, const QString& whereColumn,
                          const QVariant& whereValue, const QVariantMap& values)
{
    DbfTable t;
    if (!loadTable(table, t))
        return -1;
    const int index = t.fieldIndex(whereColumn);
    if (index < 0)
        return fail(QStringLiteral("table %1 has no column %2").arg(table, whereColumn)), -1;
    int changed = 0;
    for (int row = 0; row < t.rowCount(); ++row) {
        if (m_deletedRows == DeletedRows::Hidden && t.isDeleted(row))
            continue;
        if (!sameValue(t.fields().at(index), t.record(row).value(index), whereValue))
            continue;
        if (!t.setValues(row, values))
            return fail(t.errorString()), -1;
        ++changed;
    }
    if (changed > 0 && !t.save())
        return fail(t.errorString()), -1;
    m_error.clear();
    return changed;
}

bool DbfDataSource::append(const QString& table, const QVariantMap& values)
{
    DbfTable t;
    if (!loadTable(table, t))
        return false;
    if (!t.appendRow(values) || !t.save())
        return fail(t.errorString());
    m_error.clear();
    return true;
}

void logOpenFailure(const DbfDataSource& source)
{
    ZV_ERROR() << source.lastError() << ", " << source.connectionName() << ", "
               << source.folder() << ", " << "DBF" << ", " << "";
}

} // namespace zv
