#pragma once

#include "install/dbffield.h"
#include "install/winrikrecords.h"

#include <QDateTime>
#include <QSet>
#include <QVariantMap>

namespace zv::test {

// One row of the INSTAL table of a fixture folder.
struct InstalRow { QString naim, baz, dir, vid = QStringLiteral("b"), dop = QStringLiteral("G"); bool deleted = false; };

// Builds a WinRIK folder for a test below a given root folder (created when
// missing). Tables are real dBASE files written through the client's own
// table layer; text goes in as the table layer takes it (CP866 letters for
// names, as WinRIK stores them). Every writer answers false on failure and
// leaves errorString() saying why.
class WinRikFolderBuilder
{
public:
    explicit WinRikFolderBuilder(const QString& root);
    QString root() const { return m_root; }
    QString errorString() const { return m_error; }
    QString path(const QString& relative) const { return m_root + QLatin1Char('/') + relative; }
    // sm_r/INSTAL.DBF (VID C1, NAIM C254, BAZ_ C10, DIR C254, DOP C1).
    bool writeInstal(const QVector<InstalRow>& rows);
    // sm_r/var/<type>_all.dbf: NUM N6, NN N6, NAIM C254, the other columns of
    // VAR C100 as held, and, as in WinRIK's own tables, a column the client
    // never reads (ZZ_OTHER, holding "other <NUM>"). The rows whose index is
    // in deletedRows are marked deleted.
    bool writeEndingsTable(const QString& type, const QVector<VAR>& records, const QSet<int>& deletedRows = {});
    // sm_r/var/<type>_<number>.dbf, last modified at the given time (now when invalid).
    bool writeEndingsRecordFile(const QString& type, int number, const QDateTime& modified = QDateTime());
    // <folder>/nb.ini: "[Version]", "Number=", "Name=" in Windows-1251, as WinRIK writes it.
    bool writeNbIni(const QString& folder, const QString& number, const QString& name);
    bool writeDealerIni(const QString& folder, const QString& nrspDate);
    // Any file below the root (folders created), last modified at the given
    // time (left as written when invalid).
    bool writeFile(const QString& relative, const QByteArray& content = QByteArray(), const QDateTime& modified = QDateTime());
    bool setModified(const QString& relative, const QDateTime& modified);

private:
    bool writeTable(const QString& relative, const QVector<DbfField>& fields, const QVector<QVariantMap>& rows,
                    const QSet<int>& deletedRows);

    QString m_root, m_error;
};

} // namespace zv::test
