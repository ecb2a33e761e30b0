#include "tests/support/winrikfolderbuilder.h"

#include "install/dbftable.h"

#include <QDir>
#include <QFileInfo>
#include <QTextCodec>

namespace zv::test {

WinRikFolderBuilder::WinRikFolderBuilder(const QString& root) : m_root(root) { QDir().mkpath(root); }

bool WinRikFolderBuilder::writeTable(const QString& relative, const QVector<DbfField>& fields,
                                     const QVector<QVariantMap>& rows, const QSet<int>& deletedRows)
{
    DbfTable table;
    bool written = QDir().mkpath(QFileInfo(path(relative)).absolutePath()) && table.create(fields);
    for (int i = 0; written && i < rows.size(); ++i)
        written = table.appendRow(rows[i]) && (!deletedRows.contains(i) || table.setDeleted(i, true));
    m_error = relative + ": " + table.errorString();
    return written && table.save(path(relative));
}

bool WinRikFolderBuilder::writeInstal(const QVector<InstalRow>& rows)
{
    QVector<QVariantMap> maps;
    QSet<int> deleted;
    for (const InstalRow& r : rows) {
        if (r.deleted)
            deleted.insert(maps.size());
        maps.append({{"VID", r.vid}, {"NAIM", r.naim}, {"BAZ_", r.baz}, {"DIR", r.dir}, {"DOP", r.dop}});
    }
    return writeTable("sm_r/INSTAL.DBF", {{"VID", 'C', 1}, {"NAIM", 'C', 254}, {"BAZ_", 'C', 10}, {"DIR", 'C', 254}, {"DOP", 'C', 1}},
                      maps, deleted);
}

bool WinRikFolderBuilder::writeEndingsTable(const QString& type, const QVector<VAR>& records, const QSet<int>& deletedRows)
{
    const QStringList texts{"DA_NET", "BASE_1", "BASE_4", "BASE_G", "BASE_M", "KONZ_ID", "RAZDEL",
                            "B_421_MDS", "LIMZTRFILE", "CENA_METOD", "C4NOT_INC3", "SUBVER_421", "ZZ_OTHER"};
    QVector<DbfField> fields{{"NUM", 'N', 6}, {"NN", 'N', 6}, {"NAIM", 'C', 254}};
    for (const QString& name : texts)
        fields.append({name, 'C', 100});
    QVector<QVariantMap> maps;
    for (const VAR& v : records) {
        const QStringList values{v.daNet, v.baze_1, v.baze_4, v.baze_G, v.baze_M, v.KONZ_ID, v.RAZDEL, v.B_421_MDS,
                                 v.LIMZTRFILE, v.CENA_METOD, v.C4NOT_INC3, v.SUBVER_421, "other " + QString::number(v.number)};
        maps.append({{"NUM", v.number}, {"NN", v.nn}, {"NAIM", v.name}});
        for (int i = 0; i < texts.size(); ++i)
            maps.last().insert(texts[i], values[i]);
    }
    return writeTable("sm_r/var/" + type + "_all.dbf", fields, maps, deletedRows);
}

bool WinRikFolderBuilder::writeEndingsRecordFile(const QString& type, int number, const QDateTime& modified)
{
    const QString relative = QStringLiteral("sm_r/var/%1_%2.dbf").arg(type).arg(number);
    return writeTable(relative, {{"TEXT", 'C', 20}}, {{{"TEXT", QString::number(number)}}}, {})
        && (!modified.isValid() || setModified(relative, modified));
}

bool WinRikFolderBuilder::writeNbIni(const QString& folder, const QString& number, const QString& name)
{
    return writeFile(folder + "/nb.ini", "[Version]\r\nNumber=" + number.toLatin1() + "\r\nName="
                     + QTextCodec::codecForName("Windows-1251")->fromUnicode(name) + "\r\n");
}

bool WinRikFolderBuilder::writeDealerIni(const QString& folder, const QString& nrspDate)
{
    return writeFile(folder + "/dealer.ini", "nrspDate=" + nrspDate.toUtf8() + "\r\n");
}

bool WinRikFolderBuilder::writeFile(const QString& relative, const QByteArray& content, const QDateTime& modified)
{
    QFile out(path(relative));
    const bool written = QDir().mkpath(QFileInfo(out).absolutePath()) && out.open(QIODevice::WriteOnly)
        && out.write(content) == content.size();
    m_error = "cannot write " + out.fileName() + ": " + out.errorString();
    out.close();
    return written && (!modified.isValid() || setModified(relative, modified));
}

bool WinRikFolderBuilder::setModified(const QString& relative, const QDateTime& modified)
{
    QFile file(path(relative));
    m_error = "cannot set the time of " + file.fileName();
    return file.open(QIODevice::ReadWrite) && file.setFileTime(modified, QFileDevice::FileModificationTime);
}

} // namespace zv::test
