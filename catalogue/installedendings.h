#pragma once

#include "install/dbfsource.h"
#include "install/winrikrecords.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace zv {

// The endings installed in one WinRIK folder, as one catalogue build sees
// them: the source is opened once and each <type>_all table read once,
// however many records the service offers. Answers as the per-record check
// does: a source that does not open offers nothing (logged once); a table
// that cannot be read, a number it does not hold, or a record file missing
// or older than the service's change make the record new (an equal time is
// not new).
class InstalledEndings
{
public:
    explicit InstalledEndings(const QString& rikFolder);

    // Reads every endings table the folder holds. A table of thousands of
    // records takes a good part of a second, so a build runs this on a thread
    // of its own while it waits for the service; it touches nothing but this
    // object and logs nothing.
    void readTables();
    // Asked on the window's thread once readTables() has ended (or was never
    // run: a table not read yet is read here).
    bool isNew(const VAR& var);

private:
    struct TableNumbers
    {
        bool readable = false;
        QString error;
        QSet<double> numbers; // numeric NUM columns
        QSet<QString> texts;  // NUM kept as text
    };
    bool openSource();
    const TableNumbers& numbersOf(const QString& type);

    QString m_rikFolder;
    DbfDataSource m_source;
    std::optional<bool> m_sourceOpen;
    bool m_openFailureLogged = false;
    QHash<QString, TableNumbers> m_tables; // by lower-cased type
    // One line per table read, logged from the window's thread.
    QStringList m_readsToLog;
};

} // namespace zv
