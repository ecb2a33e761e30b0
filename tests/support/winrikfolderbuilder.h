#pragma once

#include "install/dbffield.h"
#include "install/winrikrecords.h"

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <QVariantMap>
#include <QVector>

namespace zv::test {

// One row of the INSTAL table of a fixture folder.
struct InstalRow
{
    QString naim;
    QString baz;
    QString dir;
    QString vid = QStringLiteral("b");
    QString dop = QStringLiteral("G");
    bool deleted = false;
};

// Builds a WinRIK folder for a test below a given root folder (created when
// missing). Tables are real dBASE files written through the client's own
// table layer; text goes in as the table layer takes it (CP866 letters for
// names, as WinRIK stores them). Every writer answers false on failure and
// leaves errorString() saying why; tests QVERIFY2 on it.
class WinRikFolderBuilder
{
public:
    explicit WinRikFolderBuilder(const QString& root);

    QString root() const { return m_root; }
    QString errorString() const { return m_error; }
    // root + "/" + relative
    QString path(const QString& relative) const;

    // The columns of INSTAL: VID C1, NAIM C254, BAZ_ C10, DIR C254, DOP C1.
    static QVector<DbfField> instalFields();
    // The columns read into a VAR: NUM N6, NN N6, NAIM C254, the rest C100.
    static QVector<DbfField> endingsFields();

    // sm_r/INSTAL.DBF with these rows.
    bool writeInstal(const QVector<InstalRow>& rows);
    // sm_r/var/<type>_all.dbf from the records (NUM, NN, NAIM and the other
    // columns of VAR, written as held), with extraFields appended after the
    // usual ones (left blank) and the rows whose index is in deletedRows
    // marked deleted.
    bool writeEndingsTable(const QString& type, const QVector<VAR>& records,
                           const QVector<DbfField>& extraFields = {},
                           const QSet<int>& deletedRows = {});
    // sm_r/var/<type>_<number>.dbf, a small table of its own, last modified
    // at the given time (now when invalid).
    bool writeEndingsRecordFile(const QString& type, int number,
                                const QDateTime& modified = QDateTime());
    // Any table at a path below the root.
    bool writeTable(const QString& relative, const QVector<DbfField>& fields,
                    const QVector<QVariantMap>& rows, const QSet<int>& deletedRows = {});

    // <folder>/nb.ini with "[Version]", "Number=<number>" and "Name=<name>",
    // the name in Windows-1251 as WinRIK writes it.
    bool writeNbIni(const QString& folder, const QString& number, const QString& name);
    // <folder>/dealer.ini with "nrspDate=<text>".
    bool writeDealerIni(const QString& folder, const QString& nrspDate);
    // UTILS/Doc/LastChange.rtf holding a line with the version text
    // (for example "2.4.240315").
    bool writeLastChange(const QString& versionText);
    // Any file below the root (folders created), last modified at the given
    // time (left as written when invalid): index files, nrspcmnt.dbf, *.mdx.
    bool writeFile(const QString& relative, const QByteArray& content = QByteArray(),
                   const QDateTime& modified = QDateTime());
    bool setModified(const QString& relative, const QDateTime& modified);

private:
    bool fail(const QString& message);
    bool makeParent(const QString& filePath);

    QString m_root;
    QString m_error;
};

} // namespace zv::test
