#pragma once

#include "install/dbffield.h"
#include "install/dbfrecord.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>
#include <QVector>

namespace zv {

// A dBASE III+/IV table file (.dbf) held in memory: header, field
// descriptors and fixed-length records with their deletion flags.
//
// Changes are made in memory and reach the disk only through save(), which
// writes a complete copy and renames it over the file, so a failing disk
// never leaves a half-written table. Header bytes this class does not
// interpret are written back as they were read; only the date of the last
// change and the record count are brought up to date. Columns that a change
// does not name keep their bytes exactly.
//
// Every operation answers bool; on false errorString() says what went wrong.
class DbfTable
{
public:
    // Reads and checks the whole file. A truncated file, a header whose
    // lengths do not agree with its field descriptors, or garbage is refused.
    bool load(const QString& path);
    // Same checks over bytes already in memory; path() stays empty.
    bool parse(const QByteArray& bytes);
    // Starts an empty dBASE III table with these columns (offsets are
    // computed here). Refuses names longer than 10 characters, lengths the
    // type cannot have, or rows longer than 65535 bytes.
    bool create(const QVector<DbfField>& fields);

    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

    const QVector<DbfField>& fields() const { return m_fields; }
    QStringList fieldNames() const;
    // Without regard to letter case; -1 when absent.
    int fieldIndex(const QString& name) const;

    int rowCount() const { return m_rows.size(); }
    bool isDeleted(int row) const;
    DbfRecord record(int row) const;
    // All rows in file order; rows marked deleted only when asked for.
    QVector<DbfRecord> records(bool includeDeleted) const;

    // Sets the named columns of one row. Text is written byte by byte:
    // U+0000-U+00FF as the byte of the same value, the 27 Windows-1252
    // characters of 0x80-0x9F as their 1252 byte, Cyrillic letters and "№" as
    // their CP866 byte. A character outside these sets, a value longer than
    // its field, an unknown column or a value the field type cannot hold
    // fails the whole call and changes nothing.
    bool setValues(int row, const QVariantMap& values);
    // Marks a row deleted or live, as dBASE's deletion flag does.
    bool setDeleted(int row, bool deleted);
    // Appends a row (not deleted) with the given columns; the others blank.
    bool appendRow(const QVariantMap& values);
    // Copies every byte of one row, its deletion flag included, over another.
    bool copyRow(int from, int to);
    // Blanks every column of a row and marks it live.
    bool clearRow(int row);

    // The file as it would be written.
    QByteArray toBytes() const;
    // Atomic: on false the file at path is exactly as it was before.
    bool save(const QString& path);
    bool save() { return save(m_path); }

private:
    bool fail(const QString& message);
    bool encodeInto(QByteArray& row, const QVariantMap& values);

    QString m_path;
    QString m_error;
    QByteArray m_header; // everything before the first record, kept as read
    QVector<DbfField> m_fields;
    int m_recordLength = 0;
    QVector<QByteArray> m_rows; // each with its deletion flag byte first
};

} // namespace zv
