#include "install/winrikrecords.h"

namespace zv {

QString composedNormBaseDir(const NORMBASE& base)
{
    if (!base.dir.isEmpty())
        return base.dir;
    QString dir;
    if (!base.parentDir.isEmpty())
        dir += base.parentDir + QLatin1Char('/');
    if (!base.dirPrefix.isEmpty())
        dir += base.dirPrefix + QLatin1Char('_');
    return dir + base.baz;
}

void composeNormBaseDir(NORMBASE& base)
{
    if (base.dir.isEmpty())
        base.dir = composedNormBaseDir(base);
}

VAR readVar(const DbfRecord& record)
{
    VAR var;
    var.number = record.value(QStringLiteral("NUM")).toInt();
    var.nn = record.value(QStringLiteral("NN")).toInt();
    var.name = record.text(QStringLiteral("NAIM"));
    var.daNet = record.text(QStringLiteral("DA_NET"));
    var.baze_1 = record.text(QStringLiteral("BASE_1"));
    var.baze_4 = record.text(QStringLiteral("BASE_4"));
    var.baze_G = record.text(QStringLiteral("BASE_G"));
    var.baze_M = record.text(QStringLiteral("BASE_M"));
    var.KONZ_ID = record.text(QStringLiteral("KONZ_ID"));
    var.RAZDEL = record.text(QStringLiteral("RAZDEL"));
    var.B_421_MDS = record.text(QStringLiteral("B_421_MDS"));
    var.LIMZTRFILE = record.text(QStringLiteral("LIMZTRFILE"));
    var.CENA_METOD = record.text(QStringLiteral("CENA_METOD"));
    var.C4NOT_INC3 = record.text(QStringLiteral("C4NOT_INC3"));
    var.SUBVER_421 = record.text(QStringLiteral("SUBVER_421"));
    return var;
}

QVector<VAR> readVars(const QVector<DbfRecord>& records)
{
    QVector<VAR> vars;
    vars.reserve(records.size());
    for (const DbfRecord& r : records)
        vars.append(readVar(r));
    return vars;
}

} // namespace zv
