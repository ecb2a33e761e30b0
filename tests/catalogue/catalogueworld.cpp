#include "tests/catalogue/catalogueworld.h"

#include "service/downloadcache.h"
#include "service/serviceaddress.h"
#include "settings/settingkeys.h"
#include "tests/catalogue/cataloguefixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace zv::test {

bool CatalogueWorld::start(const Options& options)
{
    QCoreApplication::setApplicationVersion(clientVersion);
    DevServiceProcess::Config config;
    config.demo = false;
    config.record = options.record;
    config.latencyMs = options.latencyMs;
    config.filesDir = m_files.path();
    if (!m_service.start(config)) {
        m_error = QStringLiteral("the stand-in service did not start");
        return false;
    }
    const bool data = sql({
        "INSERT INTO `ключи` VALUES (123, 'SPB', '2026-12-31', '2026-06-30', '2027-03-31', NULL, "
        "'2026-11-20 09:30:15', '2.1')",
        "INSERT INTO `ключиГранд` VALUES (9001, '12345 abc', '00077 xyz', '2027-01-31', "
        "'2026-12-31', NULL)",
        "INSERT INTO `currentProductVersion` VALUES ('rik', '2.1.240408'), "
        "('zelvinoraPA', '2.1.240408')",
    });
    if (!data)
        return false;
    WinRikFolderBuilder folder = rik();
    if (!folder.writeInstal({}) || !folder.writeLastChange(clientVersion) ||
        !folder.writeFile(QStringLiteral("user.rik"), "user", userFileChange)) {
        m_error = folder.errorString();
        return false;
    }
    setServiceBaseAddress(m_service.baseUrl());
    return true;
}

bool CatalogueWorld::sql(const QStringList& statements)
{
    for (const QString& statement : statements) {
        if (!m_service.sql(statement)) {
            m_error = QStringLiteral("the service refused: ") + statement;
            return false;
        }
    }
    return true;
}

void CatalogueWorld::applySettings(bool useRik, bool useGrand, bool onlyNew) const
{
    resetSettings();
    setSetting(keys::generalUseRik, useRik);
    setSetting(keys::generalUseGrand, useGrand);
    setSetting(keys::generalOnlyNew, onlyNew);
    setSetting(keys::rikKey, QStringLiteral("123"));
    setSetting(keys::rikPath, m_rik.path());
    setSetting(keys::grandKeySerial, QStringLiteral("12345 abc"));
    setSetting(keys::grandKeyNumber, QStringLiteral("00077 xyz"));
    setSetting(keys::grandPath, m_grand.path());
    setServiceBaseAddress(m_service.baseUrl());
}

void CatalogueWorld::clearCache()
{
    QDir(downloadCacheFolder()).removeRecursively();
}

bool CatalogueWorld::putInCache(const QString& relativePath, const QByteArray& bytes)
{
    const QString path = cachePathOf(relativePath);
    // The cache keeps its folders to the user alone, as the client makes them.
    if (!makeCacheFolder(QFileInfo(path).absolutePath()))
        return false;
    return writeFile(path, bytes);
}

bool CatalogueWorld::serveFile(const QString& relativePath, const QByteArray& bytes)
{
    return writeFile(m_files.filePath(relativePath), bytes);
}

int CatalogueWorld::countStatements(const QString& fragment) const
{
    int count = 0;
    for (const QJsonValue& request : m_service.recorded()) {
        const QByteArray body =
            QByteArray::fromBase64(request.toObject().value("body").toString().toLatin1());
        if (QString::fromUtf8(body).contains(fragment))
            ++count;
    }
    return count;
}

} // namespace zv::test
