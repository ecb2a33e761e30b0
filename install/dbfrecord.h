#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace zv {

// One row of a dBASE table as values, by column name.
//
// Values by field type: 'C' text (each byte as its Windows-1252 character,
// the five bytes 1252 leaves undefined as U+0081, U+008D, U+008F, U+0090,
// U+009D; padding at the end removed, leading blanks kept); 'N' and 'F'
// qlonglong when the field has no decimals and holds a whole number, double
// otherwise; 'L' bool; 'D' QDate. A blank (or unreadable) number, logical or
// date is a null QVariant. Other field types read as text like 'C'.
class DbfRecord
{
public:
    DbfRecord() = default;
    DbfRecord(QStringList fieldNames, QVector<QVariant> values, bool deleted);

    bool isDeleted() const { return m_deleted; }
    int count() const { return m_values.size(); }
    const QStringList& fieldNames() const { return m_fieldNames; }

    // Column index by name, without regard to letter case; -1 when absent.
    int indexOf(const QString& name) const;
    bool contains(const QString& name) const { return indexOf(name) >= 0; }
    // An invalid QVariant when the column does not exist.
    QVariant value(const QString& name) const;
    QVariant value(int index) const;
    // The value as text: empty for null or absent, decimal for numbers,
    // "yyyyMMdd" for dates, "T"/"F" for logicals.
    QString text(const QString& name) const;

private:
    QStringList m_fieldNames;
    QVector<QVariant> m_values;
    bool m_deleted = false;
};

} // namespace zv
