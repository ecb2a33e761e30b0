#include "install/endingsmerge.h"

#include "install/dbftable.h"
#include "install/dostext.h"
#include "install/winrikfolder.h"
#include "service/logging.h"

#include <QDebug>


namespace zv {

namespace {

// Records up to 9000 and those from the offered number to 9500 are kept in
// number order at the front of the table; the rest keep their place.
constexpr int kLowBandTop = 9000;
constexpr int kHighBandTop = 9500;

// The columns written for a record besides NAIM (and NUM), by table type.
QVariantMap columnSet(const VAR& v)
{
    QVariantMap columns;
    const QString& t = v.type;
    if (t == QLatin1String("res")) {
        columns = {{QStringLiteral("BASE_4"), v.baze_4},         {QStringLiteral("BASE_1"), v.baze_1},
                   {QStringLiteral("BASE_M"), v.baze_M},         {QStringLiteral("BASE_G"), v.baze_G},
                   {QStringLiteral("B_421_MDS"), v.B_421_MDS},   {QStringLiteral("DA_NET"), v.daNet},
                   {QStringLiteral("RAZDEL"), v.RAZDEL},         {QStringLiteral("LIMZTRFILE"), v.LIMZTRFILE},
                   {QStringLiteral("KONZ_ID"), v.KONZ_ID},       {QStringLiteral("CENA_METOD"), v.CENA_METOD},
                   {QStringLiteral("C4NOT_INC3"), v.C4NOT_INC3}, {QStringLiteral("SUBVER_421"), v.SUBVER_421}};
    } else if (t == QLatin1String("loc") || t == QLatin1String("kc3") || t == QLatin1String("obe")) {
        columns = {{QStringLiteral("BASE_4"), v.baze_4}, {QStringLiteral("BASE_1"), v.baze_1},
                   {QStringLiteral("BASE_M"), v.baze_M}, {QStringLiteral("BASE_G"), v.baze_G},
                   {QStringLiteral("DA_NET"), v.daNet},  {QStringLiteral("RAZDEL"), v.RAZDEL}};
    } else if (t == QLatin1String("kc6")) {
        columns = {{QStringLiteral("DA_NET"), v.daNet}};
    }
    return columns;
}

bool failMerge(const QString& tableName, const QString& reason)
{
    ZV_ERROR() << "mergeEndings: " << tableName << ": " << reason;
    return false;
}

// The rows holding the record's number: the live ones, or, when every such
// row is marked deleted, the first of them. WinRIK hides deleted rows, so a
// record written only over a deleted row would be installed and invisible.
QVector<int> rowsToOverwrite(const DbfTable& table, int number)
{
    const int column = table.fieldIndex(QStringLiteral("NUM"));
    QVector<int> live;
    int firstDeleted = -1;
    for (int row = 0; row < table.rowCount(); ++row) {
        if (table.record(row).value(column).toInt() != number)
            continue;
        if (!table.isDeleted(row))
            live << row;
        else if (firstDeleted < 0)
            firstDeleted = row;
    }
    return live.isEmpty() ? QVector<int>{firstDeleted} : live;
}

bool overwrite(DbfTable& table, const QString& tableName, const VAR& var)
{
    QVariantMap values = columnSet(var);
    values.insert(QStringLiteral("NAIM"), decodeDosText(var.name));
    qDebug().noquote() << "mergeEndings: overwrite" << tableName << "NUM =" << var.number;
    for (const int row : rowsToOverwrite(table, var.number)) {
        if (!table.setValues(row, values) || !table.setDeleted(row, false))
            return failMerge(tableName, table.errorString());
    }
    if (!table.save())
        return failMerge(tableName, table.errorString());
    return true;
}

} // namespace

bool mergeEndings(const QString& rikFolder, const VAR& var, DataTypes type)
{
    if (type == DataTypes::Grand) {
        qDebug() << "Grand ";
        return false;
    }
    if (type != DataTypes::Rik)
        return false;

    DbfDataSource source = winrik::endingsSource(rikFolder);
    if (!source.open()) {
        logOpenFailure(source);
        return false;
    }
    const QString tableName = winrik::endingsTable(var.type);
    DbfTable table;
    if (!source.loadTable(tableName, table))
        return failMerge(tableName, source.lastError());
    // The endings source shows rows marked deleted, so the table's rows and
    // the records read correspond one to one.
    const QVector<VAR> rows = readVars(table.records(true));
    if (table.fieldIndex(QStringLiteral("NUM")) < 0 || table.fieldIndex(QStringLiteral("NN")) < 0)
        return failMerge(tableName, QStringLiteral("the table has no NUM or NN column"));

    for (const VAR& row : rows) {
        if (row.number == var.number)
            return overwrite(table, tableName, var);
    }

    // Insertion: the new record takes the place of the first moved row and
    // every moved row goes one place down. That only holds when the rows come
    // in ascending, consecutive NN and no kept row follows a moved one; any
    // other table would have rows overwritten that were not moved.
    QVector<VAR> movedRows{var};
    QVector<int> movedIndexes{-1};
    QVector<VAR> keptRows;
    for (int i = 0; i < rows.size(); ++i) {
        VAR row = rows.at(i);
        if (i > 0 && row.nn != rows.at(i - 1).nn + 1)
            return failMerge(tableName, QStringLiteral("NN %1 follows NN %2: the table is not in "
                                                       "consecutive order, nothing merged")
                                            .arg(row.nn).arg(rows.at(i - 1).nn));
        if (row.number <= kLowBandTop || (var.number <= row.number && row.number <= kHighBandTop)) {
            ++row.nn;
            movedRows.append(row);
            movedIndexes.append(i);
        } else {
            if (movedRows.size() > 1)
                return failMerge(tableName, QStringLiteral("record %1 would stay behind moved records, "
                                                           "nothing merged").arg(row.number));
            keptRows.append(row);
        }
    }
    if (movedRows.size() > 1)
        movedRows[0].nn = movedRows.at(1).nn - 1;
    else
        movedRows[0].nn = keptRows.isEmpty() ? 1 : keptRows.last().nn + 1;

    qDebug().noquote() << "mergeEndings: insert into" << tableName << "NUM =" << var.number
                       << "NN =" << movedRows.at(0).nn;
    // Moved rows go one place down whole, every column and the deletion mark
    // with them: a column outside the type's set stays with its own record
    // instead of being left behind for the next one. In the columns of the
    // set this gives the same rows as rewriting each moved row by its NN.
    const int appended = table.rowCount();
    if (!table.appendRow({}))
        return failMerge(tableName, table.errorString());
    for (int k = movedRows.size() - 1; k >= 1; --k) {
        const int from = movedIndexes.at(k);
        const int to = k + 1 < movedRows.size() ? movedIndexes.at(k + 1) : appended;
        if (!table.copyRow(from, to)
            || !table.setValues(to, {{QStringLiteral("NN"), movedRows.at(k).nn}}))
            return failMerge(tableName, table.errorString());
    }
    // The offered record takes the first moved row's place, live, with only
    // the values it carries.
    const int place = movedRows.size() > 1 ? movedIndexes.at(1) : appended;
    QVariantMap values = columnSet(var);
    values.insert(QStringLiteral("NAIM"), decodeDosText(var.name));
    values.insert(QStringLiteral("NUM"), var.number);
    values.insert(QStringLiteral("NN"), movedRows.at(0).nn);
    if (!table.clearRow(place) || !table.setValues(place, values))
        return failMerge(tableName, table.errorString());
    if (!table.save())
        return failMerge(tableName, table.errorString());
    return true;
}

} // namespace zv
