#pragma once

#include "install/dbfsource.h"
#include "install/winrikrecords.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <optional>

namespace zv {

// The endings installed in one WinRIK folder, as one catalogue build sees
// them: the source is opened once and each <type>_all table read once,
// however many records the service offers. Answers as the per-record check
// does: a source that does not open offers nothing (logged once); a table
// that cannot be read, a number it does not hold, or a record file missing
// or older than the service's change make the record new.
class InstalledEndings
{
public:
    explicit InstalledEndings(const QString& rikFolder);

    bool isNew(const VAR& var);

private:
    struct TableNumbers
    {
        bool readable = false;
        QString error;
        QSet<double> numbers; // numeric NUM columns
        QSet<QString> texts;  // NUM kept as text
    };
    const TableNumbers& numbersOf(const QString& type);

    QString m_rikFolder;
    DbfDataSource m_source;
    std::optional<bool> m_sourceOpen;
    QHash<QString, TableNumbers> m_tables;
};

} // namespace zv
