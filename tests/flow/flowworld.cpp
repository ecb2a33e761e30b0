#include "tests/flow/flowworld.h"

#include "service/serviceaddress.h"
#include "tests/support/archivebuilder.h"
#include "tests/support/winrikfolderbuilder.h"

#include <QDir>
#include <QTextCodec>

namespace zv::test {

namespace {

const QString cfoIndexFolder = QStringLiteral(
    "IND/Государственные/Минстрой (РИМ) Зелвинора/Центральный федеральный округ/Курская область/");

QByteArray nbIni(const QString& number, const QString& name)
{
    // WinRIK writes nb.ini in the Windows code page.
    return "[Version]\r\nNumber=" + number.toLatin1() +
           "\r\nName=" + QTextCodec::codecForName("Windows-1251")->fromUnicode(name) + "\r\n";
}

QByteArray lastChangeRtf(const QString& version)
{
    return "{\\rtf1\\ansi\\deff0 {\\fonttbl {\\f0 Arial;}}\r\n\\f0\\fs20 WinRIK " +
           version.toLatin1() + "\\par\r\n}\r\n";
}

QString windowsDir(const QString& folder)
{
    return QString(folder + QLatin1Char('/')).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

VAR tableRecord(int number, int nn, const QString& name)
{
    VAR record;
    record.number = number;
    record.nn = nn;
    record.name = name;
    return record;
}

} // namespace

QList<OfferedRow> FlowWorld::offer()
{
    return {
        {QStringLiteral("Обновление файла пользователя user.rik"), QStringLiteral("rikUser"), true,
         QStringLiteral("update/userszip/123.zip")},
        {QStringLiteral("РИК версия 2.1 2.1.240408"), QStringLiteral("rik"), true,
         QStringLiteral("update/winrik_2.1.zip")},
        {QStringLiteral("Индексы и ТЦ (4 квартал 2026 год к Центральный федеральный округ)"),
         QStringLiteral("rikInd"), true, QStringLiteral("update/spb/rik_0cfo_2026_4.zip")},
        {QStringLiteral("Индексы и ТЦ (3 квартал 2026 год к Центральный федеральный округ)"),
         QStringLiteral("rikInd"), false, QString()},
        {QStringLiteral(
             "Индексы и ценники (4 квартал 2026 год к Дальневосточный федеральный округ)"),
         QStringLiteral("grandInd"), true, QStringLiteral("update_grand/grand_0dfo_2026_4.zip")},
        {QStringLiteral(
             "Индексы и ценники (3 квартал 2026 год к Дальневосточный федеральный округ)"),
         QStringLiteral("grandInd"), false, QString()},
        {QStringLiteral("ФЕР-2020"), QStringLiteral("rikNB"), true,
         QStringLiteral("downloads/nb/spb/fr20.zip")},
        {QStringLiteral("НР и СП к ФЕР-2020"), QStringLiteral("rikNRSP"), false, QString()},
        {QStringLiteral("ГЭСН-2022"), QStringLiteral("rikNB"), false, QString()},
        {QStringLiteral("НР и СП к ГЭСН-2022"), QStringLiteral("rikNRSP"), true,
         QStringLiteral("update/nrsp/nrsp_gs22.zip")},
        {QStringLiteral("ТЕР-2001 Курская область"), QStringLiteral("rikNB"), true,
         QStringLiteral("downloads/nb/spb/tr01.zip")},
        {QStringLiteral("Концовка локальная ФЕР"), QStringLiteral("rikVarLoc"), true,
         QStringLiteral("update/var/loc_7.dbf.zip")},
        {QStringLiteral("Ресурсная концовка 2026"), QStringLiteral("rikVarRes"), true,
         QStringLiteral("update/var/res_12.dbf.zip")},
        {QStringLiteral("Ресурсная концовка прежняя"), QStringLiteral("rikVarRes"), false,
         QString()},
    };
}

bool FlowWorld::start()
{
    m_now = QDateTime::currentDateTime();
    m_now.setTime(QTime(m_now.time().hour(), m_now.time().minute(), m_now.time().second()));
    if (!m_rik.isValid() || !m_grand.isValid() || !m_files.isValid())
        return fail(QStringLiteral("no temporary folders"));
    DevServiceProcess::Config config;
    config.demo = false;
    config.record = true;
    config.filesDir = m_files.path();
    if (!m_service.start(config))
        return fail(QStringLiteral("the stand-in service did not start"));
    setServiceBaseAddress(m_service.baseUrl());
    return fillAccount() && buildWinRikFolder() && buildGrandFolder() && serveArchives();
}

bool FlowWorld::fillAccount()
{
    const QStringList statements{
        "INSERT INTO `ключи` VALUES (123, 'SPB', '2027-12-31', '2027-06-30', '2027-03-31', NULL, "
        "'" +
            serviceTimeText(3) + "', '2.1')",
        "INSERT INTO `ключиГранд` VALUES (9001, '12345 abc', '00077 xyz', '2027-01-31', "
        "'2027-12-31', NULL)",
        "INSERT INTO `currentProductVersion` VALUES ('rik', '2.1.240408'), "
        "('zelvinoraPA', '2.1.240408')",
        "INSERT INTO `норм_база` VALUES "
        "('fr20', 'ФЕР-2020', '5.1', '" +
            serviceTimeText(20) +
            "', '', ''), "
            "('gs22', 'ГЭСН-2022', '2.4', '" +
            serviceTimeText(5) +
            "', '', ''), "
            "('tr01', 'ТЕР-2001 Курская область', '3', NULL, '', ''), "
            "('0cfo', 'Центральный федеральный округ', NULL, NULL, '', 'Индексы/ЦФО_'), "
            "('0dfo', 'Дальневосточный федеральный округ', NULL, NULL, '', 'Индексы/ДФО_')",
        "INSERT INTO `разрешениеНБ` VALUES (123, 'fr20'), (123, 'gs22'), (123, 'tr01')",
        "INSERT INTO `индекс` VALUES "
        "(1, '0cfo', 4, 2026, '" +
            serviceTimeText(5) +
            "'), "
            "(2, '0cfo', 3, 2026, '" +
            serviceTimeText(60) +
            "'), "
            "(3, '0dfo', 4, 2026, NULL), (4, '0dfo', 3, 2026, NULL)",
        "INSERT INTO `разрешениеИнд` VALUES (123, 1), (123, 2), (9001, 3), (9001, 4)",
        "INSERT INTO `current_var` VALUES "
        "(7, 'loc', 'Концовка локальная ФЕР', 'Да', '1', '0', '0', '0', '1', 'ОБЩ', '', 'K7', "
        "'БИМ', 'Нет', '4', '" +
            serviceTimeText(7) +
            "'), "
            "(12, 'res', 'Ресурсная концовка 2026', 'Нет', '0', '1', '0', '0', '0', '', "
            "'limz.dbf', "
            "'R12', 'РИМ', 'Да', '2', '" +
            serviceTimeText(7) +
            "'), "
            "(5, 'res', 'Ресурсная концовка прежняя', 'Нет', '0', '1', '0', '0', '0', '', '', "
            "'R5', "
            "'РИМ', 'Да', '2', '" +
            serviceTimeText(60) + "')",
    };
    for (const QString& statement : statements) {
        if (!m_service.sql(statement))
            return fail(QStringLiteral("the service refused: ") + statement);
    }
    return true;
}

bool FlowWorld::buildWinRikFolder()
{
    WinRikFolderBuilder rik(m_rik.path());
    const QString fr20 = QStringLiteral("NB/FR20_fr20");
    const QString gs22 = QStringLiteral("NB/GS22_gs22");
    const bool built =
        rik.writeInstal(
            {{QStringLiteral("ФЕР-2020"), QStringLiteral("fr20"), windowsDir(rik.path(fr20))},
             {QStringLiteral("ГЭСН-2022"), QStringLiteral("gs22"), windowsDir(rik.path(gs22))}}) &&
        rik.writeNbIni(fr20, QStringLiteral("5"), QStringLiteral("ФЕР-2020")) &&
        rik.writeDealerIni(fr20, fr20NrspText()) &&
        rik.writeFile(fr20 + QStringLiteral("/tables.dbf"), "fer tables 5") &&
        rik.writeFile(fr20 + QStringLiteral("/tables.mdx"), "index") &&
        rik.writeFile(fr20 + QStringLiteral("/sub/PRICES.MDX"), "index") &&
        rik.writeNbIni(gs22, QStringLiteral("2.4"), QStringLiteral("ГЭСН-2022")) &&
        rik.writeDealerIni(gs22, serviceTime(40).toString(QStringLiteral("yyyy-MM-dd HH:mm"))) &&
        rik.writeFile(gs22 + QStringLiteral("/nrspcmnt.dbf"), "old norms", serviceTime(40)) &&
        rik.writeFile(gs22 + QStringLiteral("/tables.mdx"), "index") &&
        rik.writeFile(cfoIndexFolder + QStringLiteral("ind_2609.dbf"), "index 2026/3",
                      serviceTime(50)) &&
        rik.writeEndingsTable(QStringLiteral("loc"),
                              {tableRecord(7, 1, QStringLiteral("Старая локальная"))}) &&
        rik.writeEndingsRecordFile(QStringLiteral("loc"), 7, serviceTime(30)) &&
        rik.writeEndingsTable(QStringLiteral("res"),
                              {tableRecord(5, 1, QStringLiteral("Ресурсная концовка прежняя")),
                               tableRecord(20, 2, QStringLiteral("Ресурсная поздняя"))}) &&
        rik.writeEndingsRecordFile(QStringLiteral("res"), 5, serviceTime(30)) &&
        rik.writeLastChange(QStringLiteral("2.1.231120")) &&
        rik.writeFile(QStringLiteral("user.rik"), "old user file", serviceTime(30));
    return built || fail(rik.errorString());
}

bool FlowWorld::buildGrandFolder()
{
    const QString folder = m_grand.filePath(QStringLiteral("Индексы/ДФО_2026_3"));
    QFile prices(folder + QStringLiteral("/prices.dbf"));
    if (!QDir().mkpath(folder) || !prices.open(QIODevice::WriteOnly) || prices.write("3") != 1)
        return fail(QStringLiteral("cannot build the Гранд-Смета folder"));
    return true;
}

bool FlowWorld::serveArchives()
{
    struct Archive
    {
        QString url;
        QList<QPair<QString, QByteArray>> files;
    };
    const QList<Archive> archives{
        // Dealers pack the user file in a folder of its own.
        {QStringLiteral("update/userszip/123.zip"),
         {{QStringLiteral("users/123/user.rik"), "user file of key 123"}}},
        {QStringLiteral("update/winrik_2.1.zip"),
         {{QStringLiteral("UTILS/Doc/LastChange.rtf"), lastChangeRtf(clientVersion)},
          {QStringLiteral("winrik.exe"), "WinRIK 2.1.240408"}}},
        {QStringLiteral("update/spb/rik_0cfo_2026_4.zip"),
         {{cfoIndexFolder + QStringLiteral("ind_2612.dbf"), "index 2026/4"}}},
        {QStringLiteral("update_grand/grand_0dfo_2026_4.zip"),
         {{QStringLiteral("Индексы/ДФО_2026_4/prices.dbf"), "prices 2026/4"}}},
        {QStringLiteral("downloads/nb/spb/fr20.zip"),
         {{QStringLiteral("NB/FR20_fr20/nb.ini"),
           nbIni(QStringLiteral("5.1"), QStringLiteral("ФЕР-2020"))},
          {QStringLiteral("NB/FR20_fr20/tables.dbf"), "fer tables 5.1"}}},
        {QStringLiteral("downloads/nb/spb/tr01.zip"),
         {{QStringLiteral("NB/TR01_tr01/nb.ini"),
           nbIni(QStringLiteral("3"), QStringLiteral("ТЕР-2001 Курская область"))},
          {QStringLiteral("NB/TR01_tr01/tables.dbf"), "ter tables 3"}}},
        {QStringLiteral("update/nrsp/nrsp_gs22.zip"),
         {{QStringLiteral("NB/GS22_gs22/nrspcmnt.dbf"), "new norms"},
          {QStringLiteral("NB/GS22_gs22/nrsp.dbf"), "norms"}}},
        {QStringLiteral("update/var/loc_7.dbf.zip"), {{QStringLiteral("loc_7.dbf"), "record 7"}}},
        {QStringLiteral("update/var/res_12.dbf.zip"),
         {{QStringLiteral("res_12.dbf"), "record 12"}}},
    };
    for (const Archive& archive : archives) {
        ArchiveBuilder builder;
        for (const auto& [path, content] : archive.files)
            builder.addFile(path, content);
        if (!builder.write(m_files.filePath(archive.url)))
            return fail(builder.errorString());
    }
    return true;
}

QString FlowWorld::fr20NrspText() const
{
    return serviceTime(20).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

bool FlowWorld::fail(const QString& message)
{
    m_error = message;
    return false;
}

QDateTime FlowWorld::serviceTime(int daysBefore) const
{
    return m_now.addDays(-daysBefore);
}

QString FlowWorld::serviceTimeText(int daysBefore) const
{
    return serviceTime(daysBefore).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace zv::test
