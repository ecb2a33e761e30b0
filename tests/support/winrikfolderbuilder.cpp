#include "tests/support/winrikfolderbuilder.h"

#include "install/dbftable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zv::test {

WinRikFolderBuilder::WinRikFolderBuilder(const QString& root) : m_root(root)
{
    QDir().mkpath(root);
}

QString WinRikFolderBuilder::path(const QString& relative) const
{
    return m_root + QLatin1Char('/') + relative;
}

bool WinRikFolderBuilder::fail(const QString& message)
{
    m_error = message;
    qWarning("WinRikFolderBuilder: %s", qPrintable(message));
    return false;
}

bool WinRikFolderBuilder::makeParent(const QString& filePath)
{
    const QString parent = QFileInfo(filePath).absolutePath();
    if (!QDir().mkpath(parent))
        return fail(QStringLiteral("cannot create %1").arg(parent));
    return true;
}

QVector<DbfField> WinRikFolderBuilder::instalFields()
{
    auto c = [](const char* name, int length) {
        DbfField f;
        f.name = QString::fromLatin1(name);
        f.type = 'C';
        f.length = length;
        return f;
    };
    return {c("VID", 1), c("NAIM", 254), c("BAZ_", 10), c("DIR", 254), c("DOP", 1)};
}

QVector<DbfField> WinRikFolderBuilder::endingsFields()
{
    auto field = [](const char* name, char type, int length) {
        DbfField f;
        f.name = QString::fromLatin1(name);
        f.type = type;
        f.length = length;
        return f;
    };
    QVector<DbfField> fields{field("NUM", 'N', 6), field("NN", 'N', 6), field("NAIM", 'C', 254)};
    for (const char* name : {"DA_NET", "BASE_1", "BASE_4", "BASE_G", "BASE_M", "KONZ_ID", "RAZDEL",
                             "B_421_MDS", "LIMZTRFILE", "CENA_METOD", "C4NOT_INC3", "SUBVER_421"})
        fields.append(field(name, 'C', 100));
    return fields;
}

bool WinRikFolderBuilder::writeTable(const QString& relative, const QVector<DbfField>& fields,
                                     const QVector<QVariantMap>& rows, const QSet<int>& deletedRows)
{
    const QString file = path(relative);
    if (!makeParent(file))
        return false;
    DbfTable table;
    if (!table.create(fields))
        return fail(relative + QStringLiteral(": ") + table.errorString());
    for (const QVariantMap& row : rows) {
        if (!table.appendRow(row))
            return fail(relative + QStringLiteral(": ") + table.errorString());
    }
    if (!deletedRows.isEmpty()) {
        // The layer never deletes rows; mark them in the bytes as dBASE does.
        QByteArray bytes = table.toBytes();
        const int headerLength = uchar(bytes[8]) | uchar(bytes[9]) << 8;
        const int recordLength = uchar(bytes[10]) | uchar(bytes[11]) << 8;
        for (const int row : deletedRows) {
            if (row < 0 || row >= rows.size())
                return fail(QStringLiteral("no row %1 to mark deleted").arg(row));
            bytes[headerLength + row * recordLength] = '*';
        }
        if (!table.parse(bytes))
            return fail(table.errorString());
    }
    if (!table.save(file))
        return fail(table.errorString());
    return true;
}

bool WinRikFolderBuilder::writeInstal(const QVector<InstalRow>& rows)
{
    QVector<QVariantMap> maps;
    QSet<int> deleted;
    for (const InstalRow& r : rows) {
        if (r.deleted)
            deleted.insert(maps.size());
        maps.append({{QStringLiteral("VID"), r.vid},
                     {QStringLiteral("NAIM"), r.naim},
                     {QStringLiteral("BAZ_"), r.baz},
                     {QStringLiteral("DIR"), r.dir},
                     {QStringLiteral("DOP"), r.dop}});
    }
    return writeTable(QStringLiteral("sm_r/INSTAL.DBF"), instalFields(), maps, deleted);
}

