#pragma once

#include "install/dbfrecord.h"
#include "install/dbftable.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QVector>

#include <optional>

namespace zv {

// Whether rows marked deleted take part in reads and changes.
enum class DeletedRows { Hidden, Shown };

// A folder of dBASE tables, the way WinRIK's data sources are opened: each
// table is the file <name>.dbf in the folder, found without regard to letter
// case (INSTAL.DBF, instal.dbf).
//
// A folder that does not exist is an open failure; a table that is missing
// or cannot be read is a failure of the query on it. Values are always passed
// as values: text holding apostrophes is stored as it stands. Every change is
// written to the disk completely or not at all.
class DbfDataSource
{
public:
    DbfDataSource() = default;
    // connectionName only labels the source in log lines.
    DbfDataSource(const QString& folder, DeletedRows deletedRows,
                  const QString& connectionName = QString());

    QString folder() const { return m_folder; }
    DeletedRows deletedRows() const { return m_deletedRows; }
    QString connectionName() const { return m_connectionName; }

    bool open();
    bool isOpen() const { return m_open; }
    QString lastError() const { return m_error; }

    // The existing file of the table, or empty text (lastError() says why).
    QString tablePath(const QString& table);

    // All visible rows in file order; nullopt on failure.
    std::optional<QVector<DbfRecord>> readAll(const QString& table);
    // The visible rows whose column equals value (text compared exactly,
    // trailing blanks ignored; numbers compared as numbers).
    std::optional<QVector<DbfRecord>> select(const QString& table, const QString& column,
                                             const QVariant& value);
    // Sets columns of every visible row whose whereColumn equals whereValue;
    // the number of rows changed, or -1 on failure (the file is unchanged).
    int update(const QString& table, const QString& whereColumn, const QVariant& whereValue,
               const QVariantMap& values);
    // Appends one row; the columns not named stay blank.
    bool append(const QString& table, const QVariantMap& values);

    // Loads a table for a change of several steps that is then written once
    // with DbfTable::save().
    bool loadTable(const QString& table, DbfTable& into);

private:
    bool fail(const QString& message);
    bool ready();

    QString m_folder;
    DeletedRows m_deletedRows = DeletedRows::Hidden;
    QString m_connectionName;
    bool m_open = false;
    QString m_error;
};

// Logs a failed open() in "Error" as one line: the error text, the
// connection name, the folder, the driver and the host, joined by ", ".
void logOpenFailure(const DbfDataSource& source);

} // namespace zv
