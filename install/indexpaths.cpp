#include "install/indexpaths.h"

#include <iterator>

namespace zv {

namespace {

// The regional index sets of the dealer's own editions share one folder.
const QString regionalPrefix =
    QStringLiteral("IND/Государственные/Минстрой (РИМ) Зелвинора/");

struct IndexPathRow
{
    const char* key;
    // {P} the regional prefix, {Y} the year, {QL} and {QF} the last and
    // first month of the quarter, {K} the quarter.
    const char* pathTemplate;
};

// One row per index set WinRIK keeps in a fixed place; every other key lies
// below the folder the service names for it.
const IndexPathRow indexPathTable[] = {
    {"0dfo", "{P}Дальневосточный федеральный округ/Приморский край/ind_{Y}{QL}.dbf"},
    {"0cfo", "{P}Центральный федеральный округ/Курская область/ind_{Y}{QL}.dbf"},
    {"0pfo", "{P}Приволжский федеральный округ/Оренбургская область/ind_{Y}{QL}.dbf"},
    {"0sfo", "{P}Сибирский федеральный округ/Новосибирская область/ind_{Y}{QL}.dbf"},
    {"0ufo", "{P}Уральский федеральный округ/Челябинская область/ind_{Y}{QL}.dbf"},
    {"skfo", "{P}Северо-Кавказский федеральный округ/Ставропольский край/ind_{Y}{QL}.dbf"},
    {"szfo", "{P}Северо-Западный федеральный округ/Архангельская область/ind_{Y}{QL}.dbf"},
    {"yufo", "{P}Южный федеральный округ/Ростовская область/ind_{Y}{QL}.dbf"},
    {"ind0", "IND/Государственные/Минстрой/ФЕР/ind_{Y}{QL}.dbf"},
    {"smr0", "SM_R/ZEN_R/Цены в шифрах 2001-2017 г/zen_20{Y}-{K} юг Амурская область.dbf"},
};
const char* const otherKeyTemplate = "{DIR}IND/ind_{Y}{QF}.dbf";

// The last two digits of a number, as two digits: 100 + 3 * 4 = 112 -> "12".
QString lastTwoDigits(int number)
{
    return QString::number(number).right(2);
}

// WinRIK names its index files by the year's last two digits, 2005 as "05";
// a full year passes through as it is.
QString yearText(int year)
{
    return QStringLiteral("%1").arg(year, 2, 10, QLatin1Char('0'));
}

QString fillTemplate(const char* pathTemplate, const QString& dir, int year, int kv)
{
    QString path = QString::fromUtf8(pathTemplate);
    path.replace(QLatin1String("{P}"), regionalPrefix);
    path.replace(QLatin1String("{Y}"), yearText(year));
    path.replace(QLatin1String("{QL}"), lastTwoDigits(100 + 3 * kv));
    path.replace(QLatin1String("{QF}"), lastTwoDigits(98 + 3 * kv));
    path.replace(QLatin1String("{K}"), QString::number(kv));
    // Last, so nothing the service wrote is taken for a placeholder.
    path.replace(QLatin1String("{DIR}"), dir);
    return path;
}

} // namespace

QString rikIndexSubPath(const QString& nb, const QString& dir, int year, int kv)
{
    const QString key = nb.toLower();
    for (const IndexPathRow& row : indexPathTable) {
        if (key == QLatin1String(row.key))
            return fillTemplate(row.pathTemplate, QString(), year, kv);
    }
    return fillTemplate(otherKeyTemplate, dir, year, kv);
}

QString rikIndexFilePath(const QString& rikFolder, const QString& nb, const QString& dir,
                         int year, int kv)
{
    return rikFolder + QLatin1Char('/') + rikIndexSubPath(nb, dir, year, kv);
}

QString grandIndexFolderPath(const QString& grandFolder, const QString& dir, int year, int kv)
{
    return grandFolder + QLatin1Char('/') + dir + QString::number(year) + QLatin1Char('_') +
           QString::number(kv);
}

} // namespace zv
