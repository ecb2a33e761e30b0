#pragma once

#include "install/dbfrecord.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QVector>

namespace zv {

// One installed WinRIK normative base (a row of INSTAL with VID 'b').
struct NORMBASE
{
    QString baz;       // INSTAL.BAZ_ lower-cased; also the key of installedBases
    QString parentDir; // only used to compose dir when dir is empty
    QString dirPrefix; // only used to compose dir when dir is empty
    QString naim;      // INSTAL.NAIM
    QString dir;       // INSTAL.DIR, ending in a separator
    float version = 0; // "Number" of the base's nb.ini
    QDateTime nrspDate = QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::LocalTime);
};

// The folder of a base whose dir is empty: parentDir + "/" (only when
// parentDir is not empty) + dirPrefix + "_" (only when dirPrefix is not
// empty) + baz.
QString composedNormBaseDir(const NORMBASE& base);
// Composes dir as above when it is empty and stores it back.
void composeNormBaseDir(NORMBASE& base);

// One endings record: a row of a <type>_all table, or a record offered by
// the service.
struct VAR
{
    int number = 0; // NUM: the record's identity within its table
    int nn = 0;     // NN: position in the table's order
    QString type;   // table type, the prefix of "_all"
    QString name;   // NAIM
    QString daNet;
    QString baze_4;
    QString baze_1;
    QString baze_M;
    QString baze_G;
    QString B_421_MDS;
    QString RAZDEL;
    QString LIMZTRFILE;
    QString KONZ_ID;
    QString CENA_METOD;
    QString C4NOT_INC3;
    QString SUBVER_421;
    QDateTime lastChange; // when the service last changed it; invalid for table rows
};

// The columns of a row by name: NUM and NN as integers, NAIM, DA_NET,
// BASE_1, BASE_4, BASE_G, BASE_M, KONZ_ID, RAZDEL, B_421_MDS, LIMZTRFILE,
// CENA_METOD, C4NOT_INC3 and SUBVER_421 as the text read, untrimmed. Other
// columns are ignored; type and lastChange stay default.
VAR readVar(const DbfRecord& record);
// readVar of each row, in the order given.
QVector<VAR> readVars(const QVector<DbfRecord>& records);

} // namespace zv
