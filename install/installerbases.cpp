#include "install/installerbases.h"

#include "install/dostext.h"
#include "install/installedstatebasefiles.h"
#include "install/winrikfolder.h"
#include "service/logging.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace zv {

bool addInstalBase(const QString& rikFolder, const QString& code, const QString& nbIniPath,
                   DataTypes type)
{
    if (type == DataTypes::Grand) {
        qDebug().noquote() << "Grand " << rikFolder;
        return false;
    }
    if (type != DataTypes::Rik)
        return false;
    DbfDataSource source = winrik::instalSource(rikFolder);
    if (!source.open()) {
        logOpenFailure(source);
        return false;
    }
    // WinRIK keeps folders with "\" whatever wrote them, and reads DIR as a
    // prefix to which it appends file names.
    QString dir = nbIniPath.chopped(6);
    dir.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QString baz = code.mid(code.lastIndexOf(QLatin1Char('/')) + 1);
    // The name goes into INSTAL as the nb.ini's own bytes: the recodings
    // turn them into the letters the table layer writes back byte for byte,
    // so whatever code page the base was prepared in, WinRIK reads its name
    // as the base's own files spell it.
    const QVariantMap row{{QStringLiteral("VID"), QStringLiteral("b")},
                          {QStringLiteral("NAIM"), decodeDosText(encodeWinText(nbIniName(nbIniPath)))},
                          {QStringLiteral("DIR"), dir},
                          {QStringLiteral("BAZ_"), baz},
                          {QStringLiteral("DOP"), QStringLiteral("G")}};
    if (!source.append(winrik::instalTable, row)) {
        ZV_ERROR() << "addInstalBase: " << source.lastError();
        return false;
    }
    return true;
}

bool stampNrspDate(const QString& baseFolder, const QString& archive)
{
    const QStringList comments =
        QDir(baseFolder).entryList({QStringLiteral("nrspcmnt.dbf")}, QDir::Files);
    if (comments.isEmpty()) {
        ZV_ERROR() << "installFile: no nrspcmnt.dbf in " << QDir::toNativeSeparators(baseFolder)
                   << " (" << archive << ")";
        return false;
    }
    const QDateTime modified =
        QFileInfo(QDir(baseFolder).absoluteFilePath(comments.first())).lastModified();
    QSettings dealerIni(baseFolder + QStringLiteral("/dealer.ini"), QSettings::IniFormat);
    dealerIni.setValue(QStringLiteral("nrspDate"), nrspDateText(modified));
    dealerIni.sync();
    if (dealerIni.status() != QSettings::NoError) {
        ZV_ERROR() << "installFile: cannot write " << QDir::toNativeSeparators(dealerIni.fileName())
                   << " (" << archive << ")";
        return false;
    }
    return true;
}

} // namespace zv
