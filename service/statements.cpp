#include "service/statements.h"

#include <QRegularExpression>

namespace zv::statements {
namespace {
// Single quotes inside a quoted value are doubled, so a key series such as
// "12345 x'x" stays one literal.
QString quoted(QString value)
{
    value.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

// The WinRIK key is a number and travels bare, as the service expects. Any
// other text typed in its place goes as a quoted literal: it can then only
// fail to match a key, never change what the statement asks.
QString keyValue(const QString& key)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[0-9]*\\s*$"));
    return number.match(key).hasMatch() ? key : quoted(key);
}
} // namespace

QString serverDate()
{
    return QStringLiteral("SELECT CURDATE();");
}

QString rikSubscription(const QString& key)
{
    return QStringLiteral("select `пакетДилера`, `Окончание`, `ПодпискаФЭР`, "
                          "`subscription_index_minstroy` from `ключи` where `идКлюч` = ") +
           keyValue(key);
}

QString grandSubscription(const QString& series, const QString& number)
{
    // The series holds blanks and letters ("12345 xxx"), so it must travel as
    // a quoted literal; bare, the statement could never run.
    return QStringLiteral("select `subscription_grand_update`, `subscription_gsn`, "
                          "`subscription_building_materials` from `ключигранд` where `Серия` = ") +
           quoted(series) + QStringLiteral(" AND `Номер` = ") + quoted(number);
}

QString baseVersion(const QString& nb)
{
    return QStringLiteral("select RikCurrentVersion from `норм_база` where `идНБ` = ") + quoted(nb) +
           QLatin1Char(';');
}

QString productVersion(const QString& product)
{
    return QStringLiteral("select * from `currentProductVersion` where `ProductName` = ") +
           quoted(product) + QLatin1Char(';');
}

QString userFileChange(const QString& key)
{
    return QStringLiteral("select `последнее Изменение` from `ключи` where `идКлюч` = ") +
           keyValue(key);
}

QString rikVersionOffer(const QString& key)
{
    return QStringLiteral("SELECT `Версия`, `Version` as VNum FROM `ключи`, "
                          "`currentProductVersion` WHERE `идКлюч` = ") +
           keyValue(key) + QStringLiteral(" AND `ProductName` = 'rik'");
}

QString rikIndices(const QString& key)
{
    return QStringLiteral(
               "SELECT i.`Квартал`, i.`Год`, i.`lastChangeRik`, nb.`Название`, li.идИндекс, "
               "nb.`идНБ`, nb.dir, k.type FROM (select * from `разрешениеИнд` where `идКлюч` = ") +
           keyValue(key) +
           QStringLiteral(
               ") li JOIN (select * from `индекс` WHERE `lastChangeRik` IS NOT NULL) i ON "
               "li.идИндекс = i.идИндекс LEFT JOIN `норм_база` nb ON i.идНБ = nb.идНБ left JOIN "
               "`ключи` k ON k.идКлюч = li.идКлюч ORDER BY nb.идНБ ASC, i.`Год` DESC, "
               "i.`Квартал` DESC;");
}

QString grandIndices(const QString& series, const QString& number)
{
    return QStringLiteral(
               "SELECT `индекс`.`Квартал`, `индекс`.`Год`, `норм_база`.`Название`, "
               "`разрешениеИнд`.`идИндекс`, `норм_база`.`идНБ`, `норм_база`.dir_grand FROM "
               "`разрешениеИнд`, `индекс`, `норм_база`, `ключиГранд` WHERE "
               "`разрешениеИнд`.`идКлюч` = (select `идКлюч` FROM `ключиГранд` WHERE `Серия` = ") +
           quoted(series) + QStringLiteral(" AND `Номер` = ") + quoted(number) +
           QStringLiteral(") AND `разрешениеИнд`.`идИндекс` = `индекс`.`идИндекс` AND "
                          "`норм_база`.`идНБ` = `индекс`.`идНБ` AND `ключиГранд`.`идКлюч` = "
                          "`разрешениеИнд`.`идКлюч` order by `норм_база`.`Название` ASC, "
                          "`индекс`.`Год` desc, `индекс`.`Квартал` desc");
}

QString normativeBases(const QString& key)
{
    return QStringLiteral("SELECT t1.`идНБ`,nb.`Название`, nb.`NRSPLastChange`, k.type FROM "
                          "`разрешениеНБ` t1 RIGHT JOIN `норм_база` nb ON t1.`идНБ` = nb.`идНБ` "
                          "RIGHT JOIN `ключи` k ON k.идКлюч = t1.идКлюч WHERE t1.`идКлюч` = ") +
           keyValue(key) +
           QStringLiteral(" AND t1.`идНБ` NOT LIKE 'ind%' AND t1.`идНБ` NOT LIKE 'smr%' AND "
                          "t1.`идНБ` NOT LIKE '%fo'");
}

QString endings()
{
    return QStringLiteral("SELECT * FROM current_var");
}

QStringList everyStatement(const QString& key, const QString& series, const QString& number,
                           const QString& nb)
{
    return {serverDate(),
            rikSubscription(key),
            grandSubscription(series, number),
            baseVersion(nb),
            productVersion(productRik),
            productVersion(productClient),
            userFileChange(key),
            rikVersionOffer(key),
            rikIndices(key),
            grandIndices(series, number),
            normativeBases(key),
            endings()};
}

} // namespace zv::statements
