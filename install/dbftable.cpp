#include "install/dbftable.h"

#include "install/dbftext.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace zv {

namespace {

constexpr int kHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr char kDescriptorEnd = 0x0D;
constexpr char kEndOfFile = 0x1A;
constexpr char kDeletedFlag = '*';
constexpr char kLiveFlag = ' ';

quint32 readLe32(const QByteArray& b, int at)
{
    return quint32(uchar(b[at])) | quint32(uchar(b[at + 1])) << 8
         | quint32(uchar(b[at + 2])) << 16 | quint32(uchar(b[at + 3])) << 24;
}

quint16 readLe16(const QByteArray& b, int at)
{
    return quint16(uchar(b[at]) | uchar(b[at + 1]) << 8);
}

void writeLe32(QByteArray& b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

void writeLe16(QByteArray& b, int at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

// The version byte of the dBASE family: III+ (0x03, 0x83), IV (0x04, 0x8B,
// 0x8E, 0x43, 0x63, 0xCB), V (0x05) and FoxPro's variants (0x30-0x32, 0xF5).
bool knownVersion(uchar v)
{
    switch (v) {
    case 0x03: case 0x04: case 0x05: case 0x30: case 0x31: case 0x32:
    case 0x43: case 0x63: case 0x83: case 0x8B: case 0x8E: case 0xCB: case 0xF5:
        return true;
    default:
        return false;
    }
}

QString trimmedRight(const QString& s)
{
    int end = s.size();
    while (end > 0 && (s.at(end - 1) == QLatin1Char(' ') || s.at(end - 1) == QChar(0)))
        --end;
    return s.left(end);
}

QVariant decodeValue(const DbfField& f, const QByteArray& raw)
{
    switch (f.type) {
    case 'N':
    case 'F': {
        const QByteArray t = raw.trimmed();
        if (t.isEmpty())
            return QVariant();
        bool ok = false;
        if (f.decimals == 0) {
            const qlonglong whole = t.toLongLong(&ok);
            if (ok)
                return whole;
        }
        const double d = t.toDouble(&ok);
        return ok && std::isfinite(d) ? QVariant(d) : QVariant();
    }
    case 'L': {
        const char c = raw.isEmpty() ? ' ' : raw.at(0);
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y')
            return true;
        if (c == 'F' || c == 'f' || c == 'N' || c == 'n')
            return false;
        return QVariant();
    }
    case 'D': {
        const QDate d = QDate::fromString(QString::fromLatin1(raw), QStringLiteral("yyyyMMdd"));
        return d.isValid() ? QVariant(d) : QVariant();
    }
    default:
        return trimmedRight(dbftext::decode(raw));
    }
}

bool isBlank(const QVariant& v)
{
    return !v.isValid() || v.isNull()
        || (v.type() == QVariant::String && v.toString().trimmed().isEmpty());
}

} // namespace

bool DbfTable::fail(const QString& message)
{
    m_error = message;
    return false;
}

bool DbfTable::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    // WinRIK's tables are small; a file far beyond any of them is not one.
    constexpr qint64 kLargest = qint64(1) << 30;
    if (file.size() > kLargest)
        return fail(QStringLiteral("%1: too large for a table (%2 bytes)").arg(path).arg(file.size()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    if (!parse(bytes)) {
        m_error = path + QStringLiteral(": ") + m_error;
        return false;
    }
    m_path = path;
    return true;
}

bool DbfTable::parse(const QByteArray& bytes)
{
    m_path.clear();
    m_error.clear();
    m_header.clear();
    m_fields.clear();
    m_rows.clear();
    m_recordLength = 0;

    if (bytes.size() < kHeaderSize + 1)
        return fail(QStringLiteral("not a dBASE table: only %1 bytes").arg(bytes.size()));
    if (!knownVersion(uchar(bytes.at(0))))
        return fail(QStringLiteral("not a dBASE table: version byte 0x%1")
                        .arg(uchar(bytes.at(0)), 2, 16, QLatin1Char('0')));
    const qint64 rowCount = readLe32(bytes, 4);
    const int headerLength = readLe16(bytes, 8);
    const int recordLength = readLe16(bytes, 10);
    if (headerLength < kHeaderSize + kDescriptorSize + 1 || headerLength > bytes.size())
        return fail(QStringLiteral("header length %1 does not fit a file of %2 bytes")
                        .arg(headerLength).arg(bytes.size()));

    QVector<DbfField> fields;
    int offset = 0;
    int at = kHeaderSize;
    while (true) {
        if (at >= headerLength)
            return fail(QStringLiteral("field descriptors run past the header (%1 bytes)")
                            .arg(headerLength));
        if (bytes.at(at) == kDescriptorEnd)
            break;
        if (at + kDescriptorSize > headerLength)
            return fail(QStringLiteral("field descriptor %1 is cut off by the header end")
                            .arg(fields.size() + 1));
        DbfField f;
        const QByteArray rawName = bytes.mid(at, 11);
        const int nul = rawName.indexOf('\0');
        f.name = QString::fromLatin1(nul >= 0 ? rawName.left(nul) : rawName).trimmed();
        f.type = bytes.at(at + 11);
        f.length = uchar(bytes.at(at + 16));
        f.decimals = uchar(bytes.at(at + 17));
        f.offset = offset;
        if (f.name.isEmpty())
            return fail(QStringLiteral("field %1 has no name").arg(fields.size() + 1));
        if (f.length == 0)
            return fail(QStringLiteral("field %1 has length 0").arg(f.name));
        for (const DbfField& other : fields) {
            if (other.name.compare(f.name, Qt::CaseInsensitive) == 0)
                return fail(QStringLiteral("field %1 appears twice").arg(f.name));
        }
        offset += f.length;
        fields.append(f);
        at += kDescriptorSize;
    }
    if (fields.isEmpty())
        return fail(QStringLiteral("the table has no fields"));
    if (offset + 1 != recordLength)
        return fail(QStringLiteral("record length %1 does not match the fields (%2 + 1)")
                        .arg(recordLength).arg(offset));
    const qint64 dataEnd = qint64(headerLength) + rowCount * recordLength;
    if (dataEnd > bytes.size())
        return fail(QStringLiteral("truncated: %1 records of %2 bytes need %3 bytes, the file has %4")
                        .arg(rowCount).arg(recordLength).arg(dataEnd).arg(bytes.size()));

    m_header = bytes.left(headerLength);
    m_fields = fields;
    m_recordLength = recordLength;
    m_rows.reserve(int(rowCount));
    for (qint64 i = 0; i < rowCount; ++i)
        m_rows.append(bytes.mid(int(headerLength + i * recordLength), recordLength));
    return true;
}

bool DbfTable::create(const QVector<DbfField>& fields)
{
    m_path.clear();
    m_error.clear();
    m_rows.clear();
    if (fields.isEmpty())
        return fail(QStringLiteral("a table needs at least one field"));
    QVector<DbfField> placed;
    int offset = 0;
    for (DbfField f : fields) {
        const QByteArray name = f.name.toLatin1();
        if (name.isEmpty() || name.size() > 10 || f.name != QString::fromLatin1(name))
            return fail(QStringLiteral("field name \"%1\" is not 1-10 Latin characters").arg(f.name));
        const bool sizeOk = (f.type == 'L' && f.length == 1) || (f.type == 'D' && f.length == 8)
            || ((f.type == 'N' || f.type == 'F') && f.length >= 1 && f.length <= 20
                && f.decimals >= 0 && f.decimals < f.length)
            || (f.type == 'C' && f.length >= 1 && f.length <= 254);
        if (!sizeOk)
            return fail(QStringLiteral("field %1: type %2 cannot have length %3.%4")
                            .arg(f.name).arg(QLatin1Char(f.type)).arg(f.length).arg(f.decimals));
        f.offset = offset;
        offset += f.length;
        placed.append(f);
    }
    if (offset + 1 > 65535)
        return fail(QStringLiteral("a record of %1 bytes is too long").arg(offset + 1));

    const int headerLength = kHeaderSize + kDescriptorSize * placed.size() + 1;
    QByteArray header(headerLength, '\0');
    header[0] = 0x03;
    writeLe16(header, 8, quint16(headerLength));
    writeLe16(header, 10, quint16(offset + 1));
    for (int i = 0; i < placed.size(); ++i) {
        const int at = kHeaderSize + kDescriptorSize * i;
        const QByteArray name = placed[i].name.toLatin1();
        for (int k = 0; k < name.size(); ++k)
            header[at + k] = name.at(k);
        header[at + 11] = placed[i].type;
        header[at + 16] = char(placed[i].length);
        header[at + 17] = char(placed[i].decimals);
    }
    header[headerLength - 1] = kDescriptorEnd;
    m_header = header;
    m_fields = placed;
    m_recordLength = offset + 1;
    return true;
}

QStringList DbfTable::fieldNames() const
{
    QStringList names;
    for (const DbfField& f : m_fields)
        names.append(f.name);
    return names;
}

int DbfTable::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool DbfTable::isDeleted(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows.at(row).at(0) == kDeletedFlag;
}

DbfRecord DbfTable::record(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return DbfRecord();
    const QByteArray& raw = m_rows.at(row);
    QVector<QVariant> values;
    values.reserve(m_fields.size());
    for (const DbfField& f : m_fields)
        values.append(decodeValue(f, raw.mid(1 + f.offset, f.length)));
    return DbfRecord(fieldNames(), values, isDeleted(row));
}

QVector<DbfRecord> DbfTable::records(bool includeDeleted) const
{
    QVector<DbfRecord> out;
    out.reserve(m_rows.size());
    for (int i = 0; i < m_rows.size(); ++i) {
        if (includeDeleted || !isDeleted(i))
            out.append(record(i));
    }
    return out;
}

bool DbfTable::encodeInto(QByteArray& row, const QVariantMap& values)
{
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        const int index = fieldIndex(it.key());
        if (index < 0)
            return fail(QStringLiteral("the table has no column %1").arg(it.key()));
        const DbfField& f = m_fields.at(index);
        const QVariant& v = it.value();
        QByteArray bytes;
        switch (f.type) {
        case 'N':
        case 'F': {
            if (isBlank(v))
                break;
            bool ok = false;
            const double d = v.type() == QVariant::String ? v.toString().trimmed().toDouble(&ok)
                                                          : v.toDouble(&ok);
            if (!ok || !std::isfinite(d))
                return fail(QStringLiteral("column %1: \"%2\" is not a number").arg(f.name, v.toString()));
            if (f.decimals == 0 && (v.type() == QVariant::String || v.type() == QVariant::Double)
                && d != std::floor(d))
                return fail(QStringLiteral("column %1 holds whole numbers, not %2").arg(f.name, v.toString()));
            if (f.decimals == 0) {
                const bool integral = v.type() != QVariant::String && v.type() != QVariant::Double;
                bytes = integral ? QByteArray::number(v.toLongLong())
                                 : QByteArray::number(d, 'f', 0);
            } else {
                bytes = QByteArray::number(d, 'f', f.decimals);
                if (std::fabs(bytes.toDouble() - d) > 1e-9 * std::max(1.0, std::fabs(d)))
                    return fail(QStringLiteral("column %1 holds %2 decimals, %3 would be rounded")
                                    .arg(f.name).arg(f.decimals).arg(v.toString()));
            }
            if (bytes.size() > f.length)
                return fail(QStringLiteral("column %1: %2 does not fit in %3 digits")
                                .arg(f.name, QString::fromLatin1(bytes)).arg(f.length));
            bytes = QByteArray(f.length - bytes.size(), ' ') + bytes;
            break;
        }
        case 'L': {
            if (isBlank(v))
                break;
            if (v.type() == QVariant::Bool) {
                bytes = v.toBool() ? "T" : "F";
                break;
            }
            const QString t = v.toString().trimmed().toUpper();
            if (t == QLatin1String("T") || t == QLatin1String("Y"))
                bytes = "T";
            else if (t == QLatin1String("F") || t == QLatin1String("N"))
                bytes = "F";
            else
                return fail(QStringLiteral("column %1: \"%2\" is not a logical value").arg(f.name, t));
            break;
        }
        case 'D': {
            if (isBlank(v))
                break;
            const QDate d = v.type() == QVariant::Date
                ? v.toDate()
                : QDate::fromString(v.toString().trimmed(), QStringLiteral("yyyyMMdd"));
            if (!d.isValid() || d.year() < 1 || d.year() > 9999)
                return fail(QStringLiteral("column %1: \"%2\" is not a date").arg(f.name, v.toString()));
            bytes = d.toString(QStringLiteral("yyyyMMdd")).toLatin1();
            break;
        }
        default: {
            const QString text = isBlank(v) ? QString() : v.toString();
            if (text.size() > f.length)
                return fail(QStringLiteral("column %1: the value is %2 characters long, the column holds %3")
                                .arg(f.name).arg(text.size()).arg(f.length));
            bytes.reserve(text.size());
            for (const QChar c : text) {
                const int b = dbftext::byteOfChar(c);
                if (b < 0)
                    return fail(QStringLiteral("column %1: the character U+%2 cannot be stored")
                                    .arg(f.name).arg(c.unicode(), 4, 16, QLatin1Char('0')));
                bytes.append(char(b));
            }
            break;
        }
        }
        // A field of a length its type never has (a date of 6 bytes) must not
        // push the rest of the record out of place.
        if (bytes.size() > f.length)
            return fail(QStringLiteral("column %1: the value needs %2 bytes, the column holds %3")
                            .arg(f.name).arg(bytes.size()).arg(f.length));
        bytes.append(QByteArray(f.length - bytes.size(), ' '));
        row.replace(1 + f.offset, f.length, bytes);
    }
    return true;
}

bool DbfTable::setValues(int row, const QVariantMap& values)
{
    if (row < 0 || row >= m_rows.size())
        return fail(QStringLiteral("there is no row %1").arg(row));
    QByteArray changed = m_rows.at(row);
    if (!encodeInto(changed, values))
        return false;
    m_rows[row] = changed;
    return true;
}

bool DbfTable::setDeleted(int row, bool deleted)
{
    if (row < 0 || row >= m_rows.size())
        return fail(QStringLiteral("there is no row %1").arg(row));
    m_rows[row][0] = deleted ? kDeletedFlag : kLiveFlag;
    return true;
}

bool DbfTable::appendRow(const QVariantMap& values)
{
    if (m_fields.isEmpty())
        return fail(QStringLiteral("the table has no fields"));
    if (m_rows.size() >= 0x7FFFFFF)
        return fail(QStringLiteral("the table is full"));
    QByteArray row(m_recordLength, ' ');
    row[0] = kLiveFlag;
    if (!encodeInto(row, values))
        return false;
    m_rows.append(row);
    return true;
}

bool DbfTable::copyRow(int from, int to)
{
    if (from < 0 || from >= m_rows.size() || to < 0 || to >= m_rows.size())
        return fail(QStringLiteral("there is no row %1 or %2").arg(from).arg(to));
    m_rows[to] = m_rows.at(from);
    return true;
}

bool DbfTable::clearRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return fail(QStringLiteral("there is no row %1").arg(row));
    m_rows[row] = QByteArray(m_recordLength, ' ');
    m_rows[row][0] = kLiveFlag;
    return true;
}

QByteArray DbfTable::toBytes() const
{
    QByteArray header = m_header;
    if (header.size() >= kHeaderSize) {
        const QDate today = QDate::currentDate();
        header[1] = char(today.year() - 1900);
        header[2] = char(today.month());
        header[3] = char(today.day());
        writeLe32(header, 4, quint32(m_rows.size()));
    }
    QByteArray out;
    out.reserve(header.size() + m_rows.size() * m_recordLength + 1);
    out.append(header);
    for (const QByteArray& row : m_rows)
        out.append(row);
    out.append(kEndOfFile);
    return out;
}

bool DbfTable::save(const QString& path)
{
    if (path.isEmpty())
        return fail(QStringLiteral("the table has no file name"));
    if (m_header.isEmpty())
        return fail(QStringLiteral("%1: there is no table to write").arg(path));
    // QSaveFile writes a copy beside the table and renames it over the table
    // only when every byte reached the disk. Unbuffered, because a buffered
    // QSaveFile takes a short write (a full disk) for success and commits
    // the cut table.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = toBytes();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(QStringLiteral("cannot write %1: %2").arg(path, reason));
    }
    if (!file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    m_path = path;
    return true;
}

} // namespace zv
