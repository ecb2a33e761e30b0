#include "install/dbfrecord.h"

#include <QDate>

namespace zv {

DbfRecord::DbfRecord(QStringList fieldNames, QVector<QVariant> values, bool deleted)
    : m_fieldNames(std::move(fieldNames)), m_values(std::move(values)), m_deleted(deleted)
{
}

int DbfRecord::indexOf(const QString& name) const
{
    for (int i = 0; i < m_fieldNames.size(); ++i) {
        if (m_fieldNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant DbfRecord::value(const QString& name) const
{
    return value(indexOf(name));
}

QVariant DbfRecord::value(int index) const
{
    if (index < 0 || index >= m_values.size())
        return QVariant();
    return m_values.at(index);
}

QString DbfRecord::text(const QString& name) const
{
    const QVariant v = value(name);
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.type()) {
    case QVariant::Date:
        return v.toDate().toString(QStringLiteral("yyyyMMdd"));
    case QVariant::Bool:
        return v.toBool() ? QStringLiteral("T") : QStringLiteral("F");
    case QVariant::Double:
        return QString::number(v.toDouble(), 'g', 15);
    default:
        return v.toString();
    }
}

} // namespace zv
