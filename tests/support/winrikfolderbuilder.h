#pragma once

#include "install/dbffield.h"
#include "install/winrikrecords.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

namespace zv::test {

// One row of INSTAL as a test gives it.
struct InstalRow
{
    QString vid = QStringLiteral("b");
    QString naim;
    QString baz;
    QString dir;
    QString dop = QStringLiteral("G");
    bool deleted = false;
};

// Builds a WinRIK folder for a test below root (created when missing).
// Every call answers false and leaves a QWARN-visible message when a file
// cannot be written, so a test can QVERIFY it.
//
//   WinrikFolderBuilder rik(tempDir.path());
//   rik.writeInstal({{"b", "Base", "1234", "C:\\WinRIK\\NB\\", "G"}});
//   rik.writeEndingsTable("res", {var1, var2});
//   rik.addNormBase("NB/base_1234", "Base", "3.5");
class WinrikFolderBuilder
{
public:
    explicit WinrikFolderBuilder(const QString& root);

    QString root() const { return m_root; }
    // root + "/" + relative
    QString path(const QString& relative) const;

    // The columns the builder gives INSTAL: VID C1, NAIM C150, BAZ_ C10,
    // DIR C254, DOP C1.
    static QVector<DbfField> instalFields();
    // The columns of an endings table: NUM N6, NN N6, NAIM C254 and the other
    // VAR columns as C100, followed by extraFields.
    static QVector<DbfField> endingsFields(const QVector<DbfField>& extraFields = {});

    // sm_r/INSTAL.DBF with the given rows (replaces an existing file).
    bool writeInstal(const QVector<InstalRow>& rows);
    // sm_r/var/<type>_all.dbf with the rows in the given order (their number,
    // nn and texts). deletedRows lists the indexes of rows marked deleted;
    // extraValues (optional, one map per row) fills extraFields.
    bool writeEndingsTable(const QString& type, const QVector<VAR>& rows,
                           const QVector<DbfField>& extraFields = {},
                           const QVector<int>& deletedRows = {},
                           const QVector<QVariantMap>& extraValues = {});
    // sm_r/var/<type>_<number>.dbf, a small table; its modification time is
    // set to modified when that is valid.
    bool writeEndingsRecordFile(const QString& type, int number,
                                const QDateTime& modified = QDateTime());
    // Any dBASE table at relative path with the given fields and rows.
    bool writeTable(const QString& relative, const QVector<DbfField>& fields,
                    const QVector<QVariantMap>& rows, const QVector<int>& deletedRows = {});

    // A normative-base folder at relative with nb.ini ([Version] Number and
    // Name; Name written as the given bytes, for Windows-1251 names) and,
    // when nrspDate is valid, dealer.ini with nrspDate "yyyy-MM-dd HH:mm".
    // Answers the folder's absolute path, empty on failure.
    QString addNormBase(const QString& relative, const QByteArray& nameBytes,
                        const QString& versionNumber,
                        const QDateTime& nrspDate = QDateTime());
    // UTILS/Doc/LastChange.rtf with the given content.
    bool writeLastChange(const QByteArray& content);
    // Any file below root (folders created), with its modification time set
    // when modified is valid. Used for index files, nrspcmnt.dbf, .mdx files.
    bool writeFile(const QString& relative, const QByteArray& content = QByteArray("x"),
                   const QDateTime& modified = QDateTime());
    // Sets the modification time of an existing file below root.
    bool setModified(const QString& relative, const QDateTime& modified);

private:
    QString m_root;
};

} // namespace zv::test