bool WinRikFolderBuilder::writeEndingsTable(const QString& type, const QVector<VAR>& records,
                                            const QVector<DbfField>& extraFields,
                                            const QSet<int>& deletedRows)
{
    QVector<QVariantMap> maps;
    for (const VAR& v : records) {
        maps.append({{QStringLiteral("NUM"), v.number},
                     {QStringLiteral("NN"), v.nn},
                     {QStringLiteral("NAIM"), v.name},
                     {QStringLiteral("DA_NET"), v.daNet},
                     {QStringLiteral("BASE_1"), v.baze_1},
                     {QStringLiteral("BASE_4"), v.baze_4},
                     {QStringLiteral("BASE_G"), v.baze_G},
                     {QStringLiteral("BASE_M"), v.baze_M},
                     {QStringLiteral("KONZ_ID"), v.KONZ_ID},
                     {QStringLiteral("RAZDEL"), v.RAZDEL},
                     {QStringLiteral("B_421_MDS"), v.B_421_MDS},
                     {QStringLiteral("LIMZTRFILE"), v.LIMZTRFILE},
                     {QStringLiteral("CENA_METOD"), v.CENA_METOD},
                     {QStringLiteral("C4NOT_INC3"), v.C4NOT_INC3},
                     {QStringLiteral("SUBVER_421"), v.SUBVER_421}});
    }
    return writeTable(QStringLiteral("sm_r/var/") + type + QStringLiteral("_all.dbf"),
                      endingsFields() + extraFields, maps, deletedRows);
}

bool WinRikFolderBuilder::writeEndingsRecordFile(const QString& type, int number,
                                                 const QDateTime& modified)
{
    const QString relative = QStringLiteral("sm_r/var/%1_%2.dbf").arg(type).arg(number);
    DbfField f;
    f.name = QStringLiteral("TEXT");
    f.length = 20;
    if (!writeTable(relative, {f}, {{{QStringLiteral("TEXT"), QString::number(number)}}}))
        return false;
    return !modified.isValid() || setModified(relative, modified);
}

bool WinRikFolderBuilder::writeNbIni(const QString& folder, const QString& number,
                                     const QString& name)
{
    QByteArray nameBytes;
    for (const QChar c : name) {
        // Windows-1251, as WinRIK writes its ini files.
        const ushort u = c.unicode();
        if (u < 0x80)
            nameBytes.append(char(u));
        else if (u >= 0x0410 && u <= 0x044F)
            nameBytes.append(char(0xC0 + (u - 0x0410)));
        else if (u == 0x0401)
            nameBytes.append(char(0xA8));
        else if (u == 0x0451)
            nameBytes.append(char(0xB8));
        else if (u == 0x2116)
            nameBytes.append(char(0xB9));
        else
            return fail(QStringLiteral("nb.ini name: U+%1 has no Windows-1251 byte here")
                            .arg(u, 4, 16, QLatin1Char('0')));
    }
    const QByteArray content = "[Version]\r\nNumber=" + number.toLatin1() + "\r\nName=" + nameBytes
                             + "\r\n";
    return writeFile(folder + QStringLiteral("/nb.ini"), content);
}

bool WinRikFolderBuilder::writeDealerIni(const QString& folder, const QString& nrspDate)
{
    return writeFile(folder + QStringLiteral("/dealer.ini"),
                     "nrspDate=" + nrspDate.toUtf8() + "\r\n");
}

bool WinRikFolderBuilder::writeLastChange(const QString& versionText)
{
    const QByteArray content = "{\\rtf1\\ansi\\deff0 {\\fonttbl {\\f0 Arial;}}\r\n"
                               "\\f0\\fs20 WinRIK " + versionText.toLatin1() + "\\par\r\n}\r\n";
    return writeFile(QStringLiteral("UTILS/Doc/LastChange.rtf"), content);
}

bool WinRikFolderBuilder::writeFile(const QString& relative, const QByteArray& content,
                                    const QDateTime& modified)
{
    const QString file = path(relative);
    if (!makeParent(file))
        return false;
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || out.write(content) != content.size())
        return fail(QStringLiteral("cannot write %1: %2").arg(file, out.errorString()));
    out.close();
    return !modified.isValid() || setModified(relative, modified);
}

bool WinRikFolderBuilder::setModified(const QString& relative, const QDateTime& modified)
{
    QFile file(path(relative));
    if (!file.open(QIODevice::ReadWrite)
        || !file.setFileTime(modified, QFileDevice::FileModificationTime))
        return fail(QStringLiteral("cannot set the time of %1: %2").arg(file.fileName(), file.errorString()));
    return true;
}

} // namespace zv::test
